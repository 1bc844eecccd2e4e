#!/usr/bin/env bash
# `cmake --install` into a staging folder, as a package build does: the program and its character
# together, the links, the menu entry, the icons and the AppStream file, each checked with the
# desktop's own validators; then the installed program, started by name, runs its character.
# Usage: install-layout.sh BUILD_DIR CHARACTER_SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
character=$(cd "$2" && pwd)

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() { # check WHAT COMMAND...
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "ok   $what"
        passed=$((passed + 1))
    else
        echo "FAIL $what"
        sed 's/^/     /' "$work/out" | head -20
        failed=$((failed + 1))
    fi
}

stage() { # stage DESTDIR PREFIX
    DESTDIR=$1 cmake --install "$build" --prefix "$2" >"$work/install.log" 2>&1 \
        || { cat "$work/install.log"; return 1; }
}

root=$work/root
check "cmake --install stages into a DESTDIR" stage "$root" /usr

lib=$root/usr/lib/tobble
same_files() {
    local file status=0
    for file in "$character"/config.ini "$character"/picture.jpg "$character"/*.wav; do
        cmp "$file" "$lib/$(basename "$file")" || status=1
    done
    return $status
}
check "the program is installed in lib/tobble" test -x "$lib/tobble"
check "the bundled character is installed beside it, unchanged" same_files

relative_link() {
    local target
    target=$(readlink "$root/usr/bin/tobble") || return 1
    echo "bin/tobble -> $target"
    [[ "$target" != /* ]] && [ "$(readlink -f "$root/usr/bin/tobble")" = "$(readlink -f "$lib/tobble")" ]
}
check "bin/tobble is a relative link to the program" relative_link
check "tobble-check is installed in bin" test -x "$root/usr/bin/tobble-check"
manual_pages() {
    local page
    for page in tobble tobble-check; do
        gzip -dc "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH ${page^^} 1" || return 1
    done
}
check "manual pages for tobble and tobble-check" manual_pages

desktop=$root/usr/share/applications/tobble.desktop
check "tobble.desktop passes desktop-file-validate" desktop-file-validate "$desktop"
exec_line() { # exec_line DESKTOP_FILE EXPECTED_EXEC
    local line
    line=$(sed -n 's/^Exec=//p' "$1")
    echo "Exec=$line"
    [ "$line" = "$2" ]
}
check "the menu entry starts the installed program by its full path" \
    exec_line "$desktop" /usr/lib/tobble/tobble
check "the menu entry's icon is the application id" grep -qx 'Icon=tobble' "$desktop"

icon_sizes() {
    local size status=0 file
    for size in 16 22 24 32 48 64 128 256; do
        file=$root/usr/share/icons/hicolor/${size}x${size}/apps/tobble.png
        [ "$(identify -format '%wx%h' "$file" 2>&1)" = "${size}x${size}" ] \
            || { echo "$file: not a ${size}x${size} picture"; status=1; }
    done
    return $status
}
check "hicolor icons at 16, 22, 24, 32, 48, 64, 128 and 256 pixels" icon_sizes
check "a scalable hicolor icon" grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/tobble.svg"

metainfo=$root/usr/share/metainfo/tobble.metainfo.xml
# The id is a plain name, like the desktop file's: the project owns no domain to build a reverse
# one from, so that one advice is taken as a note; anything else fails.
check "the AppStream file passes appstreamcli validate" \
    appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info "$metainfo"
check "the AppStream file launches tobble.desktop" \
    grep -q '<launchable type="desktop-id">tobble.desktop</launchable>' "$metainfo"

# The menu entry names the program where it is finally installed, whatever the prefix.
check "cmake --install with another prefix" stage "$work/other" /opt/tobble
check "that prefix's menu entry starts that prefix's program" \
    exec_line "$work/other/opt/tobble/share/applications/tobble.desktop" /opt/tobble/lib/tobble/tobble

started_by_name() {
    local title window
    cd "$work" || return 1
    PATH="$root/usr/bin:$PATH" tobble &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" | head -1)
    [ -n "$window" ] || { echo "no window"; return 1; }
    title=$(xdotool getwindowname "$window")
    kill "$pid"
    wait "$pid" 2>/dev/null
    pid=
    echo "window title: $title"
    [ "$title" = "$(sed -n '2s/^"\(.*\)"\r\{0,1\}$/\1/p' "$character/config.ini")" ]
}
if [ -n "${DISPLAY:-}" ]; then
    check "the installed program, started as tobble, shows the bundled character" started_by_name
else
    echo "skip the installed program's window: no X display (run under scripts/with-desktop.sh)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
