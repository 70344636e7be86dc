#!/usr/bin/env bash
# Reproducible bytes: builds setup.exe twice, each time from a fresh copy of the sources in
# another folder (the folders' paths differ in length and name), one build after the other,
# and compares the two images byte for byte. Exits 1 when they differ.
#
#   scripts/repro-check.sh [preset...]      (default: windows, the shipped 32-bit image)
#
# The copies hold the checkout's files as they are now (committed or not), so the check covers
# what is about to be committed. Dates come from SOURCE_DATE_EPOCH, by default the last
# commit's, as in any build of a git checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
source=$PWD
presets=("${@:-windows}")
jobs=$(nproc)

if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH=$epoch
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
copy() {
    mkdir -p "$1"
    if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$source" ls-files -z --cached --others --exclude-standard \
            | (cd "$source" && tar --null -T - -c) | tar -x -C "$1"
    else
        tar -C "$source" --exclude=./build -c . | tar -x -C "$1"
    fi
}
first=$root/a
second=$root/second-copy/of/the-sources
copy "$first"
copy "$second"

status=0
for preset in "${presets[@]}"; do
    for tree in "$first" "$second"; do
        (cd "$tree" && cmake --preset "$preset" >/dev/null \
            && cmake --build --preset "$preset" -j"$jobs" --target setup >/dev/null)
    done
    a=$first/build/$preset/setup.exe
    b=$second/build/$preset/setup.exe
    if cmp "$a" "$b"; then
        echo "$preset: setup.exe built in two folders is byte-identical" \
             "($(stat -c %s "$a") bytes, SHA-256 $(sha256sum "$a" | cut -c1-16)...)"
    else
        echo "$preset: setup.exe differs between two builds of the same sources:" >&2
        cmp -l "$a" "$b" | head -20 >&2
        status=1
    fi
done
exit $status
