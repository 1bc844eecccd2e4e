#!/usr/bin/env python3
"""End-to-end tests of the real program: a private X screen, window manager and sound server per
scenario, driven with real clicks and keys, checked by pixels, window properties, the
accessibility tree and the sound that reaches the (null) speakers.

Usage: e2e.py --program path/to/tobble [scenario ...]
"""
import argparse
import json
import os
import subprocess
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from content import Character, LEFT_RGB, RIGHT_RGB  # noqa: E402
from desktop import Desktop  # noqa: E402
from sound import Listener  # noqa: E402
from xlib import Screen  # noqa: E402

ERROR_PREFIX = "Error opening the config.ini file!  Exact error was:  "
MENU_ITEMS = ["Say What?", "Shrink", "Auto Smack", "Set Time", "Reload Config.ini",
              "Open Config.ini", "About", "Quit"]
SOUND_RETRIES = 2


def system_python():
    """pyatspi comes with Debian's own Python, which may not be the first python3 on PATH."""
    for candidate in ("/usr/bin/python3", sys.executable):
        if os.path.exists(candidate) and subprocess.run(
                [candidate, "-c", "import pyatspi"], capture_output=True).returncode == 0:
            return candidate
    return None


class CheckFailed(Exception):
    pass


class Results:
    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.retries = []

    def record(self, scenario, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        print(f"  {'PASS' if ok else 'FAIL'}  {name}" + (f"  ({detail})" if detail else ""),
              flush=True)
        return ok


def close(a, b, tolerance=40):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class Session:
    """One scenario: its desktop, its content directory and the program running from it."""

    def __init__(self, name, program, results, python, character=None, omit=()):
        self.name, self.results, self.python = name, results, python
        self.character = character or Character()
        self.omit = omit
        self.program = program
        self.proc = None
        self.win = None

    def __enter__(self):
        self.desktop = Desktop().__enter__()
        try:
            d = self.desktop
            self.appdir = os.path.join(d.dir, "app")
            self.cwd = os.path.join(d.dir, "cwd")
            self.character.write(self.appdir, self.program, self.omit)
            self.screen = Screen(d.env["DISPLAY"])
            self.listener = Listener(d.recording, d.rate, self.character.tones)
            # The accessibility bus must be up before the program starts, or Qt never joins it.
            d.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                   "/org/a11y/bus", "org.a11y.Bus.GetAddress"])
            self.before = self.snapshot()
        except BaseException:
            self.desktop.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        try:
            self.stop_program()
            self.screen.close()
        finally:
            self.desktop.__exit__(*exc)

    # -- checks -----------------------------------------------------------------------------
    def check(self, name, ok, detail=""):
        return self.results.record(self.name, name, bool(ok), detail)

    def require(self, name, ok, detail=""):
        if not self.check(name, ok, detail):
            raise CheckFailed(name)

    # -- the program ------------------------------------------------------------------------
    def start_program(self):
        self.stop_program()
        self.stderr = open(os.path.join(self.desktop.dir, "tobble.log"), "a")
        self.proc = self.desktop.spawn("tobble", [os.path.join(self.appdir, "tobble")],
                                       cwd=self.cwd, stderr=self.stderr)
        self.win = None
        self.win = self.wait_window(lambda: self.windows_of_program(), 15, "the main window")[0]
        return self.proc

    def stop_program(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)

    def windows_of_program(self, name=None):
        argv = ["xdotool", "search", "--onlyvisible", "--pid", str(self.proc.pid)]
        if name is not None:
            argv[2:2] = ["--all"]
            argv += ["--name", name]  # a flag: the pattern is the last argument
        return sorted(int(w) for w in self.desktop.run(argv).stdout.split())

    def wait_window(self, finder, timeout, what):
        return Desktop.wait_for(finder, timeout, what, 0.05)

    def title(self, win=None):
        return self.desktop.run(["xdotool", "getwindowname", str(win or self.win)]).stdout.rstrip("\n")

    def geometry(self, win=None):
        out = self.desktop.run(["xwininfo", "-id", str(win or self.win)]).stdout
        values = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":")[1])
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"],
                values["Width"], values["Height"])

    def key(self, *keys, win=None):
        target = win or self.win
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(target)])
        self.desktop.run(["xdotool", "key", "--delay", "60", *keys])

    def type_text(self, text):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(self.win)])
        self.desktop.run(["xdotool", "type", "--delay", "20", text])

    # -- what a screen reader sees ----------------------------------------------------------
    def tree(self):
        out = subprocess.run([self.python, os.path.join(HERE, "atspi_probe.py"), "Tobble"],
                             env=self.desktop.env, capture_output=True, text=True, timeout=30)
        return json.loads(out.stdout or "[]")

    def client(self, nodes=None):
        """The main window's client area (the frame's first filler), and its children."""
        nodes = nodes if nodes is not None else self.tree()
        for i, n in enumerate(nodes):
            if n["role"] == "frame" and n["depth"] == 1:
                for child in nodes[i + 1:]:
                    if child["depth"] <= 1:
                        break
                    if child["depth"] == 2 and child["role"] == "filler":
                        return child
        return None

    def client_origin(self):
        c = self.client()
        if c is None:
            raise CheckFailed("the client area is not in the accessibility tree")
        return c["extents"][0], c["extents"][1]

    def at_client(self, nodes, x, y, role=None):
        """The accessible object whose top-left corner lies at client coordinates (x, y)."""
        c = self.client(nodes)
        for n in nodes:
            ext = n.get("extents")
            if ext and ext[0] - c["extents"][0] == x and ext[1] - c["extents"][1] == y \
                    and n["depth"] >= 3 and (role is None or n["role"] == role):
                return n
        return None

    def label1(self, nodes=None):
        nodes = nodes if nodes is not None else self.tree()
        n = self.at_client(nodes, 8, 176, "label")
        return None if n is None else n["name"]

    def question_box(self, nodes=None):
        nodes = nodes if nodes is not None else self.tree()
        return next((n for n in nodes if n["role"] == "text" and n["depth"] >= 3), None)

    def dialog_texts(self, title):
        """Texts shown by the program's dialog with this title."""
        nodes = self.tree()
        texts, inside = [], False
        for n in nodes:
            if n["depth"] == 1:
                inside = n["role"] in ("dialog", "alert") and n["name"] == title
            elif inside:
                texts.append(n.get("text") or n["name"])
        return texts

    # -- pixels -----------------------------------------------------------------------------
    def client_pixel(self, x, y):
        ox, oy = self.origin
        return self.screen.pixel(ox + x, oy + y)

    def wait_colour(self, x, y, rgb, timeout):
        """Seconds until the client pixel turns rgb, or None."""
        ox, oy = self.origin
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            if close(self.screen.pixel(ox + x, oy + y), rgb, 30):
                return time.monotonic() - start
            time.sleep(0.002)
        return None

    def click_client(self, x, y):
        ox, oy = self.origin
        self.screen.click(ox + x, oy + y)

    # -- sound ------------------------------------------------------------------------------
    def wait_quiet(self, timeout=3):
        try:
            Desktop.wait_for(self.listener.is_quiet, timeout, "silence", 0.05)
        except TimeoutError:
            pass

    def sounds_after(self, action, listen=1.2):
        """Runs action and returns the sounds heard within `listen` seconds after it."""
        self.wait_quiet()
        mark = self.listener.now()
        action()
        time.sleep(listen)
        return self.listener.sounds_since(mark)

    def expect_sound(self, what, action, accept, listen=1.2, then=None):
        """Runs action, expects one sound whose name satisfies accept(name); retries the whole
        action up to twice when the check fails. `then(name)` may add checks on the result and
        returns a failure text or None. Returns the name heard."""
        detail = ""
        for attempt in range(SOUND_RETRIES + 1):
            heard = self.sounds_after(action, listen)
            name = heard[0][1] if heard else None
            if heard and accept(name):
                extra = then(name) if then else None
                if not extra:
                    if attempt:
                        self.results.retries.append(f"{self.name}: {what} ({attempt})")
                    self.check(what, True, f"heard {name or 'another sound'}"
                               + (f", after {attempt} retries" if attempt else ""))
                    return name
                detail = extra
            else:
                detail = "heard " + (", ".join(f"{n or 'unknown'}@{t:.2f}s" for t, n, _ in heard)
                                     or "nothing")
            print(f"    retrying {what}: {detail}", flush=True)
        self.check(what, False, detail)
        return None

    # -- files ------------------------------------------------------------------------------
    def snapshot(self):
        """Every file and directory under the program's directory, its working directory and
        the session's home, with size and modification time."""
        found = {}
        for root in (self.appdir, self.cwd, os.path.join(self.desktop.dir, "home")):
            for dirpath, dirnames, filenames in os.walk(root):
                for entry in dirnames + filenames:
                    path = os.path.join(dirpath, entry)
                    st = os.lstat(path)
                    found[path] = (st.st_size, st.st_mtime_ns)
        return found

    def check_nothing_written(self):
        after = self.snapshot()
        changed = sorted(p for p in set(after) | set(self.before)
                         if after.get(p) != self.before.get(p))
        self.check("nothing written in the program's, working or home directory", not changed,
                   ", ".join(changed[:5]))

    def check_exits(self, what, action):
        action()
        try:
            code = self.proc.wait(5)
            self.check(what, code == 0, f"exit code {code}")
        except subprocess.TimeoutExpired:
            self.check(what, False, "still running 5 s later")


