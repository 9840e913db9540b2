#!/usr/bin/env bash
# Drives the real OstrelSort.exe under Wine on its own X server as a person
# would: the window's caption, size and focused button; Return, keypad Enter,
# Space and a click each run exactly one sort, shown in a box captioned
# "OstrelSort" while the window shows the wait cursor and takes no click; a
# file with a repeated key and a missing input are reported and leave the
# earlier output as it was; closing the window ends the program.
# Usage: end_to_end_wine.sh WINE-RUN OSTRELSORT.EXE WINDOW_PROBE.EXE TAVEL-SORT.EXE EXAMPLES-FOLDER
set -euo pipefail

wine_run=$1
program=$2
probe=$3
batch_program=$4
examples=$5
tools=(cmp python3)
source "$(dirname "$0")/wine_desktop.sh"

form_button='control=Button|Sort Input File|88,64,105x57|default'
earlier_output=$'an earlier run\'s output\r\n'

# Each activation must show exactly one box with this text, then none.
expect_one_box() {
    local activation=$1 expected_text=$2 box
    box=$(visible_window OstrelSort) || fail "no message box titled 'OstrelSort' after $activation"
    local expected
    expected=$(printf 'caption=OstrelSort\nowner=Ostrel - Tavel Sort\nowner-takes-input=no\nbutton=OK\n')
    while IFS= read -r line; do
        expected+=$'\n'"text=$line"
    done <<<"$expected_text"
    expected+=$'\n'"icons=0"
    local shown
    shown=$(probe box) || fail "window_probe found no box after $activation"
    [[ $shown == "$expected" ]] || fail "after $activation the box showed:"$'\n'"$shown"$'\n'"instead of:"$'\n'"$expected"
    # Over the window, the wait cursor shows until the box is dismissed.
    xdotool mousemove --window "$form" 20 20
    cursor_becomes wait || fail "no wait cursor over the window while the box of $activation is open"
    # The window takes no click while its box is open, nor a press that
    # another program sends its button.
    xdotool mousemove --window "$form" 140 92 click 1
    probe press || fail "window_probe could not press the button"
    dismiss_box "$box"
    # A second run would show a second box; give it time to.
    sleep 1
    if xdotool search --onlyvisible --name '^OstrelSort$' >/dev/null; then
        fail "$activation ran more than one sort"
    fi
    expect_form_ready "after the box of $activation"
    xdotool mousemove --window "$form" 20 20
    cursor_becomes idle || fail "the wait cursor stayed after the box of $activation"
}

cursor_shape() {
    python3 "$(dirname "$0")/cursor_shape.py"
}

# Whether the cursor over the window becomes the idle one, or another: Wine
# sets it a moment after the pointer moves there, and a loaded machine makes
# that moment long. Asks for half a minute and more.
cursor_becomes() { # idle|wait
    local shape
    for _ in $(seq 150); do
        shape=$(cursor_shape)
        if [[ $1 == idle && $shape == "$idle_cursor" || $1 == wait && $shape != "$idle_cursor" ]]; then
            return 0
        fi
        sleep 0.2
    done
    return 1
}

expect_form_ready() {
    local shown=
    for _ in $(seq 150); do
        shown=$(probe form) || fail "window_probe found no window $1"
        [[ $shown == *"$form_button|focused"* ]] && return 0
        sleep 0.2
    done
    fail "the button does not have the focus $1:"$'\n'"$shown"
}

expect_output() {
    cmp "$1" "$data/tavelsrtd.txt" || fail "$2"
}

cp "$examples/routes.txt" "$work/routes.txt"
"$wine_run" "$batch_program" "Z:$work/routes.txt" "Z:$work/expected.txt" >>"$work/tavel-sort.log" 2>&1 ||
    fail "tavel-sort.exe could not sort the example"
printf '%s' "$earlier_output" >"$work/earlier.txt"

