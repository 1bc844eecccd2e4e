#!/usr/bin/env bash
# Regenerates the desktop's icons and the 2x pointer from their SVGs:
#   tobble.svg     -> icons/tobble-N.png, N = 16 22 24 32 48 64 128 256 (the menu entry's icon
#                     theme sizes; tobble.svg itself is installed as the scalable one)
#   microphone.svg -> microphone@2x.png (64x64 RGBA, for screens scaled by 2)
# The 1x pointer, the window icon and the Windows files come from make-resources.sh.
#
# Needs: rsvg-convert, ImageMagick (convert).
set -euo pipefail

cd "$(dirname "$0")"
mkdir -p icons
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" tobble.svg | convert png:- -strip "PNG32:icons/tobble-$size.png"
done
rsvg-convert -w 64 -h 64 microphone.svg | convert png:- -strip PNG32:microphone@2x.png
identify icons/*.png microphone@2x.png
