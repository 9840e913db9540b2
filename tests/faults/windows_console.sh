#!/usr/bin/env bash
# tavel-sort.exe on a console and redirected, under Wine: on a console the
# message is shown through the console's own wide-character output, control
# bytes as \xHH; redirected, the bytes are exactly the message's.
# Usage: windows_console.sh WINE-RUN TAVEL-SORT-EXE
set -euo pipefail

wine_run=$1
program=$2

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools script

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
    echo "FAIL: $*"
    exit 1
}

# A name with a letter beyond ASCII, a key with a bell and an escape sequence.
record=$(printf 'AA01\a\033[2J.......Caf\303\251 Royal')
printf '%s\r\n%s\r\n' "$record" "$record" >crafted.txt
expected_console=$(printf 'Failed Sort - duplicate keys, \n Line =  2\n Name = af\303\251 Royal\n Key = \\x07\\x1b[2J.......CafAA01')
expected_redirected=$(printf 'Failed Sort - duplicate keys, \n Line =  2\n Name = af\303\251 Royal\n Key = \a\033[2J.......CafAA01')

# `script` gives the program a terminal, which Wine turns into its console.
# Wine's console adds cursor and line-clearing sequences and CRs of its own,
# and drops spaces at the ends of lines.
script -qec "'$wine_run' '$program' crafted.txt out.txt" /dev/null >console.txt || true
shown=$(sed -e 's/\x1b\[?25[lh]//g' -e 's/\x1b\[K//g' -e 's/\r//g' -e 's/ *$//' console.txt)
expected_console=$(sed -e 's/ *$//' <<<"$expected_console")
[[ $shown == "$expected_console" ]] || fail "console shows: $(printf '%q' "$shown")"

status=0
"$wine_run" "$program" crafted.txt out.txt 2>redirected.txt || status=$?
((status == 1)) || fail "exit status $status, expected 1"
printf '%s\n' "$expected_redirected" | cmp - redirected.txt || fail "redirected message differs"
[[ ! -e out.txt ]] || fail "an output file was written"
echo "PASS: console and redirected messages"