# ----------------------------------------------------------------------------------------------
# Scenarios
# ----------------------------------------------------------------------------------------------

def line_texts_match(s, name):
    shown = s.label1()
    want = s.character.text_of(name)
    return None if shown == want else f"label shows {shown!r}, sound was {name} ({want!r})"


def scenario_startup_and_talking(s):
    """Start-up, layout, accessibility, a click on the character, a click beside it, a question
    and Say What?; then the window is closed."""
    ch = s.character
    s.expect_sound("start-up plays 0.wav", s.start_program, lambda n: n == "0.wav", listen=1.5)
    s.require("window title is config.ini's", s.title() == ch.title, repr(s.title()))
    state = s.desktop.run(["xprop", "-id", str(s.win), "_NET_WM_STATE"]).stdout
    s.check("window asks to stay above others", "_NET_WM_STATE_ABOVE" in state, state.strip())

    nodes = s.tree()
    c = s.client(nodes)
    s.require("client area is exposed to accessibility", c is not None)
    s.origin = (c["extents"][0], c["extents"][1])
    s.check("client area is 145x330", c["extents"][2:] == [145, 330], c["extents"])
    x, y, w, h = s.geometry()
    s.check("window is as wide as its client area", w == 145, (x, y, w, h))
    s.check("client area lies at the window's bottom", (x, y + h) == (s.origin[0], s.origin[1] + 330),
            f"window {(x, y, w, h)}, client {s.origin}")
    s.check("greeting shown in the speech label", s.label1(nodes) == ch.greeting,
            repr(s.label1(nodes)))
    want = {(16, 16, 113, 151): "picture box", (8, 176, 129, 97): "speech label",
            (8, 304, 129, 19): "question box", (32, 24, 73, 121): "click area",
            (8, 288, 129, 17): "caption"}
    cx, cy = s.origin
    placed = {(n["extents"][0] - cx, n["extents"][1] - cy, *n["extents"][2:])
              for n in nodes if n.get("extents") and n["depth"] >= 3}
    for rect, what in want.items():
        s.check(f"{what} at {rect[:2]} size {rect[2]}x{rect[3]}", rect in placed)
    names = [n["name"] for n in nodes if n["role"] == "label"]
    s.check("caption \"Ask Tobble:\" is readable", "Ask Tobble:" in names, names)
    box = s.question_box(nodes)
    s.check("question box is named \"Ask Tobble:\", empty and focused",
            box and box["name"] == "Ask Tobble:" and box.get("text") == "" and box["focused"],
            box)
    items = [n["name"] for n in nodes if n["role"] == "menu item"]
    s.check("menu \"Menu\" with its eight items", items == ["Menu"] + MENU_ITEMS, items)

    # Pixels: black background, the picture stretched over the whole box, white text.
    s.check("background is black", all(close(s.client_pixel(px, py), (0, 0, 0), 8)
                                       for px, py in ((3, 3), (140, 3), (3, 170), (140, 280))))
    s.check("picture fills its box, stretched",
            close(s.client_pixel(18, 18), LEFT_RGB) and close(s.client_pixel(18, 164), LEFT_RGB)
            and close(s.client_pixel(126, 18), RIGHT_RGB)
            and close(s.client_pixel(126, 164), RIGHT_RGB)
            and close(s.client_pixel(131, 90), (0, 0, 0), 8),
            [s.client_pixel(*p) for p in ((18, 18), (126, 164), (131, 90))])
    label = s.screen.region(cx + 8, cy + 176, 129, 97)
    white = sum(1 for i in range(129) for j in range(97) if min(label(i, j)) > 200)
    s.check("greeting drawn in white", white > 30, f"{white} white pixels")

    # Stays above a window that opens on top of it.
    cover = s.desktop.spawn("cover", ["xmessage", "-geometry", "1000x740+0+0", "-xrm",
                                      "*background: magenta", "cover"])
    try:
        Desktop.wait_for(lambda: s.desktop.run(["xdotool", "search", "--onlyvisible",
                                                "--class", "Xmessage"]).stdout.strip(), 10, "xmessage")
        time.sleep(0.5)
        magenta = s.screen.pixel(cx - 40 if cx > 40 else 5, cy + 20)
        s.check("window stays above a window opened over it",
                close(s.client_pixel(3, 3), (0, 0, 0), 8) and close(magenta, (255, 0, 255)),
                f"own {s.client_pixel(3, 3)}, beside {magenta}")
    finally:
        cover.terminate()
        cover.wait(5)

    # A click on the character: red at once, black again, a line's sound and its text.
    flash = {}

    def click_character():
        s.click_client(32 + 36, 24 + 60)
        flash["red"] = s.wait_colour(3, 3, (255, 0, 0), 1.0)
        flash["black"] = s.wait_colour(3, 3, (0, 0, 0), 1.5) if flash["red"] is not None else None

    line = s.expect_sound("click on the character plays a line's sound", click_character,
                          lambda n: n and n[0].isdigit() and n != "0.wav",
                          then=lambda n: line_texts_match(s, n))
    s.check("click flashes the background red", flash.get("red") is not None, flash)
    s.check("the flash ends, background black again", flash.get("black") is not None, flash)
    if line:
        s.check("speech label shows the line that was heard", True, s.label1())

    before = s.label1()
    red = {}

    def click_beside():
        s.click_client(20, 100)   # on the picture, left of the click area
        red["a"] = s.wait_colour(3, 3, (255, 0, 0), 0.3)
        s.click_client(110, 100)  # right of it
        red["b"] = s.wait_colour(3, 3, (255, 0, 0), 0.3)

    heard = s.sounds_after(click_beside, 1.0)
    s.check("clicks beside the click area play nothing", not heard, heard)
    s.check("clicks beside the click area do not flash", red == {"a": None, "b": None}, red)
    s.check("clicks beside the click area leave the label", s.label1() == before)

    question = "Will it rain today?"
    answer = s.expect_sound("Enter in the question box plays an answer",
                            lambda: (s.key("ctrl+a", "BackSpace"), s.type_text(question),
                                     s.key("Return")),
                            lambda n: n and n.startswith("a"),
                            then=lambda n: line_texts_match(s, n))
    box = s.question_box()
    s.check("the typed question stays in the box", box and box.get("text") == question, box)
    if answer:
        s.expect_sound("F5 replays the answer", lambda: s.key("F5"), lambda n: n == answer,
                       then=lambda n: None if s.label1() == ch.text_of(answer)
                       else f"label changed to {s.label1()!r}")

    s.check_exits("closing the window ends the program", lambda: s.key("alt+F4"))
    s.check_nothing_written()


