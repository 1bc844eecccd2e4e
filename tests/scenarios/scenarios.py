#!/usr/bin/env python3
"""What a person does with Tobble and what they should see and hear, written once and run
against either program: the Linux one (linux.py) or tobble.exe under Wine (wine.py).

Every session gets a private desktop (desktop.py) and a content directory of its own whose
sounds are pure tones, so the recording of the speakers tells which file played.

Usage: scenarios.py linux PROGRAM [--only WORD ...]
       scenarios.py wine TOBBLE.EXE --probe WINPROBE.EXE [--only WORD ...]
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import Desktop, Listener, Screen, wait_for  # noqa: E402

ERROR_PREFIX = "Error opening the config.ini file!  Exact error was:  "
SKIPPED = 77  # CTest's SKIP_RETURN_CODE
LEFT_RGB, RIGHT_RGB = (32, 192, 64), (32, 64, 192)  # the two halves of the test picture
BLACK, RED = (0, 0, 0), (255, 0, 0)
LABEL1 = (8, 176, 129, 97)
# "&Shrink" and "Auto &Smack" share their access key, which Wine's menus do not cycle through
# (S chooses Shrink at once there): both are reached with the arrow keys instead.
SHRINK = ("alt+m", "Down", "Return")
AUTO_SMACK = ("alt+m", "Down", "Down", "Return")  # the speech label in client pixels: left, top, width, height


def close(a, b, tolerance=40):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


# -- content ------------------------------------------------------------------------------------
class Character:
    """A content directory: what each sound file is and what each line says."""
    greeting = "Hello from the test greeting"

    def __init__(self, title="Scenario Tobble", words=("apple", "banana", "cherry", "damson")):
        self.title = title
        self.lines = [f"Line {n} says {w}" for n, w in enumerate(words, 1)]
        self.answers = [f"Answer {m} is {w}" for m, w in enumerate(("yes", "no", "maybe"), 1)]
        self.tones = {"0.wav": 330}
        self.tones.update({f"{n}.wav": 470 + 140 * n for n in range(1, len(self.lines) + 1)})
        self.tones.update({f"a{m}.wav": 1250 + 140 * m for m in range(1, 4)})

    def text_of(self, sound):
        if sound == "0.wav":
            return self.greeting
        if sound.startswith("a"):
            return self.answers[int(sound[1:-4]) - 1]
        return self.lines[int(sound[:-4]) - 1]

    def config(self):
        items = ["Test character", self.title, "Lines:", len(self.lines), self.greeting,
                 *self.lines, "Answers:", len(self.answers), *self.answers]
        return "".join(f"{i}\r\n" if isinstance(i, int) else f'"{i}"\r\n' for i in items)

    def write(self, directory, omit=()):
        os.makedirs(directory, exist_ok=True)
        for name, hz in self.tones.items():
            if name not in omit:
                tone(os.path.join(directory, name), hz)
        if "picture.jpg" not in omit:
            # Not the picture box's shape: the box must stretch it.
            subprocess.run(["convert", "-size", "20x60", "xc:rgb(%d,%d,%d)" % LEFT_RGB,
                            "xc:rgb(%d,%d,%d)" % RIGHT_RGB, "+append", "-quality", "95",
                            os.path.join(directory, "picture.jpg")], check=True)
        if "config.ini" not in omit:
            with open(os.path.join(directory, "config.ini"), "w", newline="") as f:
                f.write(self.config())


def tone(path, hz, seconds=0.45):
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", path, "synth",
                    str(seconds), "sine", str(hz), "fade", "0.01", str(seconds), "0.01",
                    "vol", "0.6"], check=True, capture_output=True)


# -- one session: a desktop, a content directory and the program ---------------------------------
class Failed(Exception):
    pass


class Session:
    def __init__(self, driver, results, omit=(), folder="app"):
        self.driver, self.results, self.omit, self.folder = driver, results, omit, folder
        self.ch = Character()
        self.proc = self.win = None
        self.seen_labels = {}  # text -> the label's pixels, where the label cannot be read

    def __enter__(self):
        self.desktop = Desktop().__enter__()
        try:
            self.appdir = os.path.join(self.desktop.dir, self.folder)
            self.cwd = os.path.join(self.desktop.dir, "elsewhere")
            os.makedirs(self.cwd)
            self.ch.write(self.appdir, self.omit)
            self.driver.prepare(self)
            self.screen = Screen(self.desktop.env["DISPLAY"])
            self.listener = Listener(self.desktop.recording, self.desktop.rate, self.ch.tones)
            self.before = self.snapshot()
        except BaseException:
            self.desktop.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        try:
            if self.proc and self.proc.poll() is None:
                self.proc.kill()
                self.proc.wait(10)
            self.driver.finish(self)
            self.screen.close()
        finally:
            self.desktop.__exit__(*exc)

    # -- results
    def check(self, name, ok, detail=""):
        return self.results.record(name, bool(ok), detail)

    def require(self, name, ok, detail=""):
        if not self.check(name, ok, detail):
            raise Failed(name)

    def skip(self, name, reason):
        self.results.skip(name, reason)

    # -- the program and its windows
    def start(self, greeting=True):
        """Starts the program from another directory; returns once its main window shows and,
        unless a box comes first, its greeting has sounded (Wine's sound starts seconds late)."""
        mark = self.listener.now()
        log = open(os.path.join(self.desktop.dir, "program.log"), "ab")
        self.proc = self.desktop.spawn("program", self.driver.command(self), cwd=self.cwd,
                                       stdout=log, stderr=log)
        titles = "^(Its Tobble!|%s)$" % self.ch.title
        self.win = wait_for(lambda: self.windows(titles), 60, "the main window")[0]
        if greeting:
            try:
                wait_for(lambda: self.listener.sounds_since(mark), 10, "the greeting", 0.2)
            except TimeoutError:
                pass  # the checks that follow tell what is missing
            self.wait_quiet()

    def windows(self, pattern):
        out = self.desktop.run(["xdotool", "search", "--onlyvisible", "--name", pattern]).stdout
        return sorted(int(w) for w in out.split())

    def wait_box(self, title):
        return wait_for(lambda: self.windows(f"^{title}$"), 15, f"the {title} box")[0]

    def title(self):
        return self.desktop.run(["xdotool", "getwindowname", str(self.win)]).stdout.rstrip("\n")

    def geometry(self, win=None):
        out = self.desktop.run(["xwininfo", "-id", str(win or self.win)]).stdout
        v = {k.strip(): int(x) for k, _, x in (ln.partition(":") for ln in out.splitlines())
             if k.strip() in ("Absolute upper-left X", "Absolute upper-left Y", "Width",
                              "Height")}
        return (v["Absolute upper-left X"], v["Absolute upper-left Y"], v["Width"], v["Height"])

    def find_client(self):
        """The client area is what lies below the menu bar in the program's window: its top is
        the first row that is black at the left edge (the background; the picture starts 16 px
        in) below a menu bar of at least 10 rows (once painted). Measured once, in
        the normal layout: the menu bar's height does not change."""
        def menu_height():
            x, y, w, h = self.geometry()
            column = self.screen.region(x + 3, y, 1, h)
            top = next((r for r in range(h) if column(0, r) == BLACK), 0)
            return top if top >= 10 and all(column(0, top + i) == BLACK for i in range(8)) \
                else None
        try:
            self.menu = wait_for(menu_height, 10, "a menu bar above a black client area")
        except TimeoutError as e:
            raise Failed(str(e))
        # Clicked once on the background, which does nothing, as a person would: Wine gives
        # keys to a window it has just shown only once it has been clicked.
        self.click(3, 3)
        time.sleep(0.3)

    def client(self):
        x, y, w, h = self.geometry()
        return x, y + self.menu, w, h - self.menu

    def pixel(self, cx, cy):
        x, y, _, _ = self.client()
        return self.screen.pixel(x + cx, y + cy)

    def click(self, cx, cy):
        x, y, _, _ = self.client()
        self.screen.click(x + cx, y + cy)

    def key(self, *keys, win=None):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(win or self.win)])
        self.desktop.run(["xdotool", "key", "--delay", "80", *keys])

    def type_text(self, text):
        self.desktop.run(["xdotool", "windowactivate", "--sync", str(self.win)])
        self.desktop.run(["xdotool", "type", "--delay", "30", text])

    def wait_colour(self, cx, cy, rgb, timeout):
        """Seconds until a client pixel turns rgb, or None."""
        x, y, _, _ = self.client()
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            if close(self.screen.pixel(x + cx, y + cy), rgb, 30):
                return time.monotonic() - start
            time.sleep(0.002)
        return None

    def exits(self, what, action):
        action()
        try:
            code = self.proc.wait(10)
            self.check(what, code == 0, f"exit code {code}")
        except subprocess.TimeoutExpired:
            self.check(what, False, "still running 10 s later")

    # -- the speech label: read where the platform lets a screen reader read it, otherwise
    # -- told apart by its pixels (the same text must look the same, other texts different)
    def label_ink(self):
        x, y, _, _ = self.client()
        lx, ly, w, h = LABEL1
        p = self.screen.region(x + lx, y + ly, w, h)
        return frozenset((i, j) for i in range(w) for j in range(h) if min(p(i, j)) > 150)

    def label_shows(self, text):
        """None when the speech label shows text, else what it shows instead."""
        self.wait_colour(3, 3, BLACK, 1.5)  # the labels are read on the resting background
        shown = self.driver.label(self)
        if shown is not None:
            return None if shown == text else repr(shown)
        ink = self.label_ink()
        if not text:
            return None if not ink else f"{len(ink)} lit pixels"
        if text in self.seen_labels:
            return None if ink == self.seen_labels[text] else "pixels unlike its earlier look"
        if not ink or ink in self.seen_labels.values():
            return "blank" if not ink else "pixels of another text"
        self.seen_labels[text] = ink
        return None

    def box_colours(self, win):
        """Strongly red and strongly blue pixels in a box: a critical-stop icon is red, a
        question mark's blue."""
        x, y, w, h = self.geometry(win)
        p = self.screen.region(x, y, w, h)
        px = [p(i, j) for i in range(0, w, 2) for j in range(0, h, 2)]
        return (sum(1 for r, g, b in px if r > 150 and g < 90 and b < 90),
                sum(1 for r, g, b in px if b > 150 and r < 110 and b - g > 40))

    # -- sound
    def wait_quiet(self, timeout=3):
        try:
            wait_for(self.listener.is_quiet, timeout, "silence")
        except TimeoutError:
            pass

    def sounds_after(self, action, listen=1.2):
        self.wait_quiet()
        mark = self.listener.now()
        action()
        time.sleep(listen)
        return self.listener.sounds_since(mark)

    def expect_sound(self, what, action, accept, listen=1.2, first=True, again=False):
        """Runs action and checks the first sound that follows it (or any, where the platform
        may add a sound of its own); returns its name."""
        heard = self.sounds_after(action, listen)
        if again and heard and not any(n for _, n, _ in heard):
            # A sound, but none that could be named: under load (or as a new Wine process starts
            # its sound) a stream can begin broken up. Once more, by the action or by another
            # that gives the same sound; silence or a wrong sound still fails.
            heard = self.sounds_after(again if callable(again) else action, listen)
        name = next((n for _, n, _ in heard[:1 if first else None] if accept(n)), False)
        ok = name is not False
        self.check(what, ok, "heard " + (", ".join(
            f"{n or 'another sound'} at {t:.2f} s" for t, n, _ in heard) or "nothing"))
        return name if ok else None

    def is_line(self, name):
        return bool(name) and name[0].isdigit() and name != "0.wav"

    # -- files
    def snapshot(self):
        found = {}
        for root in [self.appdir, self.cwd] + self.driver.watched(self):
            for dirpath, dirnames, filenames in os.walk(root):
                for entry in dirnames + filenames:
                    st = os.lstat(os.path.join(dirpath, entry))
                    found[os.path.join(dirpath, entry)] = (st.st_size, st.st_mtime_ns)
        return found

    def check_nothing_written(self):
        after = self.snapshot()
        changed = sorted(p for p in set(after) | set(self.before)
                         if after.get(p) != self.before.get(p))
        self.check("the program wrote no file", not changed, ", ".join(changed[:5]))


