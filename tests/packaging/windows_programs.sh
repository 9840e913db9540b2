#!/usr/bin/env bash
# Reads back from the Windows programs as they are released what a reviewer
# reads with objdump: the stack protector and fortified calls linked in, ASLR
# (high-entropy) and DEP, and a fixed time stamp; and the manifest and version
# information of tavel-sort.exe.
# Usage: windows_programs.sh OBJDUMP WINDRES TAVEL-SORT.EXE [OTHER.EXE...]
set -euo pipefail

objdump=$1
windres=$2
batch_program=$3
shift 2
programs=("$@")

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools exiftool

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for program in "${programs[@]}"; do
    name=$(basename "$program")
    headers=$("$objdump" -p "$program")
    for characteristic in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
        grep -qx "[[:space:]]*$characteristic" <<<"$headers" || fail "$name lacks $characteristic"
    done
    # Zero, not the time of the link: two builds must give the same bytes.
    grep -qx 'Time/Date[[:space:]]*Thu Jan  1 00:00:00 1970' <<<"$headers" ||
        fail "$name has a time stamp: $(grep '^Time/Date' <<<"$headers")"
    # The symbol table says what was linked in: the stack protector's guard
    # and failure handler, and the checked copies fortify calls instead.
    symbols=$("$objdump" -t "$program" | awk '{ print $NF }')
    for symbol in __stack_chk_guard __stack_chk_fail __chk_fail; do
        grep -qx "$symbol" <<<"$symbols" || fail "$name lacks $symbol"
    done
    grep -qxE '__(mem|str)[a-z]*_chk' <<<"$symbols" || fail "$name calls no fortified function"
done

check() { # WHAT ACTUAL EXPECTED
    [[ $2 == "$3" ]] || fail "tavel-sort.exe: $1 is '$2', not '$3'"
}
for tag in ProductName:OstrelSort InternalName:tavel-sort OriginalFileName:tavel-sort.exe \
    FileVersion:1.00 ProductVersion:1.00 FileVersionNumber:1.0.0.0 LanguageCode:"English (U.S.)" \
    CharacterSet:Unicode Subsystem:"Windows command line"; do
    check "${tag%%:*}" "$(exiftool -s3 -"${tag%%:*}" "$batch_program")" "${tag#*:}"
done

# The manifest, as Windows finds it: resource 1 of type 24, which windres
# shows as quoted lines.
manifest=$("$windres" -i "$batch_program" -O rc |
    sed -n '/^1 24 /,/^END/{ s/^  "//; s/\\n"$//; s/""/"/g; p }') || true
[[ -n $manifest ]] || fail "tavel-sort.exe has no manifest"
for promise in 'level="asInvoker"' 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"'; do
    grep -qF "$promise" <<<"$manifest" || fail "the manifest lacks $promise"
done
# Every name goes through wide calls and \\?\ paths: a UTF-8 code page or
# long-path awareness would change only what the program does not use.
! grep -qE '<([[:alnum:]]+:)?(activeCodePage|longPathAware)[ >]' <<<"$manifest" ||
    fail "the manifest declares a code page or long-path awareness"

if ((failures > 0)); then
    exit 1
fi
echo "PASS: ${programs[*]##*/} hardened, with no time stamp; tavel-sort.exe's manifest and version information read back"