cp "$examples/routes.txt" "$data/taveld.txt"
rm -f "$data/tavelsrtd.txt"
start_program "$program"
form=$(visible_window 'Ostrel - Tavel Sort') || fail "no window titled 'Ostrel - Tavel Sort'"
size=$(settled 312x213 client_size "$form")
[[ $size == 312x213 ]] || fail "client area is $size, not 312x213"
opened=$(probe form) || fail "window_probe found no window"
[[ $opened == *$'\ndpi=96\n'* ]] || fail "the probe's screen is not at 96 DPI:"$'\n'"$opened"
[[ $(grep -c '^control=' <<<"$opened") == 1 ]] || fail "the window holds more than its button:"$'\n'"$opened"
expect_form_ready "when the window opens"
xdotool windowactivate --sync "$form"
xdotool mousemove --window "$form" 20 20
sleep 0.2
idle_cursor=$(cursor_shape)

for activation in Return KP_Enter space click; do
    cp "$work/earlier.txt" "$data/tavelsrtd.txt"
    if [[ $activation == click ]]; then
        # The button's centre: left 88, top 64, 105 x 57.
        xdotool mousemove --window "$form" 140 92 click 1
    else
        xdotool key "$activation"
    fi
    expect_one_box "$activation" "Route Records were sorted."
    expect_output "$work/expected.txt" "$activation: the sorted file differs from tavel-sort.exe's"
done

# A repeated key: refused, naming the line; the earlier output stays.
cp "$examples/routes-with-duplicate.txt" "$data/taveld.txt"
xdotool key space
expect_one_box "a file with a repeated key" "Failed Sort - duplicate keys, 
 Line =  41
 Name = Castle Gate Relief
 Key = 0700000037501        CE07"
expect_output "$work/expected.txt" "a refused file changed the earlier output"

# A name in the ANSI code page shows as Windows-1252: no byte dropped.
record=$(LC_ALL=C printf '%-17s%-30s' AA01 $'Caf\xe9 Royal')
printf '%s\r\n%s\r\n' "$record" "$record" >"$data/taveld.txt"
xdotool key Return
expect_one_box "a repeated key with a Windows-1252 name" "Failed Sort - duplicate keys, 
 Line =  2
 Name = Café Royal
 Key =              CaAA01"
expect_output "$work/expected.txt" "a refused file changed the earlier output"

# Saved as UTF-8 by Notepad, padded by characters: columns 18-19 hold a whole
# accented letter, shown as UTF-8.
record="AA01             SÃO PAULO$(printf '%21s' '')"
printf '%s\r\n%s\r\n' "$record" "$record" >"$data/taveld.txt"
xdotool key Return
expect_one_box "a repeated key with a UTF-8 name" "Failed Sort - duplicate keys, 
 Line =  2
 Name = SÃO PAULO
 Key =              SÃAA01"
expect_output "$work/expected.txt" "a refused file changed the earlier output"

# A missing input: reported with the path and Windows' reason.
rm "$data/taveld.txt"
xdotool key space
box=$(visible_window OstrelSort) || fail "no message box for a missing input"
shown=$(probe box)
grep -qxF 'text=Failed Sort - cannot read input file, ' <<<"$shown" &&
    grep -qxF 'text= File = f:\u\datafile\taveld.txt' <<<"$shown" &&
    grep -qx 'text= Reason = .\+' <<<"$shown" || fail "a missing input showed:"$'\n'"$shown"
dismiss_box "$box"
expect_output "$work/expected.txt" "a missing input changed the earlier output"
expect_form_ready "after the box of a missing input"

# Closing the window ends the program, asking nothing.
xdotool windowactivate --sync "$form" key alt+F4
for _ in $(seq 300); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
! kill -0 "$program_pid" 2>/dev/null || fail "OstrelSort.exe still runs after its window was closed"
echo "PASS: caption, size and focus; Return, keypad Enter, Space and a click each sorted once; a repeated key, a Windows-1252 name, a UTF-8 name and a missing input reported, the earlier output kept"