# -- the scenarios ------------------------------------------------------------------------------
def talking(s):
    """Start-up and greeting; clicks and the flash; Enter and answers; closing the window."""
    ch = s.ch
    s.expect_sound("start-up plays the greeting 0.wav", s.start, lambda n: n == "0.wav", 2.0,
                   again=lambda: (s.find_client(), s.key("F5")))  # Say What? replays it
    s.require("the title is config.ini's", s.title() == ch.title, repr(s.title()))
    state = s.desktop.run(["xprop", "-id", str(s.win), "_NET_WM_STATE"]).stdout
    s.check("the window asks to stay above others", "_NET_WM_STATE_ABOVE" in state, state)
    s.find_client()
    s.check("client area 145 x 330 below the menu bar", s.client()[2:] == (145, 330),
            s.client())
    s.check("the greeting is shown", not s.label_shows(ch.greeting), s.label_shows(ch.greeting))
    s.check("background black around the picture",
            all(s.pixel(x, y) == BLACK for x, y in ((3, 3), (140, 3), (3, 170), (140, 280))))
    corners = [s.pixel(x, y) for x, y in ((18, 18), (18, 164), (126, 18), (126, 164), (131, 90))]
    s.check("the picture is stretched over its whole box",
            all(close(c, w) for c, w in zip(corners, [LEFT_RGB] * 2 + [RIGHT_RGB] * 2 + [BLACK])),
            corners)

    cover = s.desktop.spawn("cover", ["xmessage", "-geometry", "1000x740+0+0", "-xrm",
                                      "*background: magenta", "cover"])
    try:
        wait_for(lambda: s.windows("^xmessage$"), 10, "the covering window")
        time.sleep(0.5)
        x, y, _, _ = s.client()
        beside = s.screen.pixel(max(5, x - 40), y + 20)
        s.check("the window stays above a window opened over it",
                s.pixel(3, 3) == BLACK and close(beside, (255, 0, 255)), (s.pixel(3, 3), beside))
    finally:
        cover.terminate()
        cover.wait(5)

    flash = {}

    def click_character():
        s.click(32 + 36, 24 + 60)
        flash["red"] = s.wait_colour(3, 3, RED, 1.0)
        flash["black"] = s.wait_colour(3, 3, BLACK, 1.5) if flash["red"] is not None else None

    line = s.expect_sound("a click on the character plays a line", click_character, s.is_line,
                          again=True)
    s.check("the click flashes the background red, then black again",
            flash.get("red") is not None and flash.get("black") is not None,
            "red after {:.0f} ms, black {:.0f} ms later".format(
                *(1000 * (flash.get(k) or 0) for k in ("red", "black"))))
    if line:
        s.check(f"the label shows the line heard ({line})", not s.label_shows(ch.text_of(line)),
                s.label_shows(ch.text_of(line)))
    red = {}

    def click_beside():
        s.click(20, 100)  # on the picture, left of the click area
        red["left"] = s.wait_colour(3, 3, RED, 0.3)
        s.click(118, 100)  # and right of it
        red["right"] = s.wait_colour(3, 3, RED, 0.3)

    heard = s.sounds_after(click_beside, 1.0)
    s.check("clicks on the picture beside the character do nothing",
            not heard and red == {"left": None, "right": None}, (heard, red))

    cut = cuts_off(s)
    s.check("a second line cuts off the first", cut is not False,
            "no two clicks close enough to tell" if cut is None else "")

    question = "Will it rain today?"
    answer = s.expect_sound("Enter in the question box plays an answer",
                            lambda: (s.type_text(question), s.key("Return")),
                            lambda n: bool(n) and n.startswith("a"))
    if answer:
        s.check(f"the label shows the answer heard ({answer})",
                not s.label_shows(ch.text_of(answer)), s.label_shows(ch.text_of(answer)))
        s.expect_sound("F5 replays the answer", lambda: s.key("F5"), lambda n: n == answer,
                       first=False)  # Wine may add a sound of its own first
        s.check("Say What? leaves the label", not s.label_shows(ch.text_of(answer)))
    typed = s.driver.question_text(s)
    if typed is None:
        s.skip("the typed question stays in the box", s.driver.no_question_text)
    else:
        s.check("the typed question stays in the box", typed == question, repr(typed))
    s.exits("closing the window ends the program", lambda: s.key("alt+F4"))
    s.check_nothing_written()


