#!/usr/bin/env bash
# Drives the real OstrelSort on its own X server as a person would: press the
# button, dismiss the box titled "OstrelSort", then check the sorted file.
# Usage: end_to_end_xvfb.sh OSTRELSORT TAVEL-SORT ROUTE-FILE
set -euo pipefail

window_program=$1
batch_program=$2
example=$3

source "$(dirname "$0")/../../support/x_server.sh"
start_x_server
export QT_QPA_PLATFORM=xcb

home=$work/home
mkdir -p "$home/f/u/datafile"
cp "$example" "$home/f/u/datafile/taveld.txt"
HOME=$home "$window_program" >"$work/window.log" 2>&1 &
window_pid=$!
started+=("$window_pid")

# xdotool's --sync waits without end; timeout bounds it, generously: a loaded
# machine takes its time to start the program.
visible_window() {
    timeout 90 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

form=$(visible_window 'Ostrel - Tavel Sort') || fail "no window titled 'Ostrel - Tavel Sort'"
# The button's centre: left 88, top 64, 105 x 57.
xdotool mousemove --window "$form" 140 92 click 1

box=$(visible_window OstrelSort) || fail "no message box titled 'OstrelSort' after the click"
xdotool windowfocus --sync "$box" key Return
for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^OstrelSort$' >/dev/null || break
    sleep 0.1
done
if xdotool search --onlyvisible --name '^OstrelSort$' >/dev/null; then
    fail "Return did not dismiss the message box"
fi
kill -0 "$window_pid" 2>/dev/null || fail "OstrelSort ended after the box was dismissed"

"$batch_program" "$example" "$work/expected.txt" >/dev/null
cmp "$work/expected.txt" "$home/f/u/datafile/tavelsrtd.txt" || fail "sorted file differs from tavel-sort's"
echo "PASS: the button sorted the file and the box was dismissed"
