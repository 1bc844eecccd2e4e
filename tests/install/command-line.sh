#!/usr/bin/env bash
# command-line.sh TOBBLE TOBBLE_CHECK PACKAGING_DIR VERSION: both programs' command lines as a
# person types them, with no desktop at all; --help and the manual page name the same options.
set -uo pipefail
tobble=$1 checker=$2 pages=$3 version=$4
source "$(dirname "$0")/checks.sh"
mkdir -m 700 "$work/runtime" "$work/"$'\xff' && : >"$work/f"

# No X server, no Wayland compositor (not even a default socket), no platform chosen.
nodesk() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u QT_QPA_PLATFORM \
        XDG_RUNTIME_DIR="$work/runtime" "$@"
}
# gives STATUS COMMAND...: the command ends with STATUS (never a crash), its output saved.
gives() {
    "${@:2}" >"$work/stdout" 2>"$work/stderr"
    local status=$?
    cat "$work/stdout" "$work/stderr"
    [ "$status" -eq "$1" ] || { echo "exit status $status, not $1"; return 1; }
}
# says STATUS STREAM PATTERN COMMAND...: as gives, and that stream is exactly one line matching
# PATTERN, the other stream empty.
says() {
    local other=stderr
    [ "$2" = stdout ] || other=stdout
    gives "$1" "${@:4}" && [ "$(wc -l <"$work/$2")" -eq 1 ] && grep -Eq "$3" "$work/$2" &&
        [ ! -s "$work/$other" ]
}
# The options a text names: -x or --xyz after a blank, "[" or "|" (troff's \- read as -).
options() { sed 's/\\-/-/g' | grep -oE '(^|[][ |])--?[a-z][a-z-]*' | tr -d '[]| ' | sort -u; }
same_options() { # same_options PROGRAM PAGE
    diff <("$1" --help | options) <(options <"$pages/$2.1")
}

check "tobble --version, no desktop" says 0 stdout "^Tobble $version\$" nodesk "$tobble" --version
check "tobble --help without a desktop" gives 0 nodesk "$tobble" --help
check "  prints the usage" grep -q '^Usage: tobble' "$work/stdout"
check "tobble --help and its manual page name the same options" same_options "$tobble" tobble
check "tobble without a desktop ends saying so in one line" says 1 stderr \
    'tobble: no graphical desktop found' nodesk "$tobble" -platform offscreen
# A DISPLAY whose X server is gone: Qt's own words about it, then the same kind of ending.
check "tobble with a gone X server ends" gives 1 nodesk DISPLAY=:9876 "$tobble"
check "  with one line of its own last" bash -c "tail -1 '$work/stderr' | grep -q '^tobble: '"

check "tobble-check --version" says 0 stdout "^tobble-check $version\$" "$checker" --version
check "tobble-check --help and its manual page name the same options" same_options "$checker" \
    tobble-check
check "tobble-check on no folder" says 3 stderr "$work/gone does not exist" "$checker" "$work/gone"
check "tobble-check on a file" says 4 stderr "$work/f is not a folder" "$checker" --json "$work/f"
check "tobble-check, a non-UTF-8 name" says 5 stderr 'is not UTF-8 text' "$checker" "$work/"$'\xff'
check "tobble-check with an unknown option" gives 64 "$checker" --jsn "$work"
check "tobble-check with two folders" gives 64 "$checker" "$work" "$work"
exit $failed
