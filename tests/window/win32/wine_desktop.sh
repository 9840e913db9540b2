# Sourced by the tests that drive OstrelSort.exe under Wine: a private X
# server with a window manager (without one, Wine windows get no keyboard
# focus), the program started in the project's Wine prefix, and helpers to
# find its windows. The caller sets wine_run (scripts/wine-run), probe
# (window_probe.exe) and, optionally, the further tools it needs and the screen
# size first, and may call `fail` after.

tools=(openbox xwininfo xprop wine ${tools[@]+"${tools[@]}"})
source "$(dirname "${BASH_SOURCE[0]}")/../../support/x_server.sh"

# The fixed folder f:\u\datafile as this machine holds it.
data=$("$wine_run" winepath -u 'f:\u\datafile' 2>/dev/null) || fail "the Wine prefix has no drive f:"
mkdir -p "$data"

# Wine's first process on a desktop starts the desktop's own process, and
# every window there goes to that process's X display: wait until the Wine
# processes of earlier tests, which had no display, have all ended.
WINEPREFIX=${data%/dosdevices/f:/u/datafile} wineserver -w

# Screen size: given by the caller, or large enough for any box.
screen_size=${screen_size:-1024x768}
start_x_server

# Ready once it says it can activate windows; on a loaded machine that takes a
# while. One that ends before then is started again.
window_manager_ready() {
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW
}
for _ in 1 2 3; do
    openbox >>"$work/openbox.log" 2>&1 &
    openbox_pid=$!
    started+=("$openbox_pid")
    for _ in $(seq 600); do
        window_manager_ready && break 2
        kill -0 "$openbox_pid" 2>/dev/null || break
        sleep 0.1
    done
done
if ! window_manager_ready; then
    x_server_running || fail "openbox did not start: Xvfb has ended"
    fail "openbox did not start"
fi

start_program() {
    "$wine_run" "$1" >"$work/program.log" 2>&1 &
    program_pid=$!
    started+=("$program_pid")
}

# xdotool's --sync waits without end; timeout bounds it, generously: a
# program's first window in a fresh prefix can take Wine a while.
# --onlyvisible: a closed box can linger as an unmapped X window with the
# same name.
visible_window() {
    timeout 90 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

# The size of a window's client area, as X has it.
client_size() {
    xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# A window just mapped may still be settling on a loaded machine: asks again,
# for half a minute and more, until the answer is the expected one, and prints
# the last answer.
settled() {
    local expected=$1 answer=
    shift
    for _ in $(seq 150); do
        answer=$("$@") || true
        [[ $answer == "$expected" ]] && break
        sleep 0.2
    done
    printf '%s' "$answer"
}

# What window_probe.exe reports, without Wine's noise.
probe() {
    "$wine_run" "$probe" "$1" 2>>"$work/probe.log"
}

# Dismisses the box with Return and waits until it is gone.
dismiss_box() {
    xdotool windowactivate --sync "$1" key Return
    for _ in $(seq 300); do
        xdotool search --onlyvisible --name '^OstrelSort$' >/dev/null || return 0
        sleep 0.1
    done
    fail "Return did not dismiss the message box"
}
