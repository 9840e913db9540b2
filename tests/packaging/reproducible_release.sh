#!/usr/bin/env bash
# Builds the release of the commit checked out in SOURCE-FOLDER twice with
# scripts/build-release, each from a clone of its own, one after the other,
# the second in a folder whose path holds a space and under another umask,
# time zone and locale, and checks that the two give the same bytes: the
# .deb, both programs and the zip, and their lines of SHA256SUMS. The MSI
# cannot be the same bytes (see README, "Checking a download"); all of it
# but its product code, package code and two time stamps must be.
# diffoscope names whatever differs.
# Usage: reproducible_release.sh SOURCE-FOLDER
set -euo pipefail

source=$(cd "$1" && pwd)

source "$(dirname "${BASH_SOURCE[0]}")/../support/require_tools.sh"
require_tools git cmake cpack sha256sum unzip diffoscope msidump

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A builder's own settings must not reach these builds.
unset SOURCE_DATE_EPOCH OSTREL_SIGNING_CERTIFICATE OSTREL_SIGNING_KEY OSTREL_SIGNING_PASSWORD

# Both at once: on two cores each build leaves the other room while it
# configures, links and packs. Each line of a build's own output is marked
# with its name, so the two stay told apart as they come.
release() { # NAME FOLDER
    TMPDIR=$2 "$source/scripts/build-release" "$2/release" 2>&1 | sed -u "s/^/$1: /"
}
# Each build installs what is missing; once here, before two would race for apt's lock.
"$source/scripts/install-dependencies"
mkdir "$work/first" "$work/second build"
echo "== two release builds at once; the second in a folder with a space, umask 007, TZ=Pacific/Chatham, LC_ALL=C.UTF-8"
release first "$work/first" &
first_build=$!
(umask 007 && TZ=Pacific/Chatham LC_ALL=C.UTF-8 release second "$work/second build") &
second_build=$!
built=0
wait "$first_build" || built=$?
wait "$second_build" || built=$?
((built == 0)) || { echo "FAIL: a build failed"; exit 1; }

first=$work/first/release
second="$work/second build/release"

same() { # WHAT FIRST SECOND
    if cmp -s "$2" "$3"; then
        echo "same: $1"
    else
        fail "$1 differs:"
        diffoscope --text - "$2" "$3" | head -n 200 || true
    fi
}

for package in "$first"/*.deb "$first"/*.zip; do
    [[ -f $package ]] || fail "the first build made no $(basename "$package")"
    name=$(basename "$package")
    same "$name" "$package" "$second/$name"
done

# Each program on its own, for a plainer account than the zip's.
for build in "$first" "$second"; do
    unzip -q "$build"/*.zip -d "$build/unzipped"
done
for program in "$first"/unzipped/*/*.exe; do
    same "$(basename "$program")" "$program" "$second/unzipped/${program#"$first/unzipped/"}"
done

for build in "$first" "$second"; do
    (cd "$build" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match $build"
    grep -v '\.msi$' "$build/SHA256SUMS" >"$build/SHA256SUMS.reproducible"
done
same "SHA256SUMS of the .deb and the zip" "$first/SHA256SUMS.reproducible" "$second/SHA256SUMS.reproducible"

# wixl gives every MSI a new package code and its time of writing; the
# product code is new on every build by design, so that any build replaces
# any other.
msi_tables() { # MSI FOLDER
    mkdir "$2"
    msidump --tables --streams --directory "$2" "$1" >/dev/null
    sed -i '/^ProductCode\t/d' "$2/Property.idt"
    sed -i -E '/^(9|12|13)\t/d' "$2/_SummaryInformation.idt"
    rm "$2/_Streams/"$'\005'SummaryInformation
}
for msi in "$first"/*.msi; do
    [[ -f $msi ]] || continue # made only where wixl is installed
    name=$(basename "$msi")
    msi_tables "$msi" "$work/first.tables"
    msi_tables "$second/$name" "$work/second.tables"
    if diff -r "$work/first.tables" "$work/second.tables"; then
        echo "same but for its codes and times: $name"
    else
        fail "$name differs beyond its codes and times"
    fi
done

if ((failures > 0)); then
    exit 1
fi
echo "PASS: two builds of $(git -C "$source" rev-parse --short HEAD) give the same packages"
