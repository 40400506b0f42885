#!/usr/bin/env bash
# Takes screenshots of the real window under a virtual X server (Xvfb): the simulated
# bench's 40-point record parsed into it, alone and with point 7 recalculated from four
# value pairs; the history dialog after twelve uploads of that bench; and the pages of the
# adjustment report of the recalculated table.
# The pictures go to build/shots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target window_probe
mkdir -p build/shots
cd build/shots
for shot in record:--record compute:--compute history:--history; do
    name=${shot%%:*}
    xvfb-run -a -s "-screen 0 1920x1080x24" \
        ../tools/window_probe --record "${shot#*:}" --shot "$PWD/window-$name.png"
done
xvfb-run -a -s "-screen 0 1920x1080x24" \
    ../tools/window_probe --record --compute --report "$PWD/report.pdf" --quit
pdftoppm -png -r 80 report.pdf report-page
