#!/usr/bin/env python3
"""The program as a person starts it: from a character folder, by name, with stray arguments,
on a desktop that has both Wayland and X; its frame and its pointer on a scaled screen. All on
one private desktop (tests/scenarios/desktop.py).

Usage: program.py PROGRAM
"""
import contextlib
import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "scenarios"))
from desktop import Desktop, Screen, _x11, wait_for  # noqa: E402
from scenarios import Character  # noqa: E402

failures = []


def check(what, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else f": {detail}"), flush=True)
    if not ok:
        failures.append(what)


def out(env, *argv):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=20).stdout


def windows(env, proc):
    return out(env, "xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).split()


@contextlib.contextmanager
def started(d, argv, env=None, cwd=None, window=True):
    """The program running on the desktop, and its X window (found by its process)."""
    env = env or d.env
    proc = d.spawn("program", argv, env=env, cwd=cwd or d.dir)

    def find():
        if proc.poll() is not None:
            raise AssertionError(f"the program ended with status {proc.returncode}")
        return windows(env, proc)
    try:
        yield proc, wait_for(find, 30, "the program's window")[0] if window else None
    finally:
        proc.terminate()
        proc.wait(10)


def geometry(env, win):
    v = {k.strip(): x for k, _, x in (ln.partition(":") for ln in out(env, "xwininfo", "-id",
                                                                          win).splitlines())}
    return [int(v[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                "Height")]


def prop(env, win, name):
    return out(env, "xprop", "-id", win, name).strip()


def character_folder(d, s, program, bundled):
    """A folder with its own files and a link named tobble runs its own character, however the
    link is reached; the link found by bare name through PATH runs the bundled one."""
    folder = os.path.join(d.dir, "Ziggy")
    Character(title="Ziggy from its folder", words=("one",)).write(folder)
    os.symlink(program, os.path.join(folder, "tobble"))
    os.symlink(folder, os.path.join(d.dir, "shortcut"))
    on_path = dict(d.env, PATH=folder + os.pathsep + d.env["PATH"])
    for how, argv, cwd, env, want in (
            ("by its path", [os.path.join(folder, "tobble")], None, None, "folder's"),
            ("as ./tobble in the folder", ["./tobble"], folder, None, "folder's"),
            ("through a linked folder", [os.path.join(d.dir, "shortcut", "tobble")], None, None,
             "folder's"),
            ("by bare name through PATH", ["tobble"], None, on_path, "bundled")):
        with started(d, argv, env, cwd) as (_, win):
            title = out(d.env, "xdotool", "getwindowname", win).strip()
        check(f"started {how}, it runs the {want} character",
              title == ("Ziggy from its folder" if want == "folder's" else bundled), repr(title))


def no_command_line(d, s, program, bundled):
    """Qt's own options change nothing: not the title, the platform or the direction."""
    with started(d, [program, "-reverse", "-platform", "offscreen", "-qwindowtitle",
                     "Not from config.ini", "-style", "fusion"]) as (_, win):
        title = out(d.env, "xdotool", "getwindowname", win).strip()
        check("stray arguments leave the title from config.ini", title == bundled, repr(title))
        # "Ask Tobble:" is left-aligned in its label at 8, 288 of the 330-pixel-high client
        # area: mirrored, its white text would start near the right. Only the label's first 15
        # rows are read, as the question box below is white too.
        time.sleep(0.5)
        x, y, _, h = geometry(d.env, win)
        p = s.region(x, y + h - 330 + 288, 145, 15)
        cols = sorted({i for i in range(145) for j in range(15) if p(i, j) == (255, 255, 255)})
        check('"Ask Tobble:" is drawn from the left, not mirrored',
              cols and cols[0] < 20 and cols[-1] < 110, f"white in columns {cols[:1]}..{cols[-1:]}")


def wayland(d, s, program, bundled):
    """With Wayland and X both present the program runs as an X window, so that it can stay
    above the others; a Qt platform the person chose is kept."""
    log, sock = os.path.join(d.dir, "weston.log"), f"tobble-test-{os.getpid()}"
    d.spawn("weston", ["weston", "--backend=headless-backend.so", "--socket=" + sock,
                       "--idle-time=0", "--xwayland", "--log=" + log],
            env={k: v for k, v in d.env.items() if k != "DISPLAY"})

    def xwayland():
        lines = open(log, errors="replace").readlines() if os.path.exists(log) else []
        return next((ln.rsplit(" ", 1)[1].strip() for ln in lines
                     if "xserver listening on display" in ln), None)
    on_xwayland = dict(d.env, WAYLAND_DISPLAY=sock, XDG_SESSION_TYPE="wayland",
                       DISPLAY=wait_for(xwayland, 15, "weston's Xwayland"))
    both = dict(on_xwayland, DISPLAY=d.env["DISPLAY"])
    # Weston's own X window manager keeps no window above, so that is asked of openbox's.
    with started(d, [program], on_xwayland) as (_, win):
        wm_class = prop(on_xwayland, win, "WM_CLASS")
    check("on weston, the window is an X window on Xwayland", '"tobble", "Tobble"' in wm_class,
          wm_class)
    with started(d, [program], both) as (_, win):
        state = prop(both, win, "_NET_WM_STATE")
    check("on Wayland with an X server, the window is an X window kept above",
          "_NET_WM_STATE_ABOVE" in state, state)
    for what, env in (("a Qt platform chosen by the person is kept (native Wayland)",
                       dict(both, QT_QPA_PLATFORM="wayland")),
                      ("without an X server it runs natively on Wayland",
                       {k: v for k, v in both.items() if k != "DISPLAY"})):
        with started(d, [program], env, window=False) as (proc, _):
            time.sleep(2)
            xwins = windows(both, proc)
            check(what, proc.poll() is None and not xwins,
                  f"status {proc.poll()}, X windows {xwins}")


def window(d, s, program, bundled):
    """The frame, title bar included, is centred; a window of fixed size has no maximize."""
    with started(d, [program]) as (_, win):
        extents = wait_for(lambda: "=" in prop(d.env, win, "_NET_FRAME_EXTENTS") and
                           prop(d.env, win, "_NET_FRAME_EXTENTS"), 10, "the frame")
        left, right, top, bottom = [int(v) for v in extents.split("=")[1].split(",")]

        def centre():
            x, y, w, h = geometry(d.env, win)
            return x - left + (left + w + right) / 2, y - top + (top + h + bottom) / 2
        try:  # placed once the window manager has told the frame's size
            wait_for(lambda: abs(centre()[1] - 384) <= 1, 5, "the frame to be centred")
        except TimeoutError:
            pass
        c = centre()
        check("the frame is centred on the 1024x768 screen",
              abs(c[0] - 512) <= 1 and abs(c[1] - 384) <= 1, f"centre {c}, extents {extents}")
        # Motif hints: flags, functions, decorations; function 0x10 and decoration 0x40 are
        # maximize, functions 0x08 and 0x20 minimize and close.
        hints = prop(d.env, win, "_MOTIF_WM_HINTS")
        v = [int(x, 0) for x in hints.split("=")[1].split(",")] if "=" in hints else []
        check("the window asks for no maximize button, but for close and minimize",
              len(v) >= 3 and v[0] & 3 == 3 and not v[1] & 0x11 and v[1] & 0x28 == 0x28
              and not v[2] & 0x41, hints)
        actions = prop(d.env, win, "_NET_WM_ALLOWED_ACTIONS")
        check("the window manager offers no maximize",
              "MAXIMIZE" not in actions and "_NET_WM_ACTION_CLOSE" in actions, actions)


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort)]


_xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
_xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
_xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]


def pointer(d, s, program, bundled):
    """Over the character the pointer is the microphone at 32 x 32 window units, drawn from the
    2x image on a screen scaled by 2, hot spot in the middle. Screenshots never show it."""
    for scale in (1, 2):
        with started(d, [program], dict(d.env, QT_SCALE_FACTOR=str(scale))) as (_, win):
            x, y, w, h = geometry(d.env, win)
            s.move(x + 68 * scale, y + h - 330 * scale + 84 * scale)  # the click area's middle

            def image():
                img = _xfixes.XFixesGetCursorImage(s.dpy)
                c = img.contents
                got = c.width > 24 and (c.width, c.height, c.xhot, c.yhot)
                _x11.XFree(img)
                return got
            try:
                got = wait_for(image, 5, "the microphone pointer")
            except TimeoutError:
                got = None
            n = 32 * scale
            check(f"at scale {scale} the pointer is {n}x{n} with its hot spot in the middle",
                  got == (n, n, n // 2, n // 2), f"width, height, hot spot: {got}")
            s.move(0, 0)


def main():
    program = os.path.abspath(sys.argv[1])
    with open(os.path.join(os.path.dirname(program), "config.ini"), errors="replace") as f:
        bundled = [ln.strip().strip('"') for ln in f if ln.strip()][1]  # the title item
    with Desktop() as d:
        s = Screen(d.env["DISPLAY"])
        for run in (character_folder, no_command_line, wayland, window, pointer):
            print(f"== {run.__name__}", flush=True)
            if run is wayland and not shutil.which("weston"):
                check("weston is installed (Debian package weston)", False, "not found")
                continue
            try:
                run(d, s, program, bundled)
            except Exception as e:  # noqa: BLE001 - a broken check is one failure, go on
                check(f"{run.__name__} ran to its end", False, f"{type(e).__name__}: {e}")
                traceback.print_exc()
        s.close()
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
