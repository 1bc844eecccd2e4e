#!/usr/bin/env python3
"""The real program as a person starts it: from a character folder, by name, with stray
arguments, on a desktop that has both Wayland and X, on a scaled screen.

Each check starts its own X server (and window manager or Wayland compositor where it needs one),
so the checks can run side by side. Usage: program.py --program PATH CHECK
"""
import argparse
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

BUNDLED_TITLE = None  # read from the bundled config.ini beside the program


def wait_for(predicate, timeout, what, interval=0.05):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError(f"timed out after {timeout} s waiting for {what}")


def title_in(config_ini):
    """The window title a config.ini gives: its second item (the files here quote every item)."""
    with open(config_ini, encoding="utf-8", errors="replace") as f:
        items = [line.strip().strip('"') for line in f if line.strip()]
    return items[1]


class Desktop:
    """A private X server, optionally with openbox, and the processes started on it."""

    def __init__(self, work, window_manager=False):
        self.work = work
        self.procs = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR"):
            self.env.pop(name, None)
        runtime = os.path.join(work, "run")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self._start_x()
        if window_manager:
            self.spawn(["openbox", "--sm-disable"])
            wait_for(lambda: "window id" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10, "openbox")

    def _start_x(self):
        read, write = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                    "-nolisten", "tcp"], pass_fds=(write,))
        os.close(write)
        data = b""
        end = time.monotonic() + 10
        while not data.endswith(b"\n") and time.monotonic() < end:
            chunk = os.read(read, 16)
            if not chunk:
                break
            data += chunk
        os.close(read)
        if not data.strip():
            raise AssertionError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + data.decode().strip()

    def spawn(self, argv, env=None, **kw):
        proc = subprocess.Popen(argv, env=env or self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, **kw)
        self.procs.append(proc)
        return proc

    def run(self, argv, env=None, timeout=20):
        return subprocess.run(argv, env=env or self.env, capture_output=True, text=True,
                              timeout=timeout)

    def window_of(self, proc, timeout=20, env=None):
        """The visible top-level X window of a process."""
        def find():
            if proc.poll() is not None:
                raise AssertionError(f"the program ended with status {proc.returncode}")
            out = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)],
                           env=env).stdout.split()
            return out[0] if out else None
        return wait_for(find, timeout, "the program's window")

    def title(self, window, env=None):
        return self.run(["xdotool", "getwindowname", window], env=env).stdout.strip()

    def stop(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.procs = []


def make_character(folder, title):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "config.ini"), "w", encoding="utf-8") as f:
        f.write(f'"A character of its own"\n"{title}"\n"Lines:"\n1\n"Hello from the folder"\n'
                '"One line"\n"Answers:"\n1\n"Yes"\n')
    subprocess.run(["convert", "-size", "40x60", "xc:green", os.path.join(folder, "picture.jpg")],
                   check=True)


