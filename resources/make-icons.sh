#!/usr/bin/env bash
# Regenerates the desktop's icons and the 2x pointer from their SVGs:
#   tobble.svg     -> icons/tobble-N.png, N = 16 22 24 32 48 64 128 256 (the menu entry's icon
#                     theme sizes; tobble.svg itself is installed as the scalable one)
#   microphone.svg -> microphone@2x.png (64x64 RGBA, for screens scaled by 2)
#   tobble.svg     -> application-x-tobble-character.svg, the icon of a .tobble character file
#                     (the character on a page), and its icons/application-x-tobble-character-N.png
# The 1x pointer, the window icon and the Windows files come from make-resources.sh.
#
# Needs: rsvg-convert, ImageMagick (convert).
set -euo pipefail

cd "$(dirname "$0")"
mkdir -p icons
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" tobble.svg | convert png:- -strip "PNG32:icons/tobble-$size.png"
done

type=application-x-tobble-character
{
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<!-- A Tobble character file: the character on a page. Made from tobble.svg by make-icons.sh. -->'
    echo '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">'
    echo '  <path d="M5.5 1.5 H20 L26.5 8 V30.5 H5.5 Z" fill="#fff" stroke="#6b7785" stroke-linejoin="round"/>'
    echo '  <path d="M20 1.5 V8 H26.5" fill="#dde3ea" stroke="#6b7785" stroke-linejoin="round"/>'
    echo '  <g transform="translate(6.6 10.2) scale(0.6)">'
    sed -e '1,/<svg /d' -e '/<\/svg>/,$d' -e 's/^/  /' tobble.svg
    echo '  </g>'
    echo '</svg>'
} >"$type.svg"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" "$type.svg" | convert png:- -strip "PNG32:icons/$type-$size.png"
done

rsvg-convert -w 64 -h 64 microphone.svg | convert png:- -strip PNG32:microphone@2x.png
identify icons/*.png microphone@2x.png
