#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Takes screenshots of the real window on a virtual X server with a window manager (the
# real-window suite's launcher): the simulated bench's 40-point record parsed into it,
# alone, with point 7 recalculated from four value pairs, and with numbers wider than their
# cells; the authorisation dialog in both forms, the import's file dialog, the error box
# of a refused connection (on 127.0.0.1) and the history dialog after twelve uploads; and
# the pages of the adjustment report of the recalculated table.
# The pictures go to build/shots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target window_probe
mkdir -p build/shots
cd build/shots
for shot in record:--record compute:--compute wide:--wide dialog:--dialog compact:--compact \
    import:--import refused:--refused history:--history; do
    name=${shot%%:*}
    bash ../../tests/window/on-virtual-display.sh \
        ../tools/window_probe --record "${shot#*:}" --shot "$PWD/window-$name.png"
done
bash ../../tests/window/on-virtual-display.sh \
    ../tools/window_probe --record --compute --report "$PWD/report.pdf" --quit
pdftoppm -png -r 80 report.pdf report-page
