# Shared Wine settings for the test scripts (sourced, not run).
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL="${LC_ALL:-en_US.UTF-8}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# "32" or "64" from the PE header's machine field.
wine_exe_arch() {
    python3 - "$1" <<'PY'
import struct, sys
with open(sys.argv[1], 'rb') as f:
    data = f.read(4096)
off = struct.unpack_from('<I', data, 0x3c)[0]
machine = struct.unpack_from('<H', data, off + 4)[0]
print('64' if machine == 0x8664 else '32')
PY
}

wine_loader() {
    if [ "$1" = 64 ]; then echo /usr/lib/wine/wine64; else echo /usr/lib/wine/wine; fi
}

# Can this machine execute 32-bit x86 code at all? (Some virtual machines cannot.)
wine_can_run_32() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Creates (once) and selects the shared prefix of an architecture, unless WINEPREFIX is set.
wine_prepare_prefix() {
    if [ -z "${WINEPREFIX:-}" ]; then
        export WINEPREFIX="${SETUP_WINE_HOME:-$HOME/.cache/setup-launcher}/prefix-$1"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        if [ "$1" = 64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
        WINELOADER=$(wine_loader "$1") "$(wine_loader "$1")" wineboot -i >/dev/null 2>&1 || true
        WINELOADER=$(wine_loader "$1") /usr/lib/wine/wineserver -w 2>/dev/null || true
    fi
}
