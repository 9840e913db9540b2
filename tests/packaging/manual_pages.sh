#!/usr/bin/env bash
# Renders the manual pages the build made, and those cmake --install puts in
# place, with man, and checks that they render without a complaint, have the
# sections a reader looks for, and keep up with tavel-sort itself.
# Usage: manual_pages.sh BUILD-FOLDER TAVEL-SORT
set -euo pipefail

build=$1
tavel_sort=$2

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools man lexgrog cmake

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

# Wide enough that no line of an example is folded.
render() { # PAGE OUTPUT
    MANWIDTH=120 man --warnings -l "$1" >"$2" 2>"$work/warnings" || fail "man could not render $1"
    [[ ! -s $work/warnings ]] || fail "man complained about $1: $(cat "$work/warnings")"
}

has_sections() { # RENDERED SECTION...
    local rendered=$1
    shift
    for section in "$@"; do
        grep -qx "$section" "$rendered" || fail "$(basename "$rendered") has no $section section"
    done
}

pages=$build/packaging
render "$pages/tavel-sort.1" "$work/tavel-sort.txt"
render "$pages/OstrelSort.1" "$work/OstrelSort.txt"

echo "== sections"
has_sections "$work/tavel-sort.txt" NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' 'THE RECORD KEY' \
    'WHAT IT PROMISES' FILES EXAMPLES
has_sections "$work/OstrelSort.txt" NAME SYNOPSIS DESCRIPTION FILES
# The NAME line is what whatis and apropos show; a malformed one shows nothing.
for page in tavel-sort OstrelSort; do
    lexgrog "$pages/$page.1" | grep -qF "\"$page - " || fail "$page(1) has no whatis entry"
done

echo "== what tavel-sort(1) says"
# Its options: every one the program knows, and the one the duplicate
# listing adds.
options=$("$tavel_sort" --help | grep -oE '(^|[ ,])--?[a-z][a-z-]*' | sed 's/^[ ,]//' | sort -u)
[[ -n $options ]] || fail "tavel-sort --help lists no options"
sed -n '/^OPTIONS$/,/^[A-Z]/p' "$work/tavel-sort.txt" >"$work/options.txt"
for option in $options --duplicates; do
    grep -qE -- "(^|[ ,])$option([ ,]|$)" "$work/options.txt" || fail "OPTIONS does not describe $option"
done
grep -qF -- "$("$tavel_sort" --version)" "$work/tavel-sort.txt" || fail "the page shows another version"
sed -n '/^EXIT STATUS$/,/^[A-Z]/p' "$work/tavel-sort.txt" >"$work/status.txt"
for status in 0 1 2; do
    grep -qx " *$status" "$work/status.txt" || fail "EXIT STATUS does not describe $status"
done
# Examples are literal: the eight spaces inside the key must survive, and the
# page shows the paths with their tilde.
# shellcheck disable=SC2088
for line in 'Line 41 repeats line 9: Name = Castle Gate Relief; Key = 0700000037501        CE07' \
    'Key = 0700000037501        CE07' \
    '~/f/u/datafile/taveld.txt' '~/f/u/datafile/tavelsrtd.txt'; do
    grep -qF -- "$line" "$work/tavel-sort.txt" || fail "tavel-sort(1) lacks: $line"
done

echo "== installed"
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
for page in tavel-sort OstrelSort; do
    installed=$work/prefix/share/man/man1/$page.1.gz
    [[ -f $installed ]] || fail "cmake --install did not install $page(1)"
    render "$installed" "$work/installed.txt"
    cmp "$work/installed.txt" "$work/$page.txt" || fail "the installed $page(1) is not the one built"
done
echo "PASS"
