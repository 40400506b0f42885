#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages the tool, its tests and its benchmarks need.
# Idempotent: installs only what is missing. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
    cmake g++ make
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
    libqt6sql6-sqlite libqt6sql6-psql postgresql
    libgtest-dev libbenchmark-dev
    fonts-liberation qt6-translations-l10n
    xvfb xauth openbox x11-utils time
    desktop-file-utils
    poppler-utils
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
