#!/usr/bin/env bash
# Regenerates the window icon and the microphone pointer from their SVGs:
#   tobble.svg     -> tobble.png (32x32 RGBA), tobble.ico (32x32 + 16x16, 8 bpp)
#   microphone.svg -> microphone.png (32x32 RGBA),
#                     microphone.cur (32x32 1 bpp + 32x32 4 bpp, hot spot 16,16)
# The Windows build turns microphone.cur into resources with "write_ico.py cur-rc", which
# lists each image with its real depth (windres's CURSOR statement would list both as 1 bpp).
#
# Needs: rsvg-convert, ImageMagick (convert), python3.
set -euo pipefail

cd "$(dirname "$0")"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# RGBA PNGs for the Linux build
rsvg-convert -w 32 -h 32 tobble.svg -o "$tmp/tobble-32.png"
rsvg-convert -w 16 -h 16 tobble.svg -o "$tmp/tobble-16.png"
rsvg-convert -w 32 -h 32 microphone.svg -o "$tmp/microphone-32.png"
convert "$tmp/tobble-32.png" -strip PNG32:tobble.png
convert "$tmp/microphone-32.png" -strip PNG32:microphone.png

# Icon: hard alpha edge, at most 255 colours, then raw RGBA for the writer
for s in 32 16; do
    convert "$tmp/tobble-$s.png" -channel A -threshold 50% +channel \
        +dither -colors 255 -depth 8 "rgba:$tmp/tobble-$s.rgba"
done
python3 write_ico.py ico tobble.ico \
    "$tmp/tobble-32.rgba:32:8" "$tmp/tobble-16.rgba:16:8"

# Pointer: black/white image first, then the 16-colour one
convert microphone.png -depth 8 "rgba:$tmp/microphone.rgba"
python3 write_ico.py cur microphone.cur 16 16 \
    "$tmp/microphone.rgba:32:1" "$tmp/microphone.rgba:32:4"

icotool -l tobble.ico
icotool -l microphone.cur
