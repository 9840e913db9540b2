#!/usr/bin/env bash
# Builds the Windows packages with cpack and checks them: what the zip holds,
# and the MSI installed, run, replaced by another build and by a newer
# version, and removed, all under Wine in a prefix of its own.
# Usage: windows_packages.sh BUILD-FOLDER SOURCE-FOLDER PROGRAM.exe...
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
shift 2
programs=("$@")

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools cpack unzip wixl wine wineboot wineserver x86_64-w64-mingw32-objdump strings cmp

work=$(mktemp -d "$build/packages-test.XXXXXX")
export WINEPREFIX=$work/wine
export WINEDEBUG=-all
# No menu entries on the build machine for the shortcut the MSI makes.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
    if [[ -d $WINEPREFIX ]]; then
        wineserver -k 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# To standard error: checks run inside $(...) too.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

wine_run() {
    "$source/scripts/wine-run" "$@"
}

windows_path() {
    local path=${1//\//\\}
    echo "Z:$path"
}

installed=$WINEPREFIX/drive_c/Program\ Files/OstrelSort
expected_files=$(printf '%s\n' "${programs[@]}" LICENSE README.md | sort)
with_window=false
[[ " ${programs[*]} " == *" OstrelSort.exe "* ]] && with_window=true

# "KEY VERSION" for each installed product named OstrelSort.
installed_products() {
    wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
        awk '/^HKEY/ { key = $0; name = ""; version = "" }
             $1 == "DisplayName" { name = $3 }
             $1 == "DisplayVersion" { version = $3 }
             /^$/ && name == "OstrelSort" { print key, version; name = "" }
             END { if (name == "OstrelSort") print key, version }'
}

shortcuts() {
    find "$WINEPREFIX/drive_c" -iname 'OstrelSort.lnk'
}

make_packages() { # FOLDER [CPACK-OPTION...]
    local folder=$1
    shift
    cpack --config "$build/CPackConfig.cmake" -B "$folder" "$@" >"$folder.log" 2>&1 ||
        { cat "$folder.log"; fail "cpack $* failed"; }
}

made_package() { # PATH; prints it when cpack made it
    [[ -f $1 ]] || fail "cpack made no $(basename "$1"), only: $(ls -A "$(dirname "$1")")"
    echo "$1"
}

check_installed_program() {
    local version
    version=$(wine_run "C:\\Program Files\\OstrelSort\\tavel-sort.exe" --version | tr -d '\r')
    [[ $version == "tavel-sort 1.00" ]] || fail "installed tavel-sort.exe --version said: $version"
}

check_installed_files() {
    [[ -d $installed ]] || fail "nothing in Program Files\\OstrelSort"
    local files
    files=$(find "$installed" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort)
    [[ $files == "$expected_files" ]] || fail "Program Files\\OstrelSort holds: ${files//$'\n'/ }"
}

check_one_product() { # VERSION; prints the product's key
    local products
    products=$(installed_products)
    [[ $(wc -l <<<"$products") -eq 1 && $products == *" $1" ]] ||
        fail "expected OstrelSort $1 installed once, found: ${products:-nothing}"
    echo "${products% *}"
}

# Outside a git checkout, with no SOURCE_DATE_EPOCH, stripping stamps each
# copy of a program with the time and so a checksum; copies must be equal but
# for those two fields of the PE header.
same_program() { # A B
    [[ $(stat -c %s "$1") == $(stat -c %s "$2") ]] || return 1
    local header
    header=$(od -An -tu4 -j60 -N4 "$1")
    local stamp=$((header + 8)) checksum=$((header + 24 + 64))
    local offset
    while read -r offset _; do
        ((offset -= 1)) # cmp counts from 1
        ((offset >= stamp && offset < stamp + 4)) || ((offset >= checksum && offset < checksum + 4)) || return 1
    done < <(cmp -l "$1" "$2" || true)
}

echo "== packages"
make_packages "$work/first"
zip=$(made_package "$work/first/OstrelSort-1.00-win64.zip")
msi=$(made_package "$work/first/OstrelSort-1.00-win64.msi")

echo "== the portable zip"
top=OstrelSort-1.00-win64
listed=$(unzip -Z1 "$zip" | sort)
want=$(sed "s|^|$top/|" <<<"$expected_files")
[[ $listed == "$want" ]] || fail "the zip holds: ${listed//$'\n'/ }"
unzip -q "$zip" -d "$work/unzipped"
cmp "$work/unzipped/$top/README.md" "$source/README.md" || fail "README.md differs"
cmp "$work/unzipped/$top/LICENSE" "$source/LICENSE" || fail "LICENSE differs"

version=$(wine_run "$(windows_path "$work/unzipped/$top/tavel-sort.exe")" --version | tr -d '\r')
[[ $version == "tavel-sort 1.00" ]] || fail "tavel-sort.exe from the zip said: $version"
# Nothing else to install on Windows: every DLL a program imports is one
# that Windows itself has (Wine's system folder stands in for it).
system=$WINEPREFIX/drive_c/windows/system32
for program in "${programs[@]}"; do
    while read -r dll; do
        [[ -n $(find "$system" -maxdepth 1 -iname "$dll") ]] || fail "$program needs $dll, which Windows does not have"
    done < <(x86_64-w64-mingw32-objdump -p "$work/unzipped/$top/$program" | awk '/DLL Name:/ { print $3 }')
done

echo "== install"
[[ -z $(installed_products) ]] || fail "the fresh prefix has OstrelSort already"
wine_run msiexec /i "$(windows_path "$msi")" /qn || fail "msiexec /i failed"
check_installed_files
for file in LICENSE README.md; do
    cmp "$installed/$file" "$work/unzipped/$top/$file" || fail "the MSI installed another $file than the zip holds"
done
for program in "${programs[@]}"; do
    same_program "$installed/$program" "$work/unzipped/$top/$program" ||
        fail "the MSI installed another $program than the zip holds"
done
first=$(check_one_product 1.0.0)
if $with_window; then
    link=$(shortcuts)
    [[ $(wc -l <<<"$link") -eq 1 && -n $link ]] || fail "expected one Start-menu shortcut, found: ${link:-none}"
    strings -a "$link" >"$work/shortcut.txt"
    grep -qxF 'C:\Program Files\OstrelSort\OstrelSort.exe' "$work/shortcut.txt" ||
        fail "the shortcut does not start C:\\Program Files\\OstrelSort\\OstrelSort.exe"
else
    [[ -z $(shortcuts) ]] || fail "a shortcut to a window that is not there"
fi
check_installed_program

echo "== the installed tavel-sort sorts"
# The fixed input path, f:\u\datafile\taveld.txt, in the prefix's own drive f:.
datafile=$work/f-drive/u/datafile
mkdir -p "$datafile"
printf 'XX01charlie\r\nXX01alpha\nXX01bravo\r\n' >"$datafile/taveld.txt"
wine_run "C:\\Program Files\\OstrelSort\\tavel-sort.exe" >"$work/sorted.log" 2>&1 ||
    { cat "$work/sorted.log"; fail "the installed tavel-sort.exe did not sort"; }
printf 'XX01alpha\r\nXX01bravo\r\nXX01charlie\r\n' | cmp - "$datafile/tavelsrtd.txt" || fail "wrong sorted file"
printf 'XX01alpha\r\nXX01alpha\r\n' >"$work/twice.txt"
status=0
wine_run "C:\\Program Files\\OstrelSort\\tavel-sort.exe" "$(windows_path "$work/twice.txt")" \
    "$(windows_path "$work/out.txt")" >/dev/null 2>&1 || status=$?
[[ $status -eq 1 ]] || fail "a repeated key gave exit status $status, not 1"

echo "== another build of the same version replaces it"
make_packages "$work/rebuilt" -G External
wine_run msiexec /i "$(windows_path "$work/rebuilt/OstrelSort-1.00-win64.msi")" /qn || fail "msiexec /i of the rebuild failed"
rebuilt=$(check_one_product 1.0.0)
[[ $rebuilt != "$first" ]] || fail "the rebuild has the same product code"
check_installed_files

echo "== a newer version replaces it"
make_packages "$work/newer" -G External -R 1.01
newer_msi=$(made_package "$work/newer/OstrelSort-1.01-win64.msi")
wine_run msiexec /i "$(windows_path "$newer_msi")" /qn || fail "msiexec /i of 1.01 failed"
newer=$(check_one_product 1.1.0)
[[ $newer != "$rebuilt" ]] || fail "1.01 has the product code of 1.00"
check_installed_files
check_installed_program

echo "== an older version does not replace a newer"
if wine_run msiexec /i "$(windows_path "$msi")" /qn; then
    fail "1.00 installed over 1.01"
fi
[[ $(check_one_product 1.1.0) == "$newer" ]] || fail "1.01 is gone after 1.00 was refused"
check_installed_files

echo "== uninstall"
wine_run msiexec /x "$(windows_path "$newer_msi")" /qn || fail "msiexec /x failed"
[[ ! -e $installed ]] || fail "left behind: $(ls -A "$installed")"
[[ -z $(installed_products) ]] || fail "still registered: $(installed_products)"
[[ -z $(shortcuts) ]] || fail "shortcut left behind: $(shortcuts)"
if wine_run reg query 'HKLM\Software\OstrelSort' >/dev/null 2>&1; then
    fail "registry key HKLM\\Software\\OstrelSort left behind"
fi

echo "PASS: $(basename "$zip") $(basename "$msi")"
