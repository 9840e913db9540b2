#!/usr/bin/env bash
# Takes the README's pictures of OstrelSort.exe under Wine: the window as it
# opens, and the box after sorting the example, each cropped to what it shows.
# Run from ctest into the build folder; for the README, give docs/screenshots.
# Usage: screenshots_wine.sh WINE-RUN OSTRELSORT.EXE WINDOW_PROBE.EXE EXAMPLES-FOLDER OUT-FOLDER
set -euo pipefail

wine_run=$1
program=$2
probe=$3
examples=$4
out=$5
# Small, so that the box, which Windows centres on the screen, stands over the window.
screen_size=480x360
tools=(import convert identify)
source "$(dirname "$0")/wine_desktop.sh"

# The window with the window manager's frame: x y width height.
frame() {
    local x y width height extents
    eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X:/ { print "x=" $4 } /Absolute upper-left Y:/ { print "y=" $4 }
                                     /Width:/ { print "width=" $2 } /Height:/ { print "height=" $2 }')"
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    echo "$((x - left)) $((y - top)) $((width + left + right)) $((height + top + bottom))"
}

# Waits for painting to end, then crops the screen to the smallest rectangle
# that holds every given window.
shoot() {
    local file=$1 left=100000 top=100000 right=0 bottom=0 x y width height
    shift
    sleep 1
    for window in "$@"; do
        read -r x y width height < <(frame "$window")
        ((x < left)) && left=$x
        ((y < top)) && top=$y
        ((x + width > right)) && right=$((x + width))
        ((y + height > bottom)) && bottom=$((y + height))
    done
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage -strip "$file"
}

mkdir -p "$out"
cp "$examples/routes.txt" "$data/taveld.txt"
start_program "$program"
form=$(visible_window 'Ostrel - Tavel Sort') || fail "no window titled 'Ostrel - Tavel Sort'"
xdotool windowactivate --sync "$form"
shoot "$out/windows-window.png" "$form"

xdotool key Return
box=$(visible_window OstrelSort) || fail "no message box after Return"
[[ $(probe box) == *$'\ntext=Route Records were sorted.\n'* ]] || fail "the box does not say the file was sorted"
shoot "$out/windows-sorted-box.png" "$form" "$box"
dismiss_box "$box"
xdotool windowactivate --sync "$form" key alt+F4

read -r window_width window_height < <(identify -format '%w %h\n' "$out/windows-window.png")
((window_width >= 312 && window_width < 360 && window_height >= 213 && window_height < 280)) ||
    fail "windows-window.png is ${window_width}x$window_height: not the window with its frame"
read -r box_width box_height < <(identify -format '%w %h\n' "$out/windows-sorted-box.png")
((box_width >= window_width && box_height >= window_height)) ||
    fail "windows-sorted-box.png is ${box_width}x$box_height: smaller than the window"
echo "PASS: windows-window.png ${window_width}x$window_height, windows-sorted-box.png ${box_width}x$box_height in $out"
