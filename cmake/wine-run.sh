#!/usr/bin/env bash
# Runs a Windows program under Wine in the CMake build's own prefix, made on first use ("--init"
# only makes it): win64 for a PE32+ program, else win32 (or TOBBLE_WINEARCH before any exists).
# Without an X display the prefix "...-headless" uses Wine's null display driver.
set -euo pipefail

if [ -z "${TOBBLE_WINEPREFIX:-}" ]; then
    dir=$PWD
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    TOBBLE_WINEPREFIX=$dir/wineprefix
    [ "$dir" != / ] || TOBBLE_WINEPREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/tobble/wineprefix
fi
[ -n "${DISPLAY:-}" ] || TOBBLE_WINEPREFIX=$TOBBLE_WINEPREFIX-headless
arch=${TOBBLE_WINEARCH:-win32}
if [ -f "${1:-}" ]; then # the machine field of the COFF header: 8664 is x86-64
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    machine=$(od -An -tx1 -j$((offset + 4)) -N2 "$1" | tr -d ' ')
    arch=$([ "$machine" = 6486 ] && echo win64 || echo win32)
fi

# Debian's "wine" picks the 32-bit loader whenever it is installed, even where it cannot run.
if [ "$arch" = win64 ]; then
    WINE=/usr/lib/wine/wine64
    [ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
    export WINELOADER=$WINE
else
    WINE=$(command -v wine || echo /usr/lib/wine/wine)
fi
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$TOBBLE_WINEPREFIX WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all} \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
quietly() { "$@" </dev/null >/dev/null 2>&1 || true; }

mkdir -p "$(dirname "$WINEPREFIX")"
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        quietly "$WINE" wineboot -i
        "$WINESERVER" -w
        quietly cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        [ -n "${DISPLAY:-}" ] ||
            quietly "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        # The first start still finishes the set-up: done here, not under test discovery.
        quietly "$WINE" wineboot
        "$WINESERVER" -w
    fi
) 9>"$WINEPREFIX.lock"
if ! grep -q "^#arch=$arch" "$WINEPREFIX/system.reg" 2>/dev/null; then
    echo "wine-run.sh: $WINEPREFIX is not a working $arch prefix (is $arch Wine installed?)" >&2
    exit 2
fi
[ "${1:-}" != --init ] || exit 0
# A server that outlives each program saves each test ~1.5 s; a new one starts its services
# here, away from our output (CTest waits for all that hold its pipes).
if "$WINESERVER" -p10 </dev/null >/dev/null 2>&1; then quietly "$WINE" wineboot; fi
exec "$WINE" "$@"
