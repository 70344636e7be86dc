#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests (simulated Windows, ASan and
# UBSan), the Windows build's unit tests under Wine, the end-to-end tests of setup.exe under
# Wine, a short run of every fuzzing target, whether two builds of setup.exe are byte-identical
# and the release folder. Run as root on a fresh Debian 12 machine; it installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh
. scripts/wine-env.sh

echo "== Native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"

echo "== setup.exe for 32-bit Windows"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
scripts/size-report.sh --no-build

echo "== Reproducible bytes: setup.exe built twice, from copies of the sources in two folders"
scripts/repro-check.sh windows

# The Windows tests run the 32-bit build under 32-bit Wine where this machine can execute
# 32-bit code; some virtual machines cannot, and there the same sources are built for
# 64-bit Windows and run under 64-bit Wine.
if wine_can_run_32; then
    windows_preset=windows
else
    echo "   (this machine cannot execute 32-bit code: Windows tests run the 64-bit build)"
    windows_preset=windows64
    cmake --preset windows64 >/dev/null
    cmake --build --preset windows64 -j"$jobs"
fi

echo "== Windows unit tests and end-to-end tests under Wine ($windows_preset)"
ctest --preset "$windows_preset"

echo "== Release folder: scripts/release.sh signing with a throwaway key, checked"
python3 -m unittest -v tests/release/test_release.py

echo "== Short fuzzing runs of every target, with every kept regression input"
scripts/fuzz-short.sh
