#!/usr/bin/env bash
# Runs a Windows program under Wine, in a 32-bit prefix of its own that is made on first use.
# The prefix sits beside the CMake build that the current directory belongs to, so test runs
# never touch ~/.wine. "wine-run.sh --init" only makes the prefix.
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
export WINEPREFIX=$TOBBLE_WINEPREFIX WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download dialogs, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot -i </dev/null >/dev/null 2>&1 || true
            wineserver -w
            # The first start after the prefix is made still finishes setting it up (fonts,
            # run-once tasks); done here, later starts stay under test discovery's timeout.
            wine wineboot </dev/null >/dev/null 2>&1 || true
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi

[ "${1:-}" = --init ] && exit 0
# A server that outlives each program by a few seconds: without it every test program would wait
# for a fresh wineserver and its services, about 1.5 s each. A new server gets its services
# started here, away from our output: CTest waits for every process that holds its pipes.
if wineserver -p10 </dev/null >/dev/null 2>&1; then
    wine wineboot </dev/null >/dev/null 2>&1 || true
fi
exec wine "$@"
