#!/usr/bin/env bash
# The real program writes no file: with its content directory and HOME watched by inotify, it
# starts (greeting sound missing), speaks, answers, reloads a good and then a broken config.ini, shrinks, and quits; no file
# or directory is created, modified, moved or deleted in either tree.
# Usage: program-writes-nothing.sh TOBBLE CHARACTER_DIR   (needs an X display and inotifywait)
set -euo pipefail
program=$1
character=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (run under scripts/with-desktop.sh)"; exit 1; }

work=$(mktemp -d)
pid=
watcher=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

content=$work/content
home=$work/home
mkdir -p "$content" "$home"
cp "$program" "$content/tobble"
cp "$character"/config.ini "$character"/picture.jpg "$character"/*.wav "$content/"
# Without a greeting sound the start-up plays the desktop's default sound instead: that path
# must not write either.
rm "$content/0.wav"
snapshot() { (cd "$1" && find . -printf '%p %y %s %T@ %m\n' | sort); }
snapshot "$content" > "$work/content.before"
snapshot "$home" > "$work/home.before"

inotifywait -m -r -q -e create,modify,moved_to,moved_from,delete,attrib,close_write \
    --format '%w%f %e' "$content" "$home" > "$work/events" 2>"$work/watch.err" &
watcher=$!
for _ in $(seq 50); do grep -q 'Watches established' "$work/watch.err" 2>/dev/null && break; sleep 0.1; done
sleep 0.3

HOME=$home "$content/tobble" &
pid=$!
window=$(timeout 20 xdotool search --sync --name '^Tobble says hi!$' | head -1)
[ -n "$window" ] || { echo "no window titled from config.ini"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.5

# Click the character, ask a question, repeat the sound, reload, shrink and back.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" 60 80 click 1
sleep 0.3
xdotool type --window "$window" "Will it write?"
xdotool key --window "$window" Return
sleep 0.3
xdotool key --window "$window" F5
xdotool key alt+m; sleep 0.3; xdotool key r; sleep 0.5
xdotool key alt+m; sleep 0.3; xdotool key s; xdotool key Return; sleep 0.3
xdotool key alt+m; sleep 0.3; xdotool key s; xdotool key Return; sleep 0.3

# A broken config.ini: the error box comes up and is dismissed. The test writes the file
# itself, so the watch is paused around that write.
kill "$watcher"; wait "$watcher" 2>/dev/null || true
cp "$content/config.ini" "$work/config.good"
printf 'x\n"Broken"\nx\nabc\n' > "$content/config.ini"
snapshot "$content" > "$work/content.before"
inotifywait -m -r -q -e create,modify,moved_to,moved_from,delete,attrib,close_write \
    --format '%w%f %e' "$content" "$home" >> "$work/events" 2>"$work/watch.err" &
watcher=$!
for _ in $(seq 50); do grep -q 'Watches established' "$work/watch.err" 2>/dev/null && break; sleep 0.1; done
sleep 0.3
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key alt+m; sleep 0.3; xdotool key r
box=$(timeout 10 xdotool search --sync --name '^Error!$' | head -1)
[ -n "$box" ] || { echo "no error box for the broken config.ini"; exit 1; }
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
sleep 0.5

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key ctrl+q || true
timeout 10 tail --pid="$pid" -f /dev/null || { echo "still running after Ctrl+Q"; exit 1; }
wait "$pid" || true
pid=
sleep 0.3
kill "$watcher"; wait "$watcher" 2>/dev/null || true
watcher=

failed=0
if [ -s "$work/events" ]; then
    echo "file system events while the program ran:"; cat "$work/events"; failed=1
fi
if ! diff <(snapshot "$content") "$work/content.before"; then
    echo "the content directory changed"; failed=1
fi
if ! diff <(snapshot "$home") "$work/home.before"; then
    echo "HOME changed"; failed=1
fi
[ $failed -eq 0 ] && echo "nothing written in the content directory or HOME"
exit $failed
