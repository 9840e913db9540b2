#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks that it holds both
# programs and the desktop integration, declares its Qt run-time packages, and
# would install on this system.
# Usage: debian_package.sh BUILD-FOLDER APP-ID
set -euo pipefail

build=$1
app_id=$2

for tool in cpack dpkg-deb dpkg-shlibdeps file apt-get; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is not installed: skipped"
        exit 77 # ctest's skip status, set as SKIP_RETURN_CODE
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    cat "$work"/*.log 2>/dev/null || true
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || fail "cpack failed"
packages=("$work"/*.deb)
[[ -f ${packages[0]} ]] || fail "cpack made no .deb"
package=${packages[0]}

depends=$(dpkg-deb --field "$package" Depends)
echo "Depends: $depends"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed"
done

contents=$(dpkg-deb --contents "$package" | awk '{ print $6 }')
for installed in ./usr/bin/OstrelSort ./usr/bin/tavel-sort \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/metainfo/$app_id.metainfo.xml" \
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg"; do
    grep -qxF "$installed" <<<"$contents" || fail "package lacks $installed"
done

apt-get install --simulate --no-install-recommends "$package" >"$work/apt.log" 2>&1 ||
    fail "the package would not install"
echo "PASS: $(basename "$package")"
