#!/usr/bin/env bash
# Runs a Windows program under Wine, in a prefix of its own that is made on first use.
# The prefix sits beside the CMake build that the current directory belongs to, so test runs
# never touch ~/.wine. "wine-run.sh --init" only makes the prefix.
#
# The prefix matches the program: win32 for a PE32 .exe, win64 for a PE32+ one (read from the
# file's own header). Without a program to look at ("--init"), TOBBLE_WINEARCH decides (the
# MinGW toolchain files set it), else the prefix already there, else the build's compiler.
#
# Without an X display (DISPLAY unset) the prefix is another one, "...-headless", set to Wine's
# null display driver: windows are still made, sized and painted, only not shown, so the
# window's tests run anywhere, beside runs on a display.
set -euo pipefail

if [ -z "${TOBBLE_WINEPREFIX:-}" ]; then
    dir=$PWD
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    if [ -f "$dir/CMakeCache.txt" ]; then
        TOBBLE_WINEPREFIX=$dir/wineprefix
    else
        TOBBLE_WINEPREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/tobble/wineprefix
    fi
fi
headless=
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    TOBBLE_WINEPREFIX=$TOBBLE_WINEPREFIX-headless
fi

# win32 or win64 from the machine field of a PE file's COFF header; nothing if it is none.
pe_arch() {
    [ -f "$1" ] || return 0
    local offset machine
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$offset" ] || return 0
    machine=$(od -An -tx1 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case $machine in
    4c01) echo win32 ;;
    6486) echo win64 ;;
    esac
}

# The architecture of the build that the prefix belongs to, from its compiler's tools.
build_arch() {
    local cache
    cache=$(dirname "$TOBBLE_WINEPREFIX")/CMakeCache.txt
    [ -f "$cache" ] || return 0
    case $(sed -n 's/^CMAKE_CXX_COMPILER_AR:[A-Z]*=//p' "$cache") in
    *x86_64*) echo win64 ;;
    *i686*) echo win32 ;;
    esac
}

prefix_arch() {
    sed -n 's/^#arch=//p' "$TOBBLE_WINEPREFIX/system.reg" 2>/dev/null | head -n 1
}

# A program's own header decides; else the toolchain's word, an existing prefix, the build.
arch=
[ "${1:-}" != --init ] && arch=$(pe_arch "${1:-}")
[ -z "$arch" ] && arch=${TOBBLE_WINEARCH:-}
[ -z "$arch" ] && arch=$(prefix_arch)
[ -z "$arch" ] && arch=$(build_arch)
[ -z "$arch" ] && arch=win32
case $arch in
win32 | win64) ;;
*)
    echo "wine-run.sh: TOBBLE_WINEARCH must be win32 or win64, not '$arch'" >&2
    exit 2
    ;;
esac

# The loader: Debian's "wine" picks the 32-bit loader whenever it is installed, even on a kernel
# that cannot run it, so a 64-bit prefix names the 64-bit loader itself.
if [ "$arch" = win64 ]; then
    if [ -x /usr/lib/wine/wine64 ]; then
        WINE=/usr/lib/wine/wine64
    else
        WINE=$(command -v wine64 || command -v wine || true)
    fi
    export WINELOADER=$WINE
else
    WINE=$(command -v wine || true)
    [ -z "$WINE" ] && [ -x /usr/lib/wine/wine ] && WINE=/usr/lib/wine/wine
fi
WINESERVER=$(command -v wineserver || true)
[ -z "$WINESERVER" ] && [ -x /usr/lib/wine/wineserver ] && WINESERVER=/usr/lib/wine/wineserver
if [ -z "$WINE" ] || [ -z "$WINESERVER" ]; then
    echo "wine-run.sh: no Wine for a $arch prefix (install wine64 for win64, wine32 for win32)" >&2
    exit 2
fi

export WINEPREFIX=$TOBBLE_WINEPREFIX WINEARCH=$arch WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download dialogs, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ ! -f "$WINEPREFIX/system.reg" ] || [ "$(prefix_arch)" != "$arch" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ -f "$WINEPREFIX/system.reg" ] && [ "$(prefix_arch)" != "$arch" ]; then
            # A prefix of the other width cannot run this program; it is the build's own, so it
            # is made anew.
            echo "wine-run.sh: replacing the $(prefix_arch) prefix $WINEPREFIX with a $arch one" >&2
            "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
            rm -rf "$WINEPREFIX"
        fi
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
            "$WINESERVER" -w
            # Wine does not find the fonts it ships unless they are in the prefix.
            if [ -d /usr/share/wine/fonts ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
                cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null ||
                    true
            fi
            if [ -n "$headless" ]; then
                "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
                    </dev/null >/dev/null 2>&1 || true
            fi
            # The first start after the prefix is made still finishes setting it up (fonts,
            # run-once tasks); done here, later starts stay under test discovery's timeout.
            "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
            "$WINESERVER" -w
        fi
    ) 9>"$WINEPREFIX.lock"
    if [ "$(prefix_arch)" != "$arch" ]; then
        echo "wine-run.sh: could not make a $arch prefix in $WINEPREFIX" >&2
        exit 2
    fi
fi

[ "${1:-}" = --init ] && exit 0
# A server that outlives each program by a few seconds: without it every test program would wait
# for a fresh wineserver and its services, about 1.5 s each. A new server gets its services
# started here, away from our output: CTest waits for every process that holds its pipes.
if "$WINESERVER" -p10 </dev/null >/dev/null 2>&1; then
    "$WINE" wineboot </dev/null >/dev/null 2>&1 || true
fi
exec "$WINE" "$@"
