#!/usr/bin/env bash
# Regenerates Tobble's voice clips (*.wav) from config.ini and the
# picture (picture.jpg) from picture.svg.
#
# Needs: python3, espeak-ng, sox, rsvg-convert, ImageMagick (convert).
# Usage: ./make-character.sh   (run from anywhere)
set -euo pipefail

cd "$(dirname "$0")"

VOICE="${TOBBLE_VOICE:-en-us+m3}"
SPEED="${TOBBLE_SPEED:-175}"
PITCH="${TOBBLE_PITCH:-70}"

# Read config.ini and print "<wav name><TAB><text>" for the greeting,
# every random line and every answer.
list_texts() {
    python3 - config.ini <<'PY'
import sys

def items(text):
    """Split the config into items: separated by commas or line breaks,
    optionally enclosed in double quotes; leading blanks are skipped."""
    out, i, n = [], 0, len(text)
    while i < n:
        # skip blanks and blank lines before an item
        while i < n and text[i] in " \t\r\n":
            i += 1
        if i >= n:
            break
        if text[i] == '"':
            j = text.find('"', i + 1)
            if j < 0:
                j = n
            out.append(text[i + 1:j])
            i = j + 1
            # skip to the next separator
            while i < n and text[i] not in ",\n":
                i += 1
        else:
            j = i
            while j < n and text[j] not in ",\n":
                j += 1
            out.append(text[i:j].strip())
            i = j
        if i < n and text[i] in ",\n":
            i += 1
    return out

with open(sys.argv[1], encoding="utf-8") as f:
    it = items(f.read())

pos = 3                      # skip comment, title, "Lines:"
nlines = int(it[pos]); pos += 1
for k in range(nlines + 1):  # entry 0 is the greeting
    print(f"{k}.wav\t{it[pos]}"); pos += 1
pos += 1                     # "Answers:"
nans = int(it[pos]); pos += 1
for k in range(1, nans + 1):
    print(f"a{k}.wav\t{it[pos]}"); pos += 1
PY
}

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

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

rsvg-convert -w 226 -h 302 -b black picture.svg -o "$tmp/picture.png"
convert "$tmp/picture.png" -background black -alpha remove -alpha off \
    -strip -quality 90 -sampling-factor 4:2:0 picture.jpg
echo "picture.jpg: $(identify -format '%wx%h' picture.jpg)"
