# Sourced by the tests that drive a window as a person would. Skips the test
# (exit 77) when Xvfb, xdotool or a tool named in `tools` is missing, makes a
# work folder that goes at the end with everything started meanwhile, and
# offers `fail` and `start_x_server`, which starts a private X server of
# ${screen_size:-800x600} and exports its display.

source "$(dirname "${BASH_SOURCE[0]}")/require_tools.sh"
require_tools Xvfb xdotool ${tools[@]+"${tools[@]}"}

work=$(mktemp -d)
started=()
cleanup() {
    for pid in ${started[@]+"${started[@]}"}; do
        kill "$pid" 2>/dev/null || true
    done
    wait
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        echo "--- $(basename "$log")"
        cat "$log"
    done
    exit 1
}

start_x_server() {
    local attempt
    for attempt in 1 2 3; do
        # Xvfb chooses a free display number itself and writes it once it is ready.
        rm -f "$work/display"
        Xvfb -displayfd 3 -nolisten tcp -screen 0 "${screen_size:-800x600}x24" 3>"$work/display" 2>>"$work/xvfb.log" &
        x_server_pid=$!
        started+=("$x_server_pid")
        # Bounds of a minute and more: a loaded machine may take that long.
        for _ in $(seq 600); do
            [[ -s $work/display ]] && break
            kill -0 "$x_server_pid" 2>/dev/null || break
            sleep 0.1
        done
        if [[ -s $work/display ]]; then
            export DISPLAY=:$(cat "$work/display")
            unset WAYLAND_DISPLAY
            # Ready only once a client gets through: on a loaded machine one
            # has been turned away just after the number was written.
            for _ in $(seq 600); do
                xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
                kill -0 "$x_server_pid" 2>/dev/null || break
                sleep 0.1
            done
        fi
        echo "attempt $attempt: no client could reach Xvfb" >>"$work/xvfb.log"
        kill "$x_server_pid" 2>/dev/null || true
        wait "$x_server_pid" 2>/dev/null || true
    done
    fail "Xvfb did not start"
}

# Whether the X server started last is still running, for a caller's failure message.
x_server_running() {
    kill -0 "$x_server_pid" 2>/dev/null
}
