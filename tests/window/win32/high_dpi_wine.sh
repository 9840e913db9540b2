#!/usr/bin/env bash
# Opens OstrelSort.exe at 144 DPI, in a Wine prefix of its own set to that
# DPI so the shared one stays at 96: the window and its button keep their
# size in twips, 468 x 320 and 132, 96, 158 x 86 pixels.
# Usage: high_dpi_wine.sh WINE-RUN OSTRELSORT.EXE WINDOW_PROBE.EXE PREFIX
set -euo pipefail

wine_run=$1
program=$2
probe=$3
export WINEPREFIX=$4
source "$(dirname "$0")/wine_desktop.sh"

"$wine_run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >"$work/reg.log" 2>&1 ||
    fail "could not set the prefix to 144 DPI"
# Every Wine process started from now on reads the new DPI.
wineserver -w
start_program "$program"
form=$(visible_window 'Ostrel - Tavel Sort') || fail "no window titled 'Ostrel - Tavel Sort'"
size=$(settled 468x320 client_size "$form")
[[ $size == 468x320 ]] || fail "client area is $size, not 468x320"
expected='caption=Ostrel - Tavel Sort
client=468x320
dpi=144
control=Button|Sort Input File|132,96,158x86|default|focused'
shown=$(settled "$expected" probe form)
[[ $shown == "$expected" ]] || fail "at 144 DPI the window showed:"$'\n'"$shown"
xdotool windowactivate --sync "$form" key alt+F4
echo "PASS: at 144 DPI the window is 468 x 320 and its button 132, 96, 158 x 86"