class Checks:
    def __init__(self, program, work):
        self.program = os.path.abspath(program)
        self.bundled_title = title_in(os.path.join(os.path.dirname(self.program), "config.ini"))
        self.work = work
        self.failures = []
        self.passed = 0

    def check(self, what, ok, detail=""):
        print(("ok   " if ok else "FAIL ") + what + ("" if ok else f": {detail}"), flush=True)
        if ok:
            self.passed += 1
        else:
            self.failures.append(what)

    def title_when_started(self, desktop, argv, cwd=None, env=None):
        proc = desktop.spawn(argv, cwd=cwd, env=env)
        try:
            return desktop.title(desktop.window_of(proc, env=env), env=env)
        finally:
            proc.terminate()
            proc.wait(10)

    def character_folder(self):
        """A folder with its own files and a link named tobble runs its own character; the same
        link found by bare name through PATH runs the bundled one."""
        desktop = Desktop(self.work)
        try:
            folder = os.path.join(self.work, "Ziggy")
            make_character(folder, "Ziggy from its folder")
            os.symlink(self.program, os.path.join(folder, "tobble"))
            title = self.title_when_started(desktop, [os.path.join(folder, "tobble")])
            self.check("started by its path, the link runs the folder's character",
                       title == "Ziggy from its folder", f"window title {title!r}")

            title = self.title_when_started(desktop, ["./tobble"], cwd=folder)
            self.check("started as ./tobble inside the folder, it runs the folder's character",
                       title == "Ziggy from its folder", f"window title {title!r}")

            # A path through a linked folder: the folder's own path is resolved.
            shortcut = os.path.join(self.work, "shortcut")
            os.symlink(folder, shortcut)
            title = self.title_when_started(desktop, [os.path.join(shortcut, "tobble")])
            self.check("started through a link to the folder, it runs the folder's character",
                       title == "Ziggy from its folder", f"window title {title!r}")

            env = dict(desktop.env, PATH=folder + os.pathsep + desktop.env.get("PATH", ""))
            title = self.title_when_started(desktop, ["tobble"], cwd=self.work, env=env)
            self.check("started by bare name through PATH, it runs the bundled character",
                       title == self.bundled_title,
                       f"window title {title!r}, bundled {self.bundled_title!r}")
        finally:
            desktop.stop()

    def no_command_line(self):
        """Qt's own options change nothing: the window is not mirrored, not moved to another
        platform, and keeps the title from config.ini."""
        desktop = Desktop(self.work)
        try:
            proc = desktop.spawn([self.program, "-reverse", "-platform", "offscreen",
                                  "-qwindowtitle", "Not from config.ini", "-style", "fusion"])
            window = desktop.window_of(proc)
            title = desktop.title(window)
            self.check("stray arguments leave the window title from config.ini",
                       title == self.bundled_title, f"window title {title!r}")
            # "Ask Tobble:" is left-aligned in its 129-pixel-wide label at x = 8, y = 288 of the
            # 330-pixel-high client area under the menu bar: its white text must start near the
            # left edge (mirrored, it would start near the right). The question box below it is
            # white too, so only the label's first 15 rows are read.
            time.sleep(0.5)
            height = int(dict(line.split("=") for line in desktop.run(
                ["xdotool", "getwindowgeometry", "--shell", window]).stdout.split())["HEIGHT"])
            columns = white_columns(desktop, window, 0, height - 330 + 288, 145, 15)
            self.check("\"Ask Tobble:\" is drawn from the left, not mirrored",
                       bool(columns) and min(columns) < 20 and max(columns) < 110,
                       f"white text in columns {columns[:1]}..{columns[-1:]}")
        finally:
            desktop.stop()

    def wayland(self):
        """With a Wayland compositor and an X server both present, the program runs as an X
        window, so that it can stay above the others; with a Qt platform chosen, it keeps it."""
        if not shutil.which("weston"):
            self.check("weston is installed (Debian package weston)", False, "not found")
            return
        desktop = Desktop(self.work, window_manager=True)
        weston = None
        try:
            weston_env = dict(desktop.env)
            weston_env.pop("DISPLAY", None)
            socket = "tobble-test-%d" % os.getpid()
            log = os.path.join(self.work, "weston.log")
            weston = desktop.spawn(["weston", "--backend=headless-backend.so", "--socket=" + socket,
                                    "--idle-time=0", "--xwayland", "--log=" + log], env=weston_env)

            def xwayland_display():
                if not os.path.exists(log):
                    return None
                with open(log, errors="replace") as f:
                    for line in f:
                        if "xserver listening on display" in line:
                            return line.rsplit(" ", 1)[1].strip()
                return None
            xwayland = wait_for(xwayland_display, 15, "weston's Xwayland display")
            wait_for(lambda: os.path.exists(os.path.join(desktop.env["XDG_RUNTIME_DIR"], socket)),
                     10, "weston's socket")
            env = dict(desktop.env, WAYLAND_DISPLAY=socket, XDG_SESSION_TYPE="wayland")

            # A Wayland desktop with its own Xwayland: the window is an X window there. (Weston's
            # X window manager keeps no window above; GNOME's does.)
            on_xwayland = dict(env, DISPLAY=xwayland)
            proc = desktop.spawn([self.program], env=on_xwayland)
            try:
                window = desktop.window_of(proc, timeout=30, env=on_xwayland)
                wm_class = desktop.run(["xprop", "-id", window, "WM_CLASS"],
                                       env=on_xwayland).stdout
                self.check("on weston with Xwayland, the window is an X window on Xwayland",
                           '"tobble", "Tobble"' in wm_class, wm_class.strip())
            finally:
                proc.terminate()
                proc.wait(10)

            # The same desktop seen through an X server with a window manager that keeps
            # windows above (openbox): the window is kept above.

            proc = desktop.spawn([self.program], env=env)
            try:
                window = desktop.window_of(proc, env=env)
                state = desktop.run(["xprop", "-id", window, "_NET_WM_STATE"], env=env).stdout
                self.check("on Wayland with an X server, the window is an X window kept above",
                           "_NET_WM_STATE_ABOVE" in state, state.strip())
            finally:
                proc.terminate()
                proc.wait(10)

            chosen = dict(env, QT_QPA_PLATFORM="wayland")
            proc = desktop.spawn([self.program], env=chosen)
            try:
                time.sleep(2)
                windows = desktop.run(["xdotool", "search", "--onlyvisible", "--pid",
                                       str(proc.pid)], env=env).stdout.split()
                self.check("a Qt platform chosen by the person is kept (native Wayland)",
                           proc.poll() is None and not windows,
                           f"running: {proc.poll() is None}, X windows: {windows}")
            finally:
                proc.terminate()
                proc.wait(10)

            native = dict(env)
            native.pop("DISPLAY")
            proc = desktop.spawn([self.program], env=native)
            try:
                time.sleep(2)
                self.check("without an X server it starts natively on Wayland and keeps running",
                           proc.poll() is None, f"ended with status {proc.returncode}")
            finally:
                proc.terminate()
                proc.wait(10)
        finally:
            desktop.stop()

    def window(self):
        """The frame, title bar included, is centred on the screen, and there is no maximize
        button on a window whose size is fixed."""
        desktop = Desktop(self.work, window_manager=True)
        try:
            proc = desktop.spawn([self.program])
            window = desktop.window_of(proc)

            def framed():
                extents = desktop.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"]).stdout
                return extents if "=" in extents else None
            extents = [int(v) for v in wait_for(framed, 10, "the frame").split("=")[1].split(",")]
            left, right, top, bottom = extents

            def geometry():
                out = desktop.run(["xwininfo", "-id", window]).stdout
                values = {}
                for line in out.splitlines():
                    key, _, value = line.strip().partition(":")
                    values[key] = value.strip()
                return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                        int(values["Width"]), int(values["Height"]))

            def frame_centre():
                x, y, w, h = geometry()
                return (x - left + (left + w + right) / 2, y - top + (top + h + bottom) / 2)
            # The frame is placed once the window manager has told its size.
            try:
                centre = wait_for(lambda: (lambda c: c if abs(c[1] - 384) <= 1 else None)(
                    frame_centre()), 5, "the frame to be centred")
            except AssertionError:
                centre = frame_centre()
            self.check("the frame, title bar included, is centred on the 1024x768 screen",
                       abs(centre[0] - 512) <= 1 and abs(centre[1] - 384) <= 1,
                       f"frame centre {centre}, frame extents {extents}")

            # The window itself asks for no maximize button (Motif hints: flags, functions,
            # decorations; function 0x10 and decoration 0x40 are maximize), whatever a window
            # manager would make of a fixed size by itself.
            hints = desktop.run(["xprop", "-id", window, "_MOTIF_WM_HINTS"]).stdout
            values = [int(v, 0) for v in hints.split("=")[1].split(",")] if "=" in hints else []
            self.check("the window asks for no maximize button, but for close and minimize",
                       len(values) >= 3 and values[0] & 3 == 3 and not values[1] & 0x11
                       and values[1] & 0x28 == 0x28 and not values[2] & 0x41,
                       hints.strip())
            actions = desktop.run(["xprop", "-id", window, "_NET_WM_ALLOWED_ACTIONS"]).stdout
            self.check("the window manager offers no maximize",
                       "MAXIMIZE" not in actions and "_NET_WM_ACTION_CLOSE" in actions,
                       actions.strip())
        finally:
            desktop.stop()

    def pointer(self):
        """Over the character the pointer is the microphone at 32 x 32 window units: 32 pixels
        on a plain screen, 64 drawn from the 2x image on a screen scaled by 2, hot spot in the
        middle."""
        for scale in (1, 2):
            desktop = Desktop(self.work)
            try:
                env = dict(desktop.env, QT_SCALE_FACTOR=str(scale))
                proc = desktop.spawn([self.program], env=env)
                window = desktop.window_of(proc)
                geometry = desktop.run(["xdotool", "getwindowgeometry", "--shell", window]).stdout
                where = dict(line.split("=") for line in geometry.split())
                # The middle of the click area (32 + 73 / 2, 24 + 121 / 2 in window units).
                x = int(where["X"]) + 68 * scale
                y = int(where["Y"]) + 84 * scale
                desktop.run(["xdotool", "mousemove", str(x), str(y)])
                image = wait_for(lambda: (lambda c: c if c[0] > 24 else None)(
                    cursor_image(desktop.env["DISPLAY"])), 5, "the microphone pointer")
                size = 32 * scale
                self.check(f"at scale {scale} the pointer is {size}x{size} with its hot spot in "
                           "the middle",
                           image == (size, size, size // 2, size // 2),
                           f"width, height, hot spot: {image}")
            finally:
                desktop.stop()


def white_columns(desktop, window, x, y, w, h):
    """Columns of a window rectangle that hold white pixels (ImageMagick reads the window)."""
    shot = desktop.run(["import", "-window", window, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                        "-depth", "8", "txt:-"])
    columns = set()
    for line in shot.stdout.splitlines()[1:]:
        position, _, rest = line.partition(":")
        if "#FFFFFF" in rest.upper():
            columns.add(int(position.split(",")[0]))
    return sorted(columns)


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def cursor_image(display):
    """(width, height, hot x, hot y) of the pointer now shown: screenshots never contain it."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise AssertionError(f"cannot open display {display}")
    try:
        image = xfixes.XFixesGetCursorImage(dpy)
        if not image:
            return None
        c = image.contents
        result = (c.width, c.height, c.xhot, c.yhot)
        x11.XFree(image)
        return result
    finally:
        x11.XCloseDisplay(dpy)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("check", choices=["character_folder", "no_command_line", "wayland",
                                          "window", "pointer"])
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="tobble-install-")
    try:
        checks = Checks(args.program, work)
        try:
            getattr(checks, args.check)()
        except AssertionError as error:
            checks.check(args.check, False, str(error))
        print(f"{checks.passed} passed, {len(checks.failures)} failed")
        return 1 if checks.failures else 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
