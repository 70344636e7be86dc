#!/usr/bin/env bash
# Installs what building and testing the launcher needs on Debian 12 (run as root).
# Only missing packages are installed, so a second run costs a second.
set -euo pipefail

packages=(cmake g++ make python3 googletest clang llvm libclang-rt-14-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
          wine wine64 wine32:i386 msitools wixl locales-all clang-format
          libbenchmark-dev libinih-dev libboost-dev pkg-config)
# Signing setup.exe and its tests: osslsigncode, openssl for a throwaway CA, and SoftHSM with
# OpenSSL's PKCS#11 engine standing in for a publisher's key token.
packages+=(osslsigncode openssl softhsm2 libengine-pkcs11-openssl)
# setup-check reads packages and transforms with msitools' library and the storages inside a
# package with libgsf; its tests and a CI job's use of its JSON run jq. Building the corrected
# libmsi (scripts/build-libmsi.sh) takes bison and dpkg-source.
packages+=(libmsi-dev libglib2.0-dev libgsf-1-dev jq bison dpkg-dev)
# The deployment tests read winget's YAML manifests.
packages+=(python3-yaml)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# libmsi that applies transforms, until Debian's does (nothing is done when it is built).
"$(dirname "$0")/build-libmsi.sh"
