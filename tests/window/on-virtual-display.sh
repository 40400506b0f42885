#!/usr/bin/env bash
# SPDX-FileCopyrightText: The Abgleich authors
# SPDX-License-Identifier: Apache-2.0
# Runs a program on a virtual X server of its own with a window manager, as on the bench
# PC's desktop (the manager activates new windows and dialogs). Xvfb picks a free display
# and tells it through a pipe, so that several runs side by side never race for a number;
# a server or manager that does not come up is started again, up to three times. The screen
# is 1920 x 1200 unless ABGLEICH_TEST_SCREEN names another ("1280x800").
set -euo pipefail
dir=$(mktemp -d)
pids=()
stop_all() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    pids=()
}
trap 'stop_all; rm -rf "$dir"' EXIT

wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start_desktop() {
    rm -f "$dir/display"
    mkfifo "$dir/display"
    Xvfb -displayfd 3 -screen 0 "${ABGLEICH_TEST_SCREEN:-1920x1200}x24" -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
    pids+=($!)
    local display
    if ! read -r -t 20 display <"$dir/display"; then
        echo "Xvfb did not start:" >&2
        cat "$dir/xvfb.log" >&2
        return 1
    fi
    export DISPLAY=":$display"
    HOME="$dir" openbox --sm-disable >"$dir/wm.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do
        wm_running && return 0
        sleep 0.1
    done
    echo "The window manager did not start:" >&2
    cat "$dir/wm.log" >&2
    return 1
}

started=false
for _ in 1 2 3; do
    if start_desktop; then
        started=true
        break
    fi
    stop_all
done
$started || exit 1

# Under the leak checker, what the desktop's own libraries keep is not reported.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-suppressions.txt"
"$@"
