#!/usr/bin/env python3
"""program.py PROGRAM: started from a character folder and with stray arguments; its frame and
pointer."""
import contextlib
import ctypes
import ctypes.util
import os
import pathlib
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "scenarios"))
from desktop import Desktop, wait_for  # noqa: E402

failures = []


def check(what, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else f": {detail}"), flush=True)
    failures.extend([] if ok else [what])


def out(env, *argv):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=20).stdout


@contextlib.contextmanager
def started(d, argv, env=None, cwd=None):
    env = env or d.env
    proc = d.spawn("program", argv, env=env, cwd=cwd or d.dir)

    def find():
        assert proc.poll() is None, f"the program ended with status {proc.returncode}"
        return out(env, "xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).split()
    try:
        yield wait_for(find, 30, "the program's window")[0]
    finally:
        proc.terminate()
        proc.wait(10)


def character_folders(d, program, bundled):
    # A folder with its own files and a link to the program holds a character of its own.
    folder = os.path.join(d.dir, "Ziggy")
    os.mkdir(folder)
    shutil.copy(os.path.join(os.path.dirname(program), "picture.jpg"), folder)
    config = pathlib.Path(os.path.dirname(program), "config.ini").read_bytes()
    pathlib.Path(folder, "config.ini").write_bytes(
        config.replace(bundled.encode(), b"Ziggy from its folder", 1))
    os.symlink(program, os.path.join(folder, "tobble"))
    for how, argv, cwd, want in (
            ("as ./tobble in the folder", ["./tobble"], folder, "Ziggy from its folder"),
            ("with Qt's own options, which it ignores",
             [program, "-platform", "offscreen", "-qwindowtitle", "Not it"], None, bundled)):
        with started(d, argv, cwd=cwd) as win:
            shown = out(d.env, "xdotool", "getwindowname", win).strip()
        check(f"started {how}, it shows {want!r}", shown == want, repr(shown))


class CursorImage(ctypes.Structure):
    _fields_ = [(f, ctypes.c_short) for f in "xy"] + [
        (f, ctypes.c_ushort) for f in ("width", "height", "xhot", "yhot")]


def frame_offset(d, win):
    # Twice the distance from the frame's centre to the screen's; and the window's height.
    v = dict(ln.strip().partition(":")[::2] for ln in out(d.env, "xwininfo", "-id", win).splitlines())
    x, y, w, h = (int(v[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                                      "Height"))
    e = out(d.env, "xprop", "-id", win, "_NET_FRAME_EXTENTS").partition("=")[2]
    left, right, top, bottom = map(int, e.split(",")) if "," in e else (99, 0, 99, 0)
    return 2 * x - left + w + right - 1024, 2 * y - top + h + bottom - 768, h


def frame_and_pointer(d, program):
    # The frame, title bar included, is centred; the pointer over the character is 32 x 32
    # window units, hot spot in the middle, drawn from the 2x image at scale 2.
    x11, xfixes = (ctypes.CDLL(ctypes.util.find_library(n)) for n in ("X11", "Xfixes"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(d.env["DISPLAY"].encode())

    def pointer():
        c = xfixes.XFixesGetCursorImage(dpy).contents
        return (c.width, c.height, c.xhot, c.yhot) if c.width > 24 else None
    for scale in (1, 2):
        with started(d, [program], dict(d.env, QT_SCALE_FACTOR=str(scale))) as win:
            with contextlib.suppress(TimeoutError):  # placed once the frame's size is known
                wait_for(lambda: max(map(abs, frame_offset(d, win)[:2])) <= 2, 5, "centring")
            off = frame_offset(d, win)
            if scale == 1:  # a scaled frame may lie a rounding off
                check("the frame is centred", max(map(abs, off[:2])) <= 2, off)
            out(d.env, "xdotool", "mousemove", "--window", win, str(68 * scale),
                str(off[2] - 246 * scale))  # the click area's middle
            with contextlib.suppress(TimeoutError):
                wait_for(pointer, 5, "the microphone pointer")
            n = 32 * scale
            check(f"at scale {scale} the pointer is {n}x{n}, hot spot in the middle",
                  pointer() == (n, n, n // 2, n // 2), pointer())
            out(d.env, "xdotool", "mousemove", "0", "0")


def main():
    program = os.path.abspath(sys.argv[1])
    with open(os.path.join(os.path.dirname(program), "config.ini"), errors="replace") as f:
        bundled = [ln.strip().strip('"') for ln in f if ln.strip()][1]  # the title item
    with Desktop() as d:
        for run, args in ((character_folders, (bundled,)), (frame_and_pointer, ())):
            try:
                run(d, program, *args)
            except Exception as e:  # noqa: BLE001 - a broken check is one failure, go on
                check(f"{run.__name__} ran to its end", False, f"{type(e).__name__}: {e}")
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
