#!/usr/bin/env bash
# The real program on a real X display: started from a copy beside test content, its window shows
# the title from config.ini, and Ctrl+Q ends it with exit code 0.
set -euo pipefail
program=$1
[ -n "${DISPLAY:-}" ] || { echo "smoke: needs an X display (run under scripts/with-desktop.sh)"; exit 1; }

dir=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT

cp "$program" "$dir/tobble"
printf '"Smoke"\n"Smoke test title"\n"Lines"\n1\n"Hello"\n"One"\n"Answers"\n1\n"Yes"\n' > "$dir/config.ini"
convert -size 40x60 xc:blue "$dir/picture.jpg"

"$dir/tobble" &
pid=$!
window=$(timeout 20 xdotool search --sync --name '^Smoke test title$' | head -1)
[ -n "$window" ] || { echo "smoke: no window titled 'Smoke test title'"; exit 1; }
echo "smoke: window $window is up"

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+q || true  # the window may be gone before the key is released
status=0
timeout 10 tail --pid="$pid" -f /dev/null || { echo "smoke: still running after Ctrl+Q"; exit 1; }
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "smoke: exit code $status"; exit 1; }
echo "smoke: Ctrl+Q ended it with exit code 0"
