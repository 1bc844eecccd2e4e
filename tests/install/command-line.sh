#!/usr/bin/env bash
# command-line.sh TOBBLE TOBBLE_CHECK PACKAGING_DIR VERSION: both programs' command lines as a
# person types them, with no desktop at all; --help and the manual page name the same options.
set -uo pipefail
tobble=$1 checker=$2 pages=$3 version=$4
source "$(dirname "$0")/checks.sh"
mkdir -m 700 "$work/runtime" "$work/"$'\xff' && : >"$work/file"

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
# says STREAM PATTERN: that stream of the last command is exactly one line matching PATTERN, and
# the other stream is empty.
says() {
    local other=stderr
    [ "$1" = stdout ] || other=stdout
    cat "$work/$1" "$work/$other"
    [ "$(wc -l <"$work/$1")" -eq 1 ] && grep -Eq "$2" "$work/$1" && [ ! -s "$work/$other" ]
}
# The options a text names: -x or --xyz after a blank, "[" or "|" (troff's \- read as -).
options() { sed 's/\\-/-/g' | grep -oE '(^|[][ |])--?[a-z][a-z-]*' | tr -d '[]| ' | sort -u; }
same_options() { # same_options PROGRAM PAGE
    diff <("$1" --help | options) <(options <"$pages/$2.1")
}

check "tobble --version without a desktop" gives 0 nodesk "$tobble" --version
check "  prints the version alone" says stdout "^Tobble $version\$"
check "tobble --help without a desktop" gives 0 nodesk "$tobble" --help
check "  prints the usage" grep -q '^Usage: tobble' "$work/stdout"
check "tobble --help and its manual page name the same options" same_options "$tobble" tobble
check "tobble without a desktop ends" gives 1 nodesk "$tobble" -platform offscreen
check "  saying so in one line" says stderr 'tobble: no graphical desktop found'
# A DISPLAY whose X server is gone: Qt's own words about it, then the same kind of ending.
check "tobble with a gone X server ends" gives 1 nodesk DISPLAY=:9876 "$tobble"
check "  with one line of its own last" bash -c "tail -1 '$work/stderr' | grep -q '^tobble: '"

check "tobble-check --version" gives 0 "$checker" --version
check "  prints the version alone" says stdout "^tobble-check $version\$"
check "tobble-check --help and its manual page name the same options" same_options "$checker" \
    tobble-check
check "tobble-check on a folder that does not exist" gives 3 "$checker" "$work/gone"
check "  says so in one line" says stderr "$work/gone does not exist"
check "tobble-check on a file" gives 4 "$checker" --json "$work/file"
check "  says it is not a folder in one line" says stderr "$work/file is not a folder"
check "tobble-check on a folder whose name is not UTF-8" gives 5 "$checker" "$work/"$'\xff'
check "  says why in one line" says stderr 'is not UTF-8 text'
check "tobble-check with an unknown option" gives 64 "$checker" --jsn "$work"
check "tobble-check with two folders" gives 64 "$checker" "$work" "$work"
exit $failed
