#!/usr/bin/env python3
"""Measures tobble.exe under Wine beside two Win32 floors built from native/win32_floor.cpp: a
plain window, and the same window decoding picture.jpg with GDI+ before it shows. One Wine prefix
and server for the run, on a private X server without a window manager and a PulseAudio null
sink. Reports; never fails on a missed target. Run through run-wine.sh."""
import argparse
import ctypes
import datetime
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
from bench import (CLICKS, SinkClock, click_series, fmt, idle_wakeups, ms, rss_kib,  # noqa: E402
                   summary)
from desktop import Desktop, Screen, _x11  # noqa: E402  (bench put tests/scenarios on the path)
from session import Character, tone  # noqa: E402

STARTS = 15
MAP_NOTIFY, UNMAP_NOTIFY = 19, 18
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
WINE = "/usr/lib/wine/"
FLOORS = {"floor": "Win32 floor", "picture": "Win32 picture floor"}
_x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_void_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]


class TitleWatcher:
    """When a top-level window first shows with a given title: MapNotify from the X server, and
    the names of the mapped windows read every millisecond until one has it."""

    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        _x11.XSelectInput(self.dpy, _x11.XDefaultRootWindow(self.dpy), SUBSTRUCTURE_NOTIFY_MASK)
        _x11.XSync(self.dpy, 0)
        self.fd = _x11.XConnectionNumber(self.dpy)
        self.event = (ctypes.c_long * 24)()
        self.mapped = []  # [(window, when mapped)]

    def drain(self):
        while _x11.XPending(self.dpy):
            _x11.XNextEvent(self.dpy, self.event)
        self.mapped = []

    def name(self, window):
        raw = ctypes.c_void_p()
        if not _x11.XFetchName(self.dpy, window, ctypes.byref(raw)) or not raw.value:
            return None
        text = ctypes.string_at(raw.value).decode("latin-1")
        _x11.XFree(raw)
        return text

    def wait_title(self, title, timeout=20):
        """(first map of any window, window, when it was mapped with that title) or Nones."""
        deadline, first = time.monotonic() + timeout, None
        while time.monotonic() < deadline:
            while _x11.XPending(self.dpy):
                _x11.XNextEvent(self.dpy, self.event)
                kind = ctypes.c_int.from_buffer(self.event).value
                window = self.event[5]  # XMapEvent.window, after type, serial, send_event, ...
                if kind == MAP_NOTIFY:
                    now = time.monotonic()
                    first = first or now
                    self.mapped.append((window, now))
                elif kind == UNMAP_NOTIFY:
                    self.mapped = [(w, t) for w, t in self.mapped if w != window]
            for window, _ in self.mapped:
                if self.name(window) == title:
                    return first, window, time.monotonic()
            select.select([self.fd], [], [], 0.001)
        return first, None, None


