#!/usr/bin/env python3
"""Sound faults against the Linux program and a real PulseAudio, as scenario sessions: a
stopped sound server freezes nothing, sound comes back after a server restart, broken sound files
played every millisecond leak nothing. "Answering": the window replies to _NET_WM_PING.
Usage: sound_faults.py linux PROGRAM"""
import os
import signal
import sys
import time

sys.dont_write_bytecode = True  # keep the source tree clean
import scenarios  # noqa: E402
from scenarios import AUTO_SMACK, CHARACTER, until  # noqa: E402

LINE_SOUNDS = ("1.wav", "2.wav", "3.wav", "4.wav")


def answers(s, timeout=2.0):
    return s.screen.ping(s.win, timeout) is not None


def started(s):
    s.launch()
    s.find_client()
    s.check("the window answers", answers(s))


def click_answers(s, what):
    s.click(*CHARACTER)
    time.sleep(0.3)  # the click handled first: a ping queued behind it would prove nothing
    s.check(f"{what}: the window still answers", answers(s))
    label = s.driver.label(s)
    s.check(f"{what}: the label shows a line", label in s.ch.lines, repr(label))


def stopped_server(s):
    """kill -STOP of the sound server: clicks, pings, the menu and the label all go on, and
    Ctrl+Q still ends the program."""
    started(s)
    pa = next(p for name, p in reversed(s.procs) if name == "pulseaudio")
    pa.send_signal(signal.SIGSTOP)
    try:
        click_answers(s, "a click with the server stopped")
        own = lambda: set(s.run(["xdotool", "search", "--onlyvisible", "--pid",  # noqa: E731
                                 str(s.proc.pid)]).stdout.split())
        before = own()
        s.key("alt+m")
        s.check("Alt+M with the server stopped opens the menu", until(lambda: own() - before, 3))
        s.key("Escape")
        # Clicked once a second for eight seconds and probed all the while. A loaded machine
        # may miss the odd half-second probe; a blocked window misses them all.
        unanswered, start, clicks = 0.0, time.monotonic(), 0
        while time.monotonic() - start < 8.0:
            if time.monotonic() - start >= clicks:
                s.click(*CHARACTER)
                clicks += 1
            t = time.monotonic()
            unanswered += 0 if answers(s, 0.5) else time.monotonic() - t
            time.sleep(0.05)
        s.check("with the server stopped and a click a second the window keeps answering",
                unanswered <= 1.0, f"unanswered {unanswered:.1f} s of 8")
        pa.send_signal(signal.SIGCONT)
        s.check("the server resumes: the window answers", answers(s, 3.0))
        time.sleep(1.0)
        pa.send_signal(signal.SIGSTOP)  # and quits with a sound under way on a stopped server
        s.click(*CHARACTER)
        time.sleep(0.3)
        s.quit("Ctrl+Q with the server stopped ends the program", "ctrl+q")
    finally:
        pa.send_signal(signal.SIGCONT)


def restarted_server(s, limit=5.0):
    """The sound server is killed and a new one starts on the same socket: sound comes back."""
    started(s)
    pa = next(p for name, p in reversed(s.procs) if name == "pulseaudio")
    pa.terminate()
    pa.wait(5)
    s.click(*CHARACTER)  # a sound while no server runs
    time.sleep(0.5)
    os.remove(s.recording)  # or the wait for the new recording to grow is met at once
    s.start_pulse()
    back, mark = time.monotonic(), s.listener.now()
    heard = until(lambda: s.click(*CHARACTER) or time.sleep(0.4) or s.listener.sounds_since(
        mark), 15)
    after = time.monotonic() - back
    s.check(f"sound comes back within {limit:.0f} s of a server restart",
            heard and after <= limit, f"after {after:.1f} s" if heard else "not within 15 s")
    s.check("the program is a client of the new server", f'application.process.id = '
            f'"{s.proc.pid}"' in s.run(["pactl", "list", "clients"]).stdout)


def usage(s):
    with open(f"/proc/{s.proc.pid}/status") as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))
    return len(os.listdir(f"/proc/{s.proc.pid}/fd")), rss


def unplayable_files(s, seconds=30):
    """Line sounds of random bytes and FIFOs nobody writes: a click plays the default sound and
    freezes nothing; auto-played every millisecond, descriptors and memory stay flat."""
    for name in LINE_SOUNDS[:2]:
        with open(os.path.join(s.appdir, name), "wb") as f:
            f.write(os.urandom(48000))
    for name in LINE_SOUNDS[2:]:
        os.mkfifo(os.path.join(s.appdir, name))
    started(s)
    s.key(*AUTO_SMACK)
    scenarios.set_time(s, "1")
    time.sleep(2.0)
    label = s.driver.label(s)
    s.check("auto-play runs (the label shows a line)", label in s.ch.lines, repr(label))
    (fds, rss), start = usage(s), time.monotonic()
    while time.monotonic() - start < seconds and s.proc.poll() is None:
        time.sleep(1.0)
    s.require("the program still runs", s.proc.poll() is None, f"exit status {s.proc.poll()}")
    fds2, rss2 = usage(s)
    s.check(f"{seconds} s of it: descriptors stay flat (at most 5 more)", fds2 - fds <= 5,
            f"{fds} -> {fds2}")
    if not os.environ.get("TOBBLE_SANITIZED"):  # a sanitizer holds freed memory back
        s.check(f"{seconds} s of it: memory stays flat (at most 8 MiB more)",
                rss2 - rss <= 8192, f"{rss} -> {rss2} KiB")
    s.key(*AUTO_SMACK)
    for _ in range(2):  # most likely a line of each kind
        heard = s.sounds_after(lambda: click_answers(s, "a click on a broken sound"))
        s.check("the default sound plays instead", heard and heard[0][1] is None, heard)


scenarios.SESSIONS = [  # the suite's own runner, with these sessions
    ("stopped sound server", stopped_server, {}),
    ("restarted sound server", restarted_server, {}),
    ("unplayable sound files", unplayable_files, {"omit": LINE_SOUNDS}),
]

if __name__ == "__main__":
    sys.exit(scenarios.main())
