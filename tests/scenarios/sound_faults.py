#!/usr/bin/env python3
"""Sound faults against the real program and a real PulseAudio: the window keeps answering while
the sound server is stopped, sound comes back after the server restarts, an unplayable sound
played a thousand times a second leaks nothing, and a FIFO named like a sound freezes nothing.

Each check runs on its own private desktop (desktop.py). "Answering" means that the window replies
to _NET_WM_PING, the liveness probe window managers use. Prints one line per check and the figures
measured; the exit status is 1 when a check failed.

Usage: sound_faults.py --program path/to/tobble [check ...]
"""
import argparse
import ctypes
import json
import os
import select
import signal
import subprocess
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from content import Character  # noqa: E402
from desktop import Desktop  # noqa: E402
from sound import Listener, read, segments  # noqa: E402
from xlib import Screen, _x11  # noqa: E402

CLIENT_HEIGHT = 330           # the main window's client area, below its menu bar
CHARACTER = (32 + 36, 24 + 60)  # a point of the click area, in client coordinates
LABEL1 = (8, 176)             # the speech label's top-left corner, in client coordinates

# -- _NET_WM_PING through Xlib ------------------------------------------------------------------
CLIENT_MESSAGE = 33
STRUCTURE_NOTIFY_MASK = 1 << 17  # Qt sends its reply to the root with this mask


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


_x11.XInternAtom.restype = ctypes.c_ulong
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
_x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
_x11.XPending.argtypes = [ctypes.c_void_p]
_x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
_x11.XConnectionNumber.argtypes = [ctypes.c_void_p]


class Pinger:
    """Asks a window whether its event loop runs: the reply comes back on the root window."""

    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = _x11.XDefaultRootWindow(self.dpy)
        self.protocols = _x11.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
        self.ping_atom = _x11.XInternAtom(self.dpy, b"_NET_WM_PING", 0)
        _x11.XSelectInput(self.dpy, self.root, STRUCTURE_NOTIFY_MASK)
        _x11.XSync(self.dpy, 0)
        self.fd = _x11.XConnectionNumber(self.dpy)
        self.stamp = 1000

    def close(self):
        _x11.XCloseDisplay(self.dpy)

    def ping(self, window, timeout):
        """Seconds until the window answered, or None if it did not within timeout."""
        self.stamp += 1
        ev = _XEvent()
        ev.xclient.type = CLIENT_MESSAGE
        ev.xclient.window = window
        ev.xclient.message_type = self.protocols
        ev.xclient.format = 32
        ev.xclient.data[0] = self.ping_atom
        ev.xclient.data[1] = self.stamp
        ev.xclient.data[2] = window
        start = time.monotonic()
        _x11.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(ev))
        _x11.XFlush(self.dpy)
        reply = _XEvent()
        while True:
            while _x11.XPending(self.dpy):
                _x11.XNextEvent(self.dpy, ctypes.byref(reply))
                c = reply.xclient
                if (reply.type == CLIENT_MESSAGE and c.message_type == self.protocols
                        and c.data[0] & 0xFFFFFFFF == self.ping_atom
                        and c.data[1] & 0xFFFFFFFF == self.stamp):
                    return time.monotonic() - start
            left = timeout - (time.monotonic() - start)
            if left <= 0:
                return None
            select.select([self.fd], [], [], left)


