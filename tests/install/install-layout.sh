#!/usr/bin/env bash
# install-layout.sh BUILD_DIR CHARACTER_DIR: what `cmake --install` stages, as a package build does.
# The package stage validates the menu entry and AppStream file and, in CI, starts the program.
set -uo pipefail
build=$1 character=$2
source "$(dirname "$0")/checks.sh"
stage() { DESTDIR=$1 cmake --install "$build" --prefix "$2"; }
check "cmake --install stages into a DESTDIR" stage "$work/root" /usr
usr=$work/root/usr
lib=$usr/lib/tobble
for file in "$character"/config.ini "$character"/picture.jpg "$character"/*.wav; do
    check "the bundled $(basename "$file") is beside it, unchanged" cmp "$file" "$lib/${file##*/}"
done
check "tobble-check is installed in bin" test -x "$usr/bin/tobble-check"
for page in tobble tobble-check; do
    check "manual page of $page" grep -q "^\.TH ${page^^} 1" <(gzip -dc "$usr/share/man/man1/$page.1.gz")
done
check "the copyright file says MIT (Expat) for every file" grep -Pzq \
    'Files: \*\nCopyright: [^\n]+\nLicense: Expat\n\nLicense: Expat\n Permission is hereby granted' \
    "$usr/share/doc/tobble/copyright"
check "the menu entry's icon is the application id" grep -qx Icon=tobble \
    "$usr/share/applications/tobble.desktop"
for size in 16 22 24 32 48 64 128 256; do
    check "a ${size}x$size hicolor icon" test "$(identify -format %wx%h \
        "$usr/share/icons/hicolor/${size}x$size/apps/tobble.png")" = "${size}x$size"
done
check "a scalable hicolor icon" grep -q '<svg' "$usr/share/icons/hicolor/scalable/apps/tobble.svg"
# A .tobble file is a character file to the desktop, with its own icon, opened by the menu entry.
type=application-x-tobble-character
for size in 16 22 24 32 48 64 128 256; do
    check "a ${size}x$size icon of a character file" test "$(identify -format %wx%h \
        "$usr/share/icons/hicolor/${size}x$size/mimetypes/$type.png")" = "${size}x$size"
done
check "a scalable icon of a character file" grep -q '<svg' \
    "$usr/share/icons/hicolor/scalable/mimetypes/$type.svg"
# What a desktop makes of a .tobble file once Debian's triggers have updated its databases: the
# program installed where its menu entry says, only the system's own file types besides.
check "cmake --install straight into a prefix" cmake --install "$build" --prefix "$work/direct"
data=$work/direct/share
cp /usr/share/mime/packages/freedesktop.org.xml "$data/mime/packages/"
check "the MIME database takes the character file type" update-mime-database "$data/mime"
check "the menu entry's types are indexed" update-desktop-database "$data/applications"
as_desktop() { XDG_DATA_HOME="$data" XDG_DATA_DIRS="$data" "$@" 2>/dev/null; }
(cd "$character" && zip -q "$work/My character.tobble" config.ini)
check "a .tobble file is a Tobble character" test "$(as_desktop gio info -a \
    standard::content-type "$work/My character.tobble" | sed -n 's/^ *standard::content-type: //p')" \
    = application/x-tobble-character
check "  a kind of ZIP archive" grep -qx 'application/x-tobble-character application/zip' \
    "$data/mime/subclasses"
check "  that the menu entry opens" grep -q 'application/x-tobble-character.*: tobble.desktop$' \
    <(as_desktop gio mime application/x-tobble-character)
check "the AppStream file launches tobble.desktop" grep -q \
    '<launchable type="desktop-id">tobble.desktop</launchable>' "$usr/share/metainfo/tobble.metainfo.xml"
# The menu entry names the program where it is finally installed, whatever the prefix.
check "cmake --install with another prefix" stage "$work/other" /opt/tobble
check "that prefix's menu entry starts that prefix's program" grep -x \
    "Exec=/opt/tobble/lib/tobble/tobble %f" "$work/other/opt/tobble/share/applications/tobble.desktop"
exit $failed
