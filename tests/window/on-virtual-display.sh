#!/usr/bin/env bash
# Runs a program on a virtual X server of its own with a window manager, as on the bench
# PC's desktop (the manager activates new windows and dialogs). Xvfb picks a free display
# and tells it through a pipe, so that several runs side by side never race for a number.
set -euo pipefail
dir=$(mktemp -d)
mkfifo "$dir/display"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$dir"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
pids+=($!)
if ! read -r -t 20 display <"$dir/display"; then
    echo "Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display"
HOME="$dir" openbox --sm-disable >"$dir/wm.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "The window manager did not start:" >&2
    cat "$dir/wm.log" >&2
    exit 1
fi
# Under the leak checker, what the desktop's own libraries keep is not reported.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(dirname "$0")/lsan-suppressions.txt"
"$@"