# -- one program on one desktop -----------------------------------------------------------------
class Run:
    """A private desktop, a character directory and the program started from it."""

    def __init__(self, program, character, prepare=None):
        self.program, self.character, self.prepare = program, character, prepare
        self.proc = None

    def __enter__(self):
        self.desktop = Desktop().__enter__()
        try:
            d = self.desktop
            self.appdir = os.path.join(d.dir, "app")
            self.character.write(self.appdir, self.program)
            if self.prepare:
                self.prepare(self.appdir)
            self.screen = Screen(d.env["DISPLAY"])
            self.pinger = Pinger(d.env["DISPLAY"])
            # The accessibility bus must be up before the program starts, or Qt never joins it.
            d.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                   "/org/a11y/bus", "org.a11y.Bus.GetAddress"])
            self.proc = d.spawn("tobble", [os.path.join(self.appdir, "tobble")],
                                cwd=os.path.join(d.dir, "cwd"))
            self.win = Desktop.wait_for(self.windows, 15, "the main window")[0]
            time.sleep(0.5)
            x, y, _, h = self.geometry()
            self.origin = (x, y + h - CLIENT_HEIGHT)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        try:
            self.resume_server()  # a stopped server would hold up the desktop's own shutdown
            if self.proc and self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait(5)
            for closing in ("screen", "pinger"):
                if hasattr(self, closing):
                    getattr(self, closing).close()
        finally:
            self.desktop.__exit__(*exc)

    def windows(self):
        out = self.desktop.run(["xdotool", "search", "--onlyvisible", "--pid",
                                str(self.proc.pid)], timeout=10).stdout
        return sorted(int(w) for w in out.split())

    def geometry(self):
        out = self.desktop.run(["xwininfo", "-id", str(self.win)]).stdout
        v = {k.strip(): val.strip() for k, val in
             (line.split(":", 1) for line in out.splitlines() if ":" in line)}
        return (int(v["Absolute upper-left X"]), int(v["Absolute upper-left Y"]),
                int(v["Width"]), int(v["Height"]))

    def click_character(self):
        self.screen.click(self.origin[0] + CHARACTER[0], self.origin[1] + CHARACTER[1])

    def ping(self, timeout=1.0):
        return self.pinger.ping(self.win, timeout)

    # -- the sound server -----------------------------------------------------------------------
    def server(self):
        return next(p for name, p in self.desktop.procs
                    if name == "pulseaudio" and p.poll() is None)

    def stop_server(self):
        self.stopped = self.server()
        self.stopped.send_signal(signal.SIGSTOP)

    def resume_server(self):
        if getattr(self, "stopped", None) is not None and self.stopped.poll() is None:
            self.stopped.send_signal(signal.SIGCONT)
        self.stopped = None

    # -- what the program shows and holds -------------------------------------------------------
    def label1(self):
        """The speech label's text as a screen reader reads it, or None if nobody answered."""
        try:
            out = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "atspi_probe.py"),
                                  "Tobble"], env=self.desktop.env, capture_output=True,
                                 text=True, timeout=10).stdout
        except subprocess.TimeoutExpired:
            return None
        nodes = json.loads(out or "[]")
        client = None
        for i, n in enumerate(nodes):  # the frame's first filler is the client area
            if n["role"] == "frame" and n["depth"] == 1:
                client = next((c for c in nodes[i + 1:] if c["depth"] == 2
                               and c["role"] == "filler"), None)
                break
        if client is None:
            return None
        cx, cy = client["extents"][:2]
        for n in nodes:
            ext = n.get("extents")
            if n["role"] == "label" and n["depth"] >= 3 and ext and \
                    (ext[0] - cx, ext[1] - cy) == LABEL1:
                return n["name"]
        return None

    def descriptors(self):
        return len(os.listdir(f"/proc/{self.proc.pid}/fd"))

    def rss_kib(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


# -- the checks ---------------------------------------------------------------------------------
class Results:
    def __init__(self):
        self.failed = 0
        self.figures = []

    def check(self, name, ok, detail=""):
        print(f"  {'PASS' if ok else 'FAIL'}  {name}" + (f"  ({detail})" if detail else ""),
              flush=True)
        if not ok:
            self.failed += 1
        return ok

    def figure(self, text):
        print(f"  figure: {text}", flush=True)
        self.figures.append(text)


def check_stopped_server(program, results):
    """kill -STOP of the sound server: clicks, pings, the menu and the label all go on, and
    Ctrl+Q still ends the program."""
    character = Character()
    with Run(program, character) as r:
        time.sleep(1.0)  # the greeting
        results.check("window answers before the server stops", r.ping(2.0) is not None)
        r.stop_server()
        r.click_character()
        time.sleep(0.3)  # the click handled first: a ping queued behind it would prove nothing
        results.check("a click with the server stopped: the window still answers",
                      r.ping(2.0) is not None)
        label = r.label1()
        results.check("a click with the server stopped: the label shows a line",
                      label in character.lines, repr(label))
        before = set(r.windows())
        try:
            r.desktop.run(["xdotool", "windowactivate", "--sync", str(r.win)], timeout=5)
            r.desktop.run(["xdotool", "key", "alt+m"], timeout=5)
            menu = Desktop.wait_for(lambda: set(r.windows()) - before, 3, "the menu", 0.1)
        except (TimeoutError, subprocess.TimeoutExpired):
            menu = None
        results.check("Alt+M with the server stopped opens the menu", bool(menu))
        if menu:
            r.desktop.run(["xdotool", "key", "Escape"], timeout=5)
        # How long the window goes without answering: click once a second for eight seconds and
        # probe it all the while.
        unanswered, start, next_click = 0.0, time.monotonic(), 0.0
        while time.monotonic() - start < 8.0:
            if time.monotonic() - start >= next_click:
                r.click_character()
                next_click += 1.0
            t = time.monotonic()
            if r.ping(0.5) is None:
                unanswered += time.monotonic() - t
            else:
                time.sleep(0.05)
        results.figure(f"server stopped 8 s, clicked every second: window unanswered "
                       f"{unanswered:.1f} s")
        # A loaded machine may miss the odd half-second probe; a blocked window misses them all.
        results.check("with the server stopped the window keeps answering",
                      unanswered <= 1.0, f"unanswered {unanswered:.1f} s of 8")
        r.resume_server()
        results.check("the server resumes: the window answers", r.ping(3.0) is not None)
        # Quit with a sound under way on a stopped server: the program still ends at once.
        time.sleep(1.0)
        r.stop_server()
        r.click_character()
        time.sleep(0.3)
        try:
            r.desktop.run(["xdotool", "windowactivate", "--sync", str(r.win)], timeout=5)
            r.desktop.run(["xdotool", "key", "ctrl+q"], timeout=5)
            code = r.proc.wait(3)
        except subprocess.TimeoutExpired:
            code = None
        results.check("Ctrl+Q with the server stopped ends the program within 3 s", code == 0,
                      f"exit status {code}")


def check_restarted_server(program, results, limit=5.0, patience=15.0):
    """The sound server is killed and a new one starts on the same socket: sound comes back."""
    with Run(program, Character()) as r:
        time.sleep(1.0)
        server = r.server()
        server.terminate()
        server.wait(5)
        r.click_character()  # a sound while no server runs
        time.sleep(0.5)
        # Same socket, fresh recording; the old one goes first, or the wait for the new recording
        # to grow would be satisfied by the old file.
        os.remove(r.desktop.recording)
        r.desktop._start_pulse()
        listener = Listener(r.desktop.recording, r.desktop.rate, {})
        back = time.monotonic()
        mark = listener.now()
        heard_after = None
        while time.monotonic() - back < patience:
            r.click_character()
            time.sleep(0.4)
            samples = read(r.desktop.recording, mark)
            if segments(samples, r.desktop.rate, min_len_ms=20):
                heard_after = time.monotonic() - back
                break
        results.figure("sound back after the server restarted: " +
                       (f"{heard_after:.1f} s" if heard_after is not None
                        else f"never (waited {patience:.0f} s)"))
        results.check(f"sound comes back within {limit:.0f} s of a server restart",
                      heard_after is not None and heard_after <= limit,
                      "never" if heard_after is None else f"{heard_after:.1f} s")
        clients = r.desktop.run(["pactl", "list", "clients"]).stdout
        results.check("the program is a client of the new server",
                      f'application.process.id = "{r.proc.pid}"' in clients)


def random_bytes(name):
    def prepare(appdir):
        with open(os.path.join(appdir, name), "wb") as f:
            f.write(os.urandom(48000))
    return prepare


def check_unplayable_file(program, results, seconds=30):
    """1.wav of random bytes, auto-play every millisecond: descriptors and memory stay flat."""
    character = Character(lines=1)
    with Run(program, character, random_bytes("1.wav")) as r:
        time.sleep(1.0)
        r.desktop.run(["xdotool", "windowactivate", "--sync", str(r.win)])
        r.desktop.run(["xdotool", "key", "--delay", "60", "alt+m", "s", "s", "Return"])
        r.desktop.run(["xdotool", "key", "--delay", "60", "alt+m", "t"])
        dialog = Desktop.wait_for(lambda: r.desktop.run(
            ["xdotool", "search", "--onlyvisible", "--name", "^Set Auto Play Time$"]
        ).stdout.split(), 10, "the Set Auto Play Time box")[0]
        time.sleep(0.2)
        r.desktop.run(["xdotool", "windowactivate", "--sync", dialog])
        r.desktop.run(["xdotool", "key", "--delay", "60", "ctrl+a", "1", "Return"])
        time.sleep(2.0)
        label = r.label1()
        results.check("auto-play runs (the label shows line 1)", label == character.lines[0],
                      repr(label))
        fds, rss = r.descriptors(), r.rss_kib()
        for _ in range(seconds):
            time.sleep(1.0)
            if r.proc.poll() is not None:
                break
        alive = r.proc.poll() is None
        results.check("the program still runs", alive, f"exit status {r.proc.poll()}")
        if not alive:
            return
        fds2, rss2 = r.descriptors(), r.rss_kib()
        results.figure(f"unplayable 1.wav every ms for {seconds} s: descriptors {fds} -> {fds2}, "
                       f"RSS {rss // 1024} -> {rss2 // 1024} MiB")
        results.check("descriptors stay flat (at most 5 more)", fds2 - fds <= 5, f"{fds} -> {fds2}")
        results.check("memory stays flat (at most 8 MiB more)", rss2 - rss <= 8 * 1024,
                      f"{rss} -> {rss2} KiB")
        results.check("the window answers", r.ping(2.0) is not None)


def check_fifo(program, results):
    """1.wav is a FIFO that nobody writes: a click plays the default sound and freezes nothing."""
    character = Character(lines=1)

    def prepare(appdir):
        os.remove(os.path.join(appdir, "1.wav"))
        os.mkfifo(os.path.join(appdir, "1.wav"))

    with Run(program, character, prepare) as r:
        time.sleep(1.5)
        listener = Listener(r.desktop.recording, r.desktop.rate, character.tones)
        mark = listener.now()
        r.click_character()
        time.sleep(0.3)  # the click handled first: a ping queued behind it would prove nothing
        results.check("a click on a FIFO 1.wav: the window still answers", r.ping(2.0) is not None)
        time.sleep(1.0)
        heard = listener.sounds_since(mark)
        results.check("the default sound plays instead", heard and heard[0][1] is None, heard)
        label = r.label1()
        results.check("the label shows line 1", label == character.lines[0], repr(label))


CHECKS = [
    ("stopped server", check_stopped_server),
    ("restarted server", check_restarted_server),
    ("unplayable file", check_unplayable_file),
    ("fifo", check_fifo),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("only", nargs="*", help="run only checks whose name contains these")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    results = Results()
    for name, run in CHECKS:
        if args.only and not any(o in name for o in args.only):
            continue
        print(f"== {name}", flush=True)
        t0 = time.monotonic()
        try:
            run(program, results)
        except Exception as e:  # noqa: BLE001 - a broken check is one failure, go on
            results.check(f"{name} ran to its end ({type(e).__name__}: {e})", False)
            traceback.print_exc()
        print(f"  ({time.monotonic() - t0:.1f} s)", flush=True)
    for text in results.figures:
        print("figure: " + text)
    print("all passed" if not results.failed else f"{results.failed} failed")
    return 1 if results.failed else 0


if __name__ == "__main__":
    sys.exit(main())
