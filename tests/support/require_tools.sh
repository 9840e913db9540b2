# Sourced by the test scripts: `require_tools TOOL...` skips the test
# (ctest's skip status 77, set as SKIP_RETURN_CODE) when a tool is missing.
require_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "$tool is not installed: skipped"
            exit 77
        fi
    done
}
