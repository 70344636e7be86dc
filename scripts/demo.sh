#!/usr/bin/env bash
# The launcher's main job on a fresh Debian 12 machine (as root): builds setup.exe, assembles
# a sample medium (launcher, Setup.ini, English/Russian/Ukrainian message files, a real
# package and real language transforms), installs it under Wine through setup.exe, shows
# what the Windows Installer received, and removes the product again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
. scripts/wine-env.sh
if wine_can_run_32; then preset=windows; else preset=windows64; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)" >/dev/null
SETUP_BUILD_DIR="$PWD/build/$preset" python3 scripts/demo.py
