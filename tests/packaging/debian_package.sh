#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks that it holds both
# programs, with no RUNPATH, their manual pages and the desktop integration,
# declares its Qt run-time packages, carries the licence and changelog Debian
# asks for, passes lintian without an error or a warning, and would install
# on this system. With --release, the programs must also be hardened, and
# lintian must find nothing to say about it.
# Usage: debian_package.sh BUILD-FOLDER SOURCE-FOLDER APP-ID [--release]
set -euo pipefail

build=$1
source=$2
app_id=$3
release=${4:-}

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools cpack dpkg-deb dpkg-shlibdeps dpkg-parsechangelog file apt-get lintian gzip hardening-check readelf

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    cat "$work"/*.log 2>/dev/null || true
    exit 1
}

# A strict umask: the package's permissions must not be the builder's.
(umask 077 && cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) || fail "cpack failed"
packages=("$work"/*.deb)
[[ -f ${packages[0]} ]] || fail "cpack made no .deb"
package=${packages[0]}

depends=$(dpkg-deb --field "$package" Depends)
echo "Depends: $depends"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    [[ ", $depends," == *", $needed "* || ", $depends," == *", $needed,"* ]] || fail "Depends lacks $needed"
done

doc=./usr/share/doc/ostrelsort
contents=$(dpkg-deb --contents "$package" | awk '{ print $6 }')
for installed in ./usr/bin/OstrelSort ./usr/bin/tavel-sort \
    ./usr/share/man/man1/OstrelSort.1.gz ./usr/share/man/man1/tavel-sort.1.gz \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/metainfo/$app_id.metainfo.xml" \
    "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    "$doc/copyright" "$doc/changelog.Debian.gz" \
    ./usr/share/lintian/overrides/ostrelsort; do
    grep -qxF "$installed" <<<"$contents" || fail "package lacks $installed"
done

dpkg-deb --extract "$package" "$work/root"

# A release is hardened as Debian hardens its own packages. Control-flow
# protection cannot show: Debian 12's C start-up files carry no CET marking,
# so the linker drops it from every program. Fortification shows only where
# a call's bounds are unknown when compiled: the window has none left, so it
# is seen in tavel-sort, built with the same flags.
programs=("$work/root/usr/bin/OstrelSort" "$work/root/usr/bin/tavel-sort")
if [[ $release == --release ]]; then
    { hardening-check --nocfprotection --nofortify "${programs[0]}" &&
      hardening-check --nocfprotection "${programs[1]}"; } >"$work/hardening.log" 2>&1 || fail "a program is not hardened"
    rm "$work/hardening.log"
fi
# Every library the programs load is the system's.
for program in "${programs[@]}"; do
    if readelf --dynamic "$program" | grep -E '\((RUNPATH|RPATH)\)'; then
        fail "$(basename "$program") has a search path of its own"
    fi
done

# The copyright file: machine-readable, MIT (Expat, as Debian calls it), with
# the holder and the very licence text of LICENSE.
copyright=$work/root/$doc/copyright
head -n 1 "$copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright is not in the machine-readable format"
grep -qxF 'Copyright: 2026 The OstrelSort developers' "$copyright" || fail "copyright names another holder"
grep -qx 'Copyright (c) 2026 The OstrelSort developers' "$source/LICENSE" || fail "LICENSE names another holder"
# The text is what follows the last "License: Expat", the stand-alone one.
awk '/^License: Expat$/ { start = NR } { line[NR] = $0 }
     END { for (i = start + 1; i <= NR; i++) print line[i] }' "$copyright" |
    sed -e 's/^ //' -e 's/^\.$//' >"$work/license.txt"
[[ -s $work/license.txt ]] || fail "copyright has no Expat licence text"
sed '1,4d' "$source/LICENSE" | diff - "$work/license.txt" >"$work/license.log" || fail "the licence text differs from LICENSE"

# The changelog names this very version, by the package's maintainer.
gzip -dc "$work/root/$doc/changelog.Debian.gz" >"$work/changelog"
version=$(dpkg-deb --field "$package" Version)
[[ $(dpkg-parsechangelog -l "$work/changelog" -S Version) == "$version" ]] ||
    fail "the changelog's latest entry is not $version"
[[ $(dpkg-parsechangelog -l "$work/changelog" -S Maintainer) == "$(dpkg-deb --field "$package" Maintainer)" ]] ||
    fail "the changelog's latest entry is by someone other than the maintainer"

# Warnings fail too; an override in the package says why a rule does not apply.
lintian --fail-on error,warning --display-info "$package" >"$work/lintian.log" 2>&1 ||
    fail "lintian found errors or warnings"
# Its hardening tags are only informational.
if [[ $release == --release ]] && grep -q ': hardening-' "$work/lintian.log"; then
    fail "lintian found a program not hardened"
fi
cat "$work/lintian.log"
rm "$work/lintian.log"

apt-get install --simulate --no-install-recommends "$package" >"$work/apt.log" 2>&1 ||
    fail "the package would not install"
echo "PASS: $(basename "$package")"
