#!/usr/bin/env bash
# Runs a command inside a private desktop: its own X server (Xvfb), a PulseAudio daemon with a
# null sink, and a session bus. Everything started here is stopped again, whatever the command does.
set -uo pipefail

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/run/pulse" "$work/home"
chmod 700 "$work/run" "$work/run/pulse"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" PULSE_RUNTIME_PATH="$work/run/pulse" \
    PULSE_STATE_PATH="$work/state" PULSE_COOKIE="$work/cookie" \
    PULSE_SERVER="unix:$work/run/pulse/native"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$work/display")"

pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --log-target=file:"$work/pulse.log" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/run/pulse/native" \
    -L "module-null-sink sink_name=test rate=48000 channels=2" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl set-default-sink test >/dev/null 2>&1

# dbus-daemon prints the bus address and its pid, one a line; dbus-launch is not on a fresh system.
{ read -r DBUS_SESSION_BUS_ADDRESS && read -r bus_pid; } < <(
    dbus-daemon --session --fork --nosyslog --address="unix:path=$XDG_RUNTIME_DIR/bus" \
        --print-address=1 --print-pid=1) \
    || { echo "with-desktop.sh: could not start dbus-daemon (Debian package dbus-daemon)" >&2; exit 1; }
pids+=("$bus_pid")
export DBUS_SESSION_BUS_ADDRESS

"$@"
