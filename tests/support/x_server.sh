# Sourced by the tests that drive a window as a person would. Skips the test
# (exit 77) when Xvfb or one of the tools named in `tools` is missing, makes a
# work folder that goes at the end with everything started meanwhile, and
# offers `fail` and `start_x_server`, which starts a private X server of
# ${screen_size:-800x600} and exports its display.

source "$(dirname "${BASH_SOURCE[0]}")/require_tools.sh"
require_tools Xvfb ${tools[@]+"${tools[@]}"}

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
    # Xvfb chooses a free display number itself and writes it once it is ready.
    Xvfb -displayfd 3 -nolisten tcp -screen 0 "${screen_size:-800x600}x24" 3>"$work/display" 2>"$work/xvfb.log" &
    started+=($!)
    for _ in $(seq 200); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || fail "Xvfb did not start"
    export DISPLAY=:$(cat "$work/display")
    unset WAYLAND_DISPLAY
}