class WineBench:
    def __init__(self, desktop, exe, floors, appdir, title):
        self.d, self.appdir, self.title = desktop, appdir, title
        self.wine64 = pe_machine(exe) == b"\x64\x86"
        loader = "wine64" if self.wine64 else "wine"
        self.wine = shutil.which(loader) or WINE + loader
        self.server = shutil.which("wineserver") or WINE + "wineserver"
        self.programs = {"tobble": os.path.join(appdir, "tobble.exe"), **{
            n: os.path.join(appdir, os.path.basename(floors[n])) for n in FLOORS}}
        shutil.copy2(exe, self.programs["tobble"])
        for n in FLOORS:
            shutil.copy2(floors[n], self.programs[n])
        self.titles = {"tobble": title, **FLOORS}
        self.make_prefix()
        self.watcher = TitleWatcher(desktop.env["DISPLAY"])
        self.screen = Screen(desktop.env["DISPLAY"])
        self.clock = SinkClock(desktop)
        time.sleep(0.5)

    def make_prefix(self):
        prefix = os.path.join(self.d.dir, "prefix")
        self.d.env.update(WINEPREFIX=prefix, WINEARCH="win64" if self.wine64 else "win32",
                          WINEDEBUG="-all",
                          WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        quiet = {k: v for k, v in self.d.env.items() if k != "DISPLAY"}
        subprocess.run([self.wine, "wineboot", "-i"], env=quiet, capture_output=True, timeout=300)
        subprocess.run([self.server, "-w"], env=quiet, timeout=300)
        fonts = os.path.join(prefix, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for font in os.listdir("/usr/share/wine/fonts"):  # Wine does not find them otherwise
            shutil.copy(os.path.join("/usr/share/wine/fonts", font), fonts)
        # Without a window manager Wine's windows must be its own, or each close stalls.
        self.wine_run("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N",
                      "/f")
        # One server for the whole run, as on a desktop where Wine is already running.
        self.d.spawn("wineserver", [self.server, "-f", "-p"])
        self.wine_run("wineboot")

    def wine_run(self, *argv):  # not through pipes: services it starts would hold them open
        subprocess.run([self.wine, *argv], env=self.d.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def start(self, name):
        self.watcher.drain()
        t0 = time.monotonic()
        proc = self.d.spawn(name, [self.wine, self.programs[name]], cwd=self.appdir)
        mapped, window, titled = self.watcher.wait_title(self.titles[name])
        return proc, t0, mapped, window, titled

    def stop(self, proc):
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()

    def startups(self):
        """Each program started in turn, STARTS times: {name: (to map, to title, to sound)}."""
        results = {n: ([], [], []) for n in self.programs}
        for name in self.programs:  # the first start of each loads its DLLs into the cache
            proc, *_ = self.start(name)
            time.sleep(1.0)
            self.stop(proc)
        for _ in range(STARTS):
            for name in self.programs:
                proc, t0, mapped, _, titled = self.start(name)
                to_map, to_title, to_sound = results[name]
                to_map.append(ms(mapped - t0) if mapped else None)
                to_title.append(ms(titled - t0) if titled else None)
                if name == "tobble":
                    heard = self.clock.first_sound_after(t0, timeout=3.0)
                    to_sound.append(ms(heard - t0) if heard else None)
                time.sleep(0.3)
                self.stop(proc)
                time.sleep(0.6 if name == "tobble" else 0.2)  # the greeting ends
        return results

    def client(self, window):  # Tobble's black client area, 145 x 330, at the window's bottom
        geo = self.d.run(["xwininfo", "-id", str(window)]).stdout
        v = {k.strip(): x.strip() for k, _, x in (ln.partition(":") for ln in geo.splitlines())}
        x, y = int(v["Absolute upper-left X"]), int(v["Absolute upper-left Y"])
        w, h = int(v["Width"]), int(v["Height"])
        p = self.screen.region(x, y, w, h)
        bottom = next(j for j in range(h - 1, -1, -1) if p(w // 2, j) == (0, 0, 0))
        left = next(i for i in range(w) if p(i, bottom) == (0, 0, 0))
        return x + left, y + bottom - 329

    def clicks(self):
        proc, _, _, window, _ = self.start("tobble")
        try:
            time.sleep(1.5)
            x, y = self.client(window)
            return click_series(self.screen, self.clock, x, y, 0.4)
        finally:
            self.stop(proc)

    def idle(self, name, other_window):
        proc, _, _, window, _ = self.start(name)
        try:
            time.sleep(2.0)
            result = idle_wakeups(self.d, proc.pid, window, other_window)
            result["rss"] = rss_kib(proc.pid) / 1024  # the loader, become wine64-preloader
            return result
        finally:
            self.stop(proc)


def pe_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    pe = int.from_bytes(head[0x3C:0x40], "little")
    return head[pe + 4:pe + 6]


def table(b, starts, clicks, idle):
    def mmm(x):
        return "-" if x is None else f"{x[0]:.1f} ({x[1]:.1f}..{x[2]:.1f})"

    title = {n: summary(starts[n][1]) for n in starts}
    mapped = {n: summary(starts[n][0]) for n in starts}
    ratio = title["tobble"] and title["picture"] and title["tobble"][0] / title["picture"][0]
    r, s, f = (summary(v) for v in clicks)
    bits = 64 if b.wine64 else 32
    return "\n".join([
        f"Tobble under {bits}-bit Wine ({b.d.run([b.wine, '--version']).stdout.strip()}), "
        f"{datetime.datetime.now():%Y-%m-%d %H:%M}, {os.cpu_count()} CPUs, Xvfb without a window "
        "manager, PulseAudio null sink",
        "",
        f"{'measure':46} {'tobble.exe':>22} {'picture floor':>22} {'window floor':>22} "
        f"{'ratio':>6}  target",
        f"{'start to window with its title, ms, of ' + str(STARTS):46} {mmm(title['tobble']):>22} "
        f"{mmm(title['picture']):>22} {mmm(title['floor']):>22} {fmt(ratio, 2):>6}  "
        f"<= 1.1 x picture floor: {'met' if ratio and ratio <= 1.1 else 'MISSED'}",
        f"{'start to first window mapped, ms':46} {mmm(mapped['tobble']):>22} "
        f"{mmm(mapped['picture']):>22} {mmm(mapped['floor']):>22}",
        f"{'start to first greeting sample, ms':46} {mmm(summary(starts['tobble'][2])):>22}",
        f"{'click to first red pixel, ms, of ' + str(CLICKS):46} {mmm(r):>22}",
        f"{'click to first sound sample, ms':46} {mmm(s):>22}",
        f"{'flash length (red to black on screen), ms':46} {mmm(f):>22} {'':>22} {'':>22} "
        f"{'':>6}  100 +- 15: {'met' if f and abs(f[0] - 100) <= 15 else 'MISSED'}",
        f"{'idle RSS of the process, MiB':46} " + " ".join(
            f"{fmt(idle[n]['rss']):>22}" for n in ("tobble", "picture", "floor")),
        f"{'idle wake-ups/s, focused (10 s)':46} " + " ".join(
            f"{fmt(idle[n]['focused']):>22}" for n in ("tobble", "picture", "floor")),
        f"{'idle wake-ups/s, unfocused (10 s)':46} " + " ".join(
            f"{fmt(idle[n]['unfocused']):>22}" for n in ("tobble", "picture", "floor")),
        "",
        "Each start is a new process on a Wine server kept running (wineserver -p), the programs "
        "started in turn; the first start of each is not counted.",
        "A window counts once it is mapped and its X name is the title (Tobble's: config.ini's).",
        "RSS is the process's own (the Wine loader, /proc/<pid>/status); wake-ups are context "
        "switches of all its threads; the Wine server's and explorer.exe's are not counted.",
        "Sound times are taken on the null sink monitor's clock, as bench.py takes them.",
    ])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True, help="tobble.exe")
    parser.add_argument("--floor", required=True, help="the plain Win32 window floor")
    parser.add_argument("--picture-floor", required=True, help="the floor that decodes the picture")
    parser.add_argument("--save", action="store_true", help="also write the table to results/")
    parser.add_argument("--starts-only", action="store_true", help="measure only the start-ups")
    args = parser.parse_args()
    if pe_machine(args.program) != b"\x64\x86" and subprocess.run(
            ["sh", "-c", WINE + "wineserver32 --version"], capture_output=True).returncode:
        sys.exit("this machine runs no 32-bit code: build the mingw64 preset and its floors")
    with Desktop(window_manager=False) as d:
        appdir = tempfile.mkdtemp(dir=d.dir, prefix="app ")
        character = Character()
        character.write(appdir)
        for name, hz in character.tones.items():  # short sounds: clicks follow each other fast
            tone(os.path.join(appdir, name), hz, 0.15)
        b = WineBench(d, args.program, {"floor": args.floor, "picture": args.picture_floor},
                      appdir, character.title)
        try:
            starts = b.startups()
            if args.starts_only:
                for n, (_, titled, _) in starts.items():
                    print(n, summary(titled))
                return
            clicks = b.clicks()
            other, _, _, other_window, _ = b.start("floor")
            idle = {n: b.idle(n, other_window) for n in ("tobble", "picture", "floor")}
            b.stop(other)
        finally:
            d.run([b.server, "-k"])
    text = table(b, starts, clicks, idle)
    print(text)
    if args.save:
        path = os.path.join(HERE, "results", f"{datetime.datetime.now():%Y%m%d-%H%M%S}-wine.txt")
        with open(path, "w") as out:
            out.write(text + "\n")
        print(f"written to {path}")


if __name__ == "__main__":
    main()
