#!/usr/bin/env bash
# "Open Config.ini" starts the editor directly, never through a shell: from a content directory
# whose path holds blanks, quotes, ";", "$(...)" and backquotes, a fake xdg-open first on PATH must
# receive exactly the one argument "config.ini", run in that directory, and nothing in the path
# may run as a command.
# Usage: program-editor-without-shell.sh TOBBLE CHARACTER_DIR   (needs an X display)
set -euo pipefail
program=$1
character=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (run under scripts/with-desktop.sh)"; exit 1; }

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Each payload, if a shell ever ran it, would leave a file named "pwned-*" behind.
content="$work/my \"odd\" 'pack'; touch pwned-semicolon; \$(touch pwned-dollar) \`touch pwned-tick\` & x"
mkdir -p "$content" "$work/bin"
cp "$program" "$content/tobble"
cp "$character"/config.ini "$character"/picture.jpg "$content/"

log=$work/editor.log
cat > "$work/bin/xdg-open" <<FAKE
#!/usr/bin/env python3
import json, os, sys
with open("$log", "w") as out:
    json.dump({"argv": sys.argv[1:], "cwd": os.getcwd()}, out)
FAKE
chmod +x "$work/bin/xdg-open"

(cd "$work" && PATH="$work/bin:$PATH" "$content/tobble") &
pid=$!
window=$(timeout 20 xdotool search --sync --name '^Tobble says hi!$' | head -1)
[ -n "$window" ] || { echo "no window"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.5
xdotool key alt+m
sleep 0.3
xdotool key o
for _ in $(seq 100); do [ -s "$log" ] && break; sleep 0.1; done
[ -s "$log" ] || { echo "the editor was not started"; exit 1; }
sleep 0.5

python3 - "$log" "$content" <<'CHECK'
import json, sys
seen = json.load(open(sys.argv[1]))
expected = {"argv": ["config.ini"], "cwd": sys.argv[2]}
if seen != expected:
    sys.exit(f"editor started as {seen!r}, expected {expected!r}")
print("editor started with exactly ['config.ini'] in the content directory")
CHECK
found=$(find "$work" / -xdev -maxdepth 1 -name 'pwned-*' 2>/dev/null; find "$work" -name 'pwned-*')
if [ -n "$found" ]; then
    echo "a shell ran part of the path: $found"
    exit 1
fi
echo "nothing in the path ran as a command"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
pid=
exit 0