def dismiss_error(s, expect_text, exact):
    err = s.wait_window(lambda: s.windows_of_program("^Error!$"), 10, "the Error! box")[0]
    texts = s.dialog_texts("Error!")
    ok = (expect_text in texts) if exact else any(t.startswith(expect_text) for t in texts)
    s.check("\"Error!\" box shows " + ("the exact text" if exact else "the load error"),
            ok, texts)
    s.check("the main window keeps its first title", s.title() == "Its Tobble!", s.title())
    return err


def scenario_missing_config(s):
    """No config.ini and no 0.wav: the error box, then the default sound."""
    s.start_program()
    expected = ERROR_PREFIX + "File not found: " + os.path.join(
        os.path.realpath(s.appdir), "config.ini")
    err = dismiss_error(s, expected, exact=True)
    time.sleep(0.3)
    quiet_mark = s.listener.now()
    time.sleep(0.5)
    s.check("no sound while the box is up", not s.listener.sounds_since(quiet_mark))
    heard = s.sounds_after(lambda: s.key("Return", win=err), 1.5)
    s.check("after the box, a default sound (none of the content's files)",
            heard and heard[0][1] is None, heard)
    s.origin = s.client_origin()
    s.check("speech label is empty", s.label1() == "", repr(s.label1()))
    s.check("picture loaded before the failure is shown",
            close(s.client_pixel(18, 18), LEFT_RGB), s.client_pixel(18, 18))
    s.check_exits("Ctrl+Q ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


def scenario_missing_picture(s):
    """No picture.jpg: the error box, config.ini not read, then 0.wav; a click then plays 1.wav
    with an empty label, since no line was loaded."""
    s.start_program()
    err = dismiss_error(s, ERROR_PREFIX, exact=False)
    texts = s.dialog_texts("Error!")
    s.check("the error names picture.jpg", any("picture.jpg" in t for t in texts), texts)
    s.expect_sound("after the box, 0.wav plays", lambda: s.key("Return", win=err),
                   lambda n: n == "0.wav", listen=1.5)
    s.origin = s.client_origin()
    s.check("title stays \"Its Tobble!\"", s.title() == "Its Tobble!", s.title())
    s.check("speech label is empty", s.label1() == "", repr(s.label1()))
    s.check("picture box stays empty (black)",
            close(s.client_pixel(40, 60), (0, 0, 0), 8), s.client_pixel(40, 60))
    s.expect_sound("with no lines loaded a click plays 1.wav", lambda: s.click_client(60, 80),
                   lambda n: n == "1.wav",
                   then=lambda n: None if s.label1() == "" else repr(s.label1()))
    s.check_exits("Alt+M, Q ends the program", lambda: s.key("alt+m", "q"))


def set_time(s, keys):
    s.key("alt+m", "t")
    dlg = s.wait_window(lambda: s.windows_of_program("^Set Auto Play Time$"), 10,
                        "the Set Auto Play Time box")[0]
    time.sleep(0.2)
    return dlg, keys(dlg)


def lines_heard(s, seconds):
    mark = s.listener.now()
    time.sleep(seconds)
    return s.listener.sounds_since(mark)


def steady(heard, seconds):
    """About one line a second, every one a line's sound."""
    starts = [t for t, _, _ in heard]
    gaps = [b - a for a, b in zip(starts, starts[1:])]
    names_ok = all(n and n[0].isdigit() and n != "0.wav" for _, n, _ in heard)
    return (seconds - 1.5 <= len(heard) <= seconds + 1 and names_ok
            and all(0.6 <= g <= 1.5 for g in gaps))


def scenario_auto_play(s):
    """Auto Smack on, Set Time 1000: a line about every second; Cancel and 40000 change
    nothing; Auto Smack off stops the lines."""
    s.start_program()
    s.wait_quiet()
    s.origin = s.client_origin()
    s.key("alt+m", "s", "s", "Return")  # S moves between Shrink and Auto Smack
    time.sleep(0.3)
    checked = {n["name"]: n["checked"] for n in s.tree() if n["role"] == "menu item"}
    s.check("Alt+M, S, S, Enter checks Auto Smack (and not Shrink)",
            checked.get("Auto Smack") and not checked.get("Shrink"), checked)
    heard = lines_heard(s, 2.0)
    s.check("auto-play waits 20 s before its first line", not heard, heard)

    dlg, _ = set_time(s, lambda d: None)
    box = next((n for n in s.tree() if n["role"] == "text" and n.get("text") == "20000"), None)
    s.check("Set Time offers 20000", box is not None)
    s.key("ctrl+a", "1", "0", "0", "0", "Return", win=dlg)
    for attempt in range(SOUND_RETRIES + 1):
        heard = lines_heard(s, 4.2)
        if steady(heard, 4.2):
            break
        print(f"    retrying auto-play capture: {heard}", flush=True)
    else:
        attempt = None
    if attempt:
        s.results.retries.append(f"{s.name}: auto-play capture ({attempt})")
    s.check("Set Time 1000: a line about every second", attempt is not None,
            [(round(t, 2), n) for t, n, _ in heard])
    shown = s.label1()
    s.check("the label shows the last line heard",
            heard and shown == s.character.text_of(heard[-1][1] or "0.wav")
            or (heard and shown in s.character.lines), shown)

    set_time(s, lambda d: s.key("Escape", win=d))
    heard = lines_heard(s, 3.2)
    s.check("Set Time, Cancel: lines go on every second", steady(heard, 3.2),
            [(round(t, 2), n) for t, n, _ in heard])
    set_time(s, lambda d: s.key("ctrl+a", "4", "0", "0", "0", "0", "Return", win=d))
    heard = lines_heard(s, 3.2)
    s.check("Set Time 40000 (out of range): lines go on every second", steady(heard, 3.2),
            [(round(t, 2), n) for t, n, _ in heard])

    s.key("alt+m", "s", "s", "Return")
    time.sleep(1.0)  # a line may have been under way
    heard = lines_heard(s, 2.5)
    s.check("Auto Smack again stops the lines", not heard, heard)
    checked = {n["name"]: n["checked"] for n in s.tree() if n["role"] == "menu item"}
    s.check("Auto Smack is unchecked again", checked.get("Auto Smack") is False, checked)
    s.check_exits("Ctrl+Q ends the program", lambda: s.key("ctrl+q"))


def scenario_shrink_about_quit(s):
    """Shrink and back restore the exact geometry; About plays 0.wav and shows its box; Say
    What? then replays the last line; Ctrl+Q ends the program."""
    s.start_program()
    s.wait_quiet()
    s.origin = s.client_origin()
    normal = s.geometry()
    s.key("alt+m", "s", "Return")
    time.sleep(0.5)
    c = s.client()
    s.origin = tuple(c["extents"][:2])
    x, y, w, h = s.geometry()
    s.check("Shrink: client area 109x147", c["extents"][2:] == [109, 147], c["extents"])
    s.check("Shrink: window 109 wide, 183 px shorter", (w, h) == (109, normal[3] - 183),
            (normal, (x, y, w, h)))
    s.check("Shrink: picture at the top left corner",
            close(s.client_pixel(2, 2), LEFT_RGB) and close(s.client_pixel(105, 140), RIGHT_RGB),
            (s.client_pixel(2, 2), s.client_pixel(105, 140)))
    line = s.expect_sound("Shrink: the click area moved with the picture",
                          lambda: s.click_client(16 + 36, 8 + 100),
                          lambda n: n and n[0].isdigit() and n != "0.wav",
                          then=lambda n: line_texts_match(s, n))
    s.wait_quiet()
    mark = s.listener.now()
    s.click_client(16 + 75, 8 + 60)   # where the click area was before, now beside it
    time.sleep(0.8)
    s.check("Shrink: the old click area position is silent", not s.listener.sounds_since(mark))

    s.key("alt+m", "s", "Return")
    time.sleep(0.5)
    c = s.client()
    s.origin = tuple(c["extents"][:2])
    s.check("Shrink again: client area 145x330", c["extents"][2:] == [145, 330], c["extents"])
    s.check("Shrink again: window size restored exactly", s.geometry()[2:] == normal[2:],
            (normal, s.geometry()))
    s.check("Shrink again: picture back at 16,16",
            close(s.client_pixel(18, 18), LEFT_RGB) and close(s.client_pixel(10, 10), (0, 0, 0), 8))

    about = {}

    def open_about():
        s.key("F1")
        about["win"] = s.wait_window(lambda: s.windows_of_program("^About Tobble$"), 10,
                                     "the About box")[0]

    s.expect_sound("F1 (About) plays 0.wav", open_about, lambda n: n == "0.wav")
    texts = s.dialog_texts("About Tobble")
    s.check("About box says \"This is version 1.0!\"",
            any("This is version 1.0!" in t for t in texts), texts)
    if "win" in about:
        s.key("Return", win=about["win"])
        time.sleep(0.3)
        s.check("About box closes", not s.windows_of_program("^About Tobble$"))
    if line:
        s.expect_sound("Alt+M, W (Say What?) after About replays the last line",
                       lambda: s.key("alt+m", "w"), lambda n: n == line)
    s.check_exits("Ctrl+Q ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


SCENARIOS = [
    ("start-up and talking", scenario_startup_and_talking, {}),
    ("missing config.ini", scenario_missing_config, {"omit": ("config.ini", "0.wav")}),
    ("missing picture.jpg", scenario_missing_picture, {"omit": ("picture.jpg",)}),
    ("auto-play and Set Time", scenario_auto_play, {}),
    ("shrink, about and quit", scenario_shrink_about_quit, {}),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("only", nargs="*", help="run only scenarios whose name contains these")
    args = parser.parse_args()
    program = os.path.abspath(args.program)
    python = system_python()
    results = Results()
    if python is None:
        results.record("setup", "pyatspi (python3-pyatspi) is available", False)
    else:
        started = time.monotonic()
        for name, run, options in SCENARIOS:
            if args.only and not any(o in name for o in args.only):
                continue
            print(f"== {name}", flush=True)
            t0 = time.monotonic()
            try:
                with Session(name, program, results, python, **options) as s:
                    run(s)
            except CheckFailed:
                print("  (scenario stopped after a failed requirement)")
            except Exception as e:  # noqa: BLE001 - a broken scenario is one failure, go on
                results.record(name, f"scenario ran to its end ({type(e).__name__}: {e})", False)
                traceback.print_exc()
            print(f"  ({time.monotonic() - t0:.1f} s)", flush=True)
        print(f"suite took {time.monotonic() - started:.1f} s")
    if results.retries:
        print("sound checks retried: " + "; ".join(results.retries))
    print(f"{results.passed} passed, {results.failed} failed")
    return 1 if results.failed or not results.passed else 0


if __name__ == "__main__":
    sys.exit(main())
