#!/usr/bin/env bash
# Builds the launcher and collects what a publisher ships and keeps into one folder:
#
#   setup.exe                       the 32-bit launcher, unsigned: the bytes any clean build
#                                   of this commit gives (named as its branding says)
#   signed/setup.exe                the same, signed (only when signing options are given)
#   setup-check/linux-x86_64/setup-check      the medium checker for Linux
#   setup-check/windows-i686/setup-check.exe  and for Windows
#   README.md, docs/*.md            the documentation
#   setup.spdx.json                 SPDX 2.3 bill of materials: what is linked into setup.exe
#                                   and the Debian packages that built it (scripts/sbom.py)
#   SHA256SUMS                      the SHA-256 of every file above (sha256sum -c SHA256SUMS)
#
#   scripts/release.sh [--out DIR] [--branding FILE] [-- <scripts/sign.sh options>]
#
# --out: the folder (default build/release of the source folder); an earlier release there
# is replaced, any other non-empty folder is refused. --branding: a branding file
# (docs/publishing.md) for the "windows" build. Options after "--" sign setup.exe into signed/
# with scripts/sign.sh, e.g.
#   scripts/release.sh -- --pkcs12 publisher.p12 --pass-file pass.txt --timestamp URL
# Relative paths, here and in the signing options, are taken from the folder it is run in.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)

out=build/release
out_given=
branding=
sign_args=()
while [ $# -gt 0 ]; do
    case "$1" in
        --out) out=${2:?}; out_given=1; shift 2 ;;
        --branding) branding=$(realpath "${2:?}"); shift 2 ;;
        --) shift; sign_args=("$@"); break ;;
        *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
    esac
done
[ -n "$out_given" ] || out=$source/$out
out=$(realpath -m "$out")
jobs=$(nproc)

if [ -e "$out" ]; then
    if [ -n "$(ls -A "$out")" ] && [ ! -f "$out/SHA256SUMS" ]; then
        echo "release.sh: $out is not empty and holds no earlier release; not touching it" >&2
        exit 1
    fi
    rm -rf "$out"
fi

# Dates in what is built (the copyright's year, the bill of materials) are the commit's.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git -C "$source" log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH=$epoch
fi

(
    cd "$source"
    echo "== setup.exe and setup-check.exe for 32-bit Windows (preset windows)"
    cmake --preset windows ${branding:+"-DSETUP_BRANDING_FILE=$branding"} >/dev/null
    cmake --build --preset windows -j"$jobs" --target setup setup-check >/dev/null
    echo "== setup-check for Linux (build/release-native, optimised, without sanitizers)"
    cmake -S . -B build/release-native -DCMAKE_BUILD_TYPE=Release -DSETUP_BUILD_TESTS=OFF >/dev/null
    cmake --build build/release-native -j"$jobs" --target setup-check >/dev/null
)

win=$source/build/windows
exe_name=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["original_filename"])' \
    "$win/branding/branding.json")

mkdir -p "$out/setup-check/linux-x86_64" "$out/setup-check/windows-i686" "$out/docs"
cp "$win/setup.exe" "$out/$exe_name"
# The tools without their symbol tables: a third of the size.
i686-w64-mingw32-strip -o "$out/setup-check/windows-i686/setup-check.exe" \
    "$win/tools/setup_check/setup-check.exe"
strip -o "$out/setup-check/linux-x86_64/setup-check" \
    "$source/build/release-native/tools/setup_check/setup-check"
cp "$source/README.md" "$out/"
cp "$source"/docs/*.md "$out/docs/"
if [ ${#sign_args[@]} -gt 0 ]; then
    mkdir -p "$out/signed"
    "$source/scripts/sign.sh" "${sign_args[@]}" "$out/$exe_name" "$out/signed/$exe_name"
fi
python3 "$source/scripts/sbom.py" "$win" "$out/setup.spdx.json"

(cd "$out" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort \
    | xargs -d '\n' sha256sum > SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
echo "Release in $out:"
(cd "$out" && find . -type f -printf '  %P  %s bytes\n' | LC_ALL=C sort)
