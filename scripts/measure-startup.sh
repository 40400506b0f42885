#!/usr/bin/env bash
# Measures start-up to a shown window and the memory after showing, under a virtual X
# server: the tool's window, then a bare Qt window with an empty chart started the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target window_probe
probe=build/tools/window_probe
runs=${1:-5}
for mode in window bare; do
    args=(--quit)
    [ "$mode" = bare ] && args+=(--bare)
    for _ in $(seq "$runs"); do
        xvfb-run -a -s "-screen 0 1920x1080x24" /usr/bin/time -f "$mode wall=%es maxrss=%MkB" \
            "$probe" "${args[@]}" 2>&1 | grep -E "shown after|wall=" | tr '\n' ' '
        echo
    done
done
