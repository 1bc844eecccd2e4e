#!/usr/bin/env bash
# Regenerates Tobble's voice clips (*.wav) from config.ini and the
# picture (picture.jpg) from picture.svg.
#
# Needs: python3, espeak-ng, sox, rsvg-convert, ImageMagick (convert), and tobble-check built.
# Usage: ./make-character.sh   (run from anywhere)
set -euo pipefail

cd "$(dirname "$0")"

VOICE="${TOBBLE_VOICE:-en-us+m3}"
SPEED="${TOBBLE_SPEED:-175}"
PITCH="${TOBBLE_PITCH:-70}"

# The checker reads config.ini exactly as Tobble does; built beside the program.
CHECK="${TOBBLE_CHECK:-../build/bin/tobble-check}"
if [ ! -x "$CHECK" ]; then
    echo "make-character.sh: build tobble-check first (cmake --build --preset default)," \
        "or name it in TOBBLE_CHECK" >&2
    exit 1
fi

# Prints "<wav name><TAB><text>" for the greeting, every random line and every answer, as Tobble
# reads them (the checker's exit status says only whether the sounds are there yet).
list_texts() {
    { "$CHECK" --json . || [ $? -eq 1 ]; } | python3 -c '
import json, sys
report = json.load(sys.stdin)
if report["error"]:
    sys.exit("config.ini does not load: " + report["error"]["message"])
for item in [report["greeting"]] + report["lines"] + report["answers"]:
    print(item["sound"]["file"] + "\t" + " ".join(item["text"].split()))
'
}

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# The picture first: Tobble reads config.ini only once its picture has loaded.
rsvg-convert -w 226 -h 302 -b black picture.svg -o "$tmp/picture.png"
convert "$tmp/picture.png" -background black -alpha remove -alpha off \
    -strip -quality 90 -sampling-factor 4:2:0 picture.jpg
echo "picture.jpg: $(identify -format '%wx%h' picture.jpg)"

rm -f ./*.wav
list_texts > "$tmp/texts.tsv"
while IFS=$'\t' read -r name text; do
    espeak-ng -v "$VOICE" -s "$SPEED" -p "$PITCH" -w "$tmp/raw.wav" -- "$text"
    # 22050 Hz mono 16-bit; trim leading silence so speech starts at once,
    # shorten long pauses between sentences and drop the trailing silence
    sox "$tmp/raw.wav" -r 22050 -c 1 -b 16 -e signed-integer "$name" \
        silence -l 1 0.02 0.5% -1 0.15 0.5% reverse silence 1 0.02 0.5% reverse
    echo "$name: $text"
done < "$tmp/texts.tsv"

