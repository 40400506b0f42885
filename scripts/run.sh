#!/usr/bin/env bash
# Installs what is needed, builds the tool and starts it in the demo working directory
# build/demo (its files go to build/demo/config).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target abgleich
mkdir -p build/demo
cd build/demo
exec ../src/abgleich
