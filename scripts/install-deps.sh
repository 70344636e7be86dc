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
# setup-check reads packages and transforms with msitools' library; its tests and a CI job's
# use of its JSON run jq.
packages+=(libmsi-dev libglib2.0-dev jq)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
