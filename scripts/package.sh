#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Builds the tool and makes the Debian package build/abgleich_<version>_amd64.deb, which
# installs with its dependencies by: apt-get install ./build/abgleich_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target abgleich --target bench-sim
cd build
cpack -G DEB