def cuts_off(s):
    """Two quick clicks on the character: once the second line sounds, the first is silent.
    False if the first went on under the second; None if no try gave two different lines
    close enough together to tell."""
    listener, step = s.listener, s.listener.rate // 100
    for _ in range(5):
        s.wait_quiet()
        mark = listener.now()
        s.click(68, 84)
        time.sleep(0.12)
        s.click(68, 84)
        time.sleep(1.0)
        samples = listener.read(mark)
        heard = listener.sounds_since(mark)
        if not heard or not heard[0][1]:
            continue
        first, start = heard[0][1], int(heard[0][0] * listener.rate)
        others = [name for name in listener.tones if name != first]
        second = next((at for at in range(start, len(samples), step)
                       if any(listener.share(samples, at, n) > 0.3 for n in others)), None)
        # The first tone lasts 0.45 s: the second must begin well inside it to tell.
        if second is None or second - start > listener.rate * 3 // 10:
            continue
        return listener.share(samples, second + listener.rate * 8 // 100, first) < 0.2
    return None


def shrink_about_reload_quit(s):
    """Shrink twice; About and then Say What?; Reload of a changed config.ini; Quit."""
    s.start()
    s.wait_quiet()
    s.find_client()
    normal = s.geometry()
    heard = s.sounds_after(lambda: s.key(*SHRINK), 1.0)
    s.check("Shrink chosen with the keyboard says nothing", not heard, heard)
    x, y, w, h = s.client()
    s.check("Shrink: the window fits the picture (113 x 151) closely",
            105 <= w <= 115 and 143 <= h <= 153, (w, h))
    s.check("Shrink: the picture moves to the top left corner",
            close(s.pixel(2, 2), LEFT_RGB) and close(s.pixel(105, 140), RIGHT_RGB))
    line = s.expect_sound("Shrink: the click area moved with the picture",
                          lambda: s.click(16 + 36, 8 + 100), s.is_line)
    heard = s.sounds_after(lambda: s.click(16 + 80, 8 + 60), 0.8)  # right of it now
    s.check("Shrink: the old click area is silent", not heard, heard)
    s.key(*SHRINK)
    time.sleep(0.6)
    s.check("Shrink twice: the window's size is exactly the first again",
            s.geometry()[2:] == normal[2:], (normal[2:], s.geometry()[2:]))
    s.check("Shrink twice: client area 145 x 330, picture at 16, 16",
            s.client()[2:] == (145, 330) and close(s.pixel(18, 18), LEFT_RGB)
            and s.pixel(10, 10) == BLACK, s.client())
    line = s.expect_sound("a click says a line", lambda: s.click(68, 84), s.is_line)

    about = {}

    def open_about():
        s.key("F1")
        about["win"] = s.wait_box("About Tobble")

    # A message box may sound the system's own beep for its icon.
    s.expect_sound("About (F1) plays the greeting 0.wav", open_about, lambda n: n == "0.wav",
                   first=False)
    if "win" in about:
        texts = s.driver.box_texts(s, "About Tobble")
        s.check('About says "This is version 1.0!"',
                any("This is version 1.0!" in t for t in texts), texts)
        red, blue = s.box_colours(about["win"])
        s.check("About shows the question-mark icon (blue, not red)", blue > 10 and blue > red,
                f"{red} red, {blue} blue pixels")
        s.key("Return", win=about["win"])
        wait_for(lambda: not s.windows("^About Tobble$"), 5, "the About box to close")
    if line:
        s.expect_sound("Say What? (Alt+M, W) after About replays the last line, not 0.wav",
                       lambda: s.key("alt+m", "w"), lambda n: n == line)

    new = Character(title="Reloaded Tobble", words=("fig", "grape", "honeydew", "kiwi"))
    with open(os.path.join(s.appdir, "config.ini"), "w", newline="") as f:
        f.write(new.config())
    s.before = s.snapshot()
    s.key("alt+m", "r")
    try:
        wait_for(lambda: s.title() == new.title, 5, "the new title")
    except TimeoutError:
        pass
    s.check("Reload: the title is the changed config.ini's", s.title() == new.title, s.title())
    s.ch = new
    line = s.expect_sound("Reload: a click still plays a line", lambda: s.click(68, 84),
                          s.is_line)
    if line:
        s.check("Reload: the label shows the changed file's line",
                not s.label_shows(new.text_of(line)), s.label_shows(new.text_of(line)))
    s.exits("Quit (Ctrl+Q) ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


def set_time(s, value):
    """Set Time with a typed value, or Cancel (value None)."""
    s.key("alt+m", "t")
    box = s.wait_box("Set Auto Play Time")
    time.sleep(0.3)
    if value is None:
        s.key("Escape", win=box)
    else:
        s.key("End", *["BackSpace"] * 8, *value, "Return", win=box)
    wait_for(lambda: not s.windows("^Set Auto Play Time$"), 5, "the box to close")


def lines_heard(s, seconds):
    mark = s.listener.now()
    time.sleep(seconds)
    return s.listener.sounds_since(mark)


def steady(heard, seconds):
    """Lines go on about every second: enough of them, no other sound of the content, no long
    pause. Not their exact rhythm: on a busy machine ticks bunch up."""
    named = [n for _, n, _ in heard if n]
    starts = [0.0] + [t for t, _, _ in heard] + [seconds]
    return (len(named) >= seconds - 1.5 and all(n[0].isdigit() and n != "0.wav" for n in named)
            and max(b - a for a, b in zip(starts, starts[1:])) <= 2.0)


def auto_play(s):
    """Auto Smack on; Set Time 1000, Cancel, 40000 (out of range); Auto Smack off."""
    s.start()
    s.wait_quiet()
    s.find_client()
    s.key(*AUTO_SMACK)
    heard = [h for h in lines_heard(s, 2.0) if s.is_line(h[1])]
    s.check("Auto Smack: no line in the first 2 s (the first comes after 20 s)", not heard,
            heard)
    s.key("alt+m", "t")
    box = s.wait_box("Set Auto Play Time")
    texts = s.driver.box_texts(s, "Set Auto Play Time")
    s.check("Set Time offers 20000", "20000" in texts, texts)
    s.key("End", *["BackSpace"] * 8, "1", "0", "0", "0", "Return", win=box)
    heard = lines_heard(s, 4.2)
    s.check("Set Time 1000: a line about every second", steady(heard, 4.2),
            [(round(t, 2), n) for t, n, _ in heard])
    for what, value in (("Cancel", None), ("40000 (out of range)", "40000"),
                        ("abc (no number)", "abc")):
        set_time(s, value)
        heard = lines_heard(s, 3.2)
        s.check(f"Set Time, {what}: lines go on every second", steady(heard, 3.2),
                [(round(t, 2), n) for t, n, _ in heard])
    mark = s.listener.now() - 2 * s.desktop.rate  # two seconds hold at least one line
    s.key(*AUTO_SMACK)
    time.sleep(1.0)  # a line may have been under way
    heard = lines_heard(s, 2.5)
    s.check("Auto Smack again stops the lines", not heard, heard)
    last = s.listener.sounds_since(mark)[-1][1]
    if last:
        s.check(f"the label shows the last line heard ({last})",
                not s.label_shows(s.ch.text_of(last)), s.label_shows(s.ch.text_of(last)))
    s.exits("Quit (Alt+M, Q) ends the program", lambda: s.key("alt+m", "q"))
    s.check_nothing_written()


def open_config(s):
    """Open Config.ini starts the editor on "config.ini" in the program's directory, with no
    shell between: the directory's name would run commands if a shell ever read it."""
    log = os.path.join(s.desktop.dir, "editor.log")
    s.driver.fake_editor(s, log)
    s.before = s.snapshot()
    s.start()
    s.find_client()
    s.key("alt+m", "o")
    try:
        wait_for(lambda: os.path.exists(log) and os.path.getsize(log), 10, "the editor")
        time.sleep(0.3)
        argv, cwd = s.driver.editor_call(s, log)
        s.check('the editor gets exactly "config.ini", in the program\'s directory',
                argv == ["config.ini"] and cwd, (argv, cwd))
    except TimeoutError:
        s.check("the editor starts", False, "nothing ran")
    pwned = [f for f in os.listdir(s.desktop.dir) + os.listdir(s.appdir) + os.listdir(s.cwd)
             if f.startswith("pwned")]
    s.check("nothing in the directory's name ran as a command", not pwned, pwned)
    s.exits("Quit (Ctrl+Q) ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


def broken_config(s):
    """No config.ini, then a broken one, then a good one: the Error! box twice, then a load."""
    s.start(greeting=False)
    box = s.wait_box("Error!")
    texts = s.driver.box_texts(s, "Error!")
    s.check("no config.ini: the Error! box tells why",
            any(t.startswith(ERROR_PREFIX) and len(t) > len(ERROR_PREFIX) for t in texts), texts)
    red, blue = s.box_colours(box)
    s.check("the Error! box shows the critical-stop icon (red, not blue)",
            red > 10 and red > blue, f"{red} red, {blue} blue pixels")
    s.check("the title stays \"Its Tobble!\"", s.title() == "Its Tobble!", s.title())
    s.expect_sound("after the box, the greeting 0.wav plays", lambda: s.key("Return", win=box),
                   lambda n: n == "0.wav", 1.5)
    s.find_client()
    s.check("the speech label is empty", not s.label_shows(""), s.label_shows(""))

    with open(os.path.join(s.appdir, "config.ini"), "w", newline="") as f:
        f.write('x\r\n"Half Tobble"\r\nx\r\n300\r\n')  # a count above 255
    s.before = s.snapshot()
    s.key("alt+m", "r")
    box = s.wait_box("Error!")
    texts = s.driver.box_texts(s, "Error!")
    s.check("a count of 300: the Error! box again",
            any(t.startswith(ERROR_PREFIX) for t in texts), texts)
    s.key("Return", win=box)
    wait_for(lambda: not s.windows("^Error!$"), 5, "the box to close")
    s.check("the title read before the fault stays", s.title() == "Half Tobble", s.title())

    with open(os.path.join(s.appdir, "config.ini"), "w", newline="") as f:
        f.write(s.ch.config())
    s.before = s.snapshot()
    s.key("alt+m", "r")
    try:
        wait_for(lambda: s.title() == s.ch.title, 5, "the title")
    except TimeoutError:
        pass
    s.check("a good config.ini then loads, with no box", s.title() == s.ch.title
            and not s.windows("^Error!$"), s.title())
    line = s.expect_sound("a click then plays a line", lambda: s.click(68, 84), s.is_line)
    if line:
        s.check("and shows it", not s.label_shows(s.ch.text_of(line)))
    s.exits("Quit (Ctrl+Q) ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


def missing_picture(s):
    """No picture.jpg: the Error! box names it, config.ini is not read."""
    s.start(greeting=False)
    box = s.wait_box("Error!")
    texts = s.driver.box_texts(s, "Error!")
    s.check("the Error! box names picture.jpg",
            any(t.startswith(ERROR_PREFIX) and "picture.jpg" in t for t in texts), texts)
    s.expect_sound("after the box, the greeting 0.wav plays", lambda: s.key("Return", win=box),
                   lambda n: n == "0.wav", 1.5)
    s.find_client()
    s.check("the title stays \"Its Tobble!\"", s.title() == "Its Tobble!", s.title())
    s.check("the speech label is empty", not s.label_shows(""), s.label_shows(""))
    s.check("the picture box stays empty (black)", s.pixel(40, 60) == BLACK, s.pixel(40, 60))
    s.expect_sound("with no lines loaded a click plays 1.wav", lambda: s.click(68, 84),
                   lambda n: n == "1.wav")
    s.check("and the label stays empty", not s.label_shows(""), s.label_shows(""))
    s.exits("Quit (Ctrl+Q) ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


def missing_sounds(s):
    """No 0.wav and no line sounds: the system's default sound instead, the texts as usual."""
    default = lambda n: n is None  # noqa: E731 - none of the content's tones
    s.expect_sound("no 0.wav: start-up plays the default sound", s.start, default, 2.0)
    s.find_client()
    s.check("the greeting is shown", not s.label_shows(s.ch.greeting))
    s.expect_sound("no line sounds: a click plays the default sound", lambda: s.click(68, 84),
                   default)
    s.expect_sound("answers still play their own sound", lambda: s.key("Return"),
                   lambda n: bool(n) and n.startswith("a"))
    s.exits("Quit (Ctrl+Q) ends the program", lambda: s.key("ctrl+q"))
    s.check_nothing_written()


SESSIONS = [
    ("start-up, talking and closing", talking, {}),
    ("Shrink, About, Say What?, Reload, Quit", shrink_about_reload_quit, {}),
    ("Auto Smack and Set Time", auto_play, {}),
    ("Open Config.ini", open_config,
     {"folder": "my 'odd' pack $(touch pwned-dollar) `touch pwned-tick` & touch pwned-amp"}),
    ("no config.ini, a broken one, a good one", broken_config, {"omit": ("config.ini",)}),
    ("missing picture.jpg", missing_picture, {"omit": ("picture.jpg",)}),
    ("missing sounds", missing_sounds, {"omit": ("0.wav", "1.wav", "2.wav", "3.wav", "4.wav")}),
]


class Results:
    def __init__(self):
        self.passed, self.failed, self.skipped = 0, [], []

    def record(self, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed.append(name)
        print(f"  {'PASS' if ok else 'FAIL'}  {name}" + (f"  ({detail})" if detail else ""),
              flush=True)
        return ok

    def skip(self, name, reason):
        self.skipped.append(name)
        print(f"  SKIP  {name}  ({reason})", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("driver", choices=("linux", "wine"))
    parser.add_argument("program")
    parser.add_argument("--probe", help="winprobe.exe (wine)")
    parser.add_argument("--only", nargs="*", default=[], help="sessions whose name has these")
    args = parser.parse_args()
    if args.driver == "linux":
        from linux import Linux as Driver
    else:
        from wine import Wine as Driver
    driver = Driver(os.path.abspath(args.program), args.probe)
    reason = driver.cannot_run()
    if reason:
        print(f"SKIPPED: {reason}")
        return SKIPPED
    results = Results()
    started = time.monotonic()
    try:
        for name, run, options in SESSIONS:
            if args.only and not any(o in name for o in args.only):
                continue
            print(f"== {name}", flush=True)
            t0 = time.monotonic()
            try:
                with Session(driver, results, **options) as s:
                    run(s)
            except Failed:
                print("  (session stopped after a failed requirement)")
            except Exception as e:  # noqa: BLE001 - a broken session is one failure, go on
                results.record(f"{name} ran to its end ({type(e).__name__}: {e})", False)
                traceback.print_exc()
            print(f"  ({time.monotonic() - t0:.1f} s)", flush=True)
    finally:
        driver.close()
    print(f"{driver.name}: {results.passed} passed, {len(results.failed)} failed, "
          f"{len(results.skipped)} skipped in {time.monotonic() - started:.0f} s")
    for name in results.failed:
        print(f"FAILED: {name}")
    return 1 if results.failed or not results.passed else 0


if __name__ == "__main__":
    sys.exit(main())
