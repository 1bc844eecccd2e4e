#!/usr/bin/env python3
"""What a person does with Tobble and should see and hear, run against the Linux program or
tobble.exe under Wine, each session on a private desktop with content of pure tones.
Usage: scenarios.py linux PROGRAM | scenarios.py wine TOBBLE.EXE WINPROBE.EXE
TOBBLE_ONLY=WORD runs only the sessions whose name has WORD."""
import os
import signal
import subprocess
import sys
import time
import traceback
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
from desktop import Desktop, Listener, Screen, wait_for  # noqa: E402
encodings = __import__("runpy").run_path(str(Path(__file__).with_name("encodings.py")))["encodings"]

ERROR_PREFIX = "Error opening the config.ini file!  Exact error was:  "
LEFT_RGB, RIGHT_RGB = (32, 192, 64), (32, 64, 192)  # the two halves of the test picture
BLACK, RED = (0, 0, 0), (255, 0, 0)
CHARACTER = (68, 84)  # a point of the click area, in client pixels
LABEL1 = (8, 176, 129, 97)  # the speech label in client pixels: left, top, width, height
# The other controls, the same way: their twips / 15.
TEXT1, LABEL3, LABEL2, IMAGE1 = (8, 304, 129, 19), (8, 288, 129, 17), (32, 24, 73, 121), \
    (16, 16, 113, 151)
MICROPHONE = (32, 32, 16, 16)  # the pointer over the click area: its size and hot spot
# "&Shrink" and "Auto &Smack" share their key: chosen by the arrows here, by S in timers().
SHRINK = ("alt+m", "Down", "Return")
AUTO_SMACK = ("alt+m", "Down", "Down", "Return")
# The program's directory: a name that runs commands wherever a shell reads it.
FOLDER = "my 'odd' pack $(touch pwned-dollar) `touch pwned-tick` & touch pwned-amp"
OPENED = (["config.ini"], True)  # the editor's arguments, and whether in the folder meant
RESULTS = []  # (what, passed)


def close(a, b, tolerance=40):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def until(predicate, timeout, interval=0.05):  # None on time-out: the next check tells
    try:
        return wait_for(predicate, timeout, "", interval)
    except TimeoutError:
        return None


class Character:  # a content directory
    greeting = "Hello from the test greeting"

    def __init__(self, title="Scenario Tobble", words=("apple", "banana", "cherry", "damson")):
        self.title = title
        self.lines = [f"Line {n} says {w}" for n, w in enumerate(words, 1)]
        self.answers = [f"Answer {m} is {w}" for m, w in enumerate(("yes", "no", "maybe"), 1)]
        self.texts = {"0.wav": self.greeting,
                      **{f"{n}.wav": t for n, t in enumerate(self.lines, 1)},
                      **{f"a{m}.wav": t for m, t in enumerate(self.answers, 1)}}
        self.tones = {n: 330 if n == "0.wav" else 1250 + 140 * int(n[1]) if n[0] == "a"
                      else 470 + 140 * int(n[:-4]) for n in self.texts}

    def config(self):
        items = ["Test character", self.title, "Lines:", len(self.lines), self.greeting,
                 *self.lines, "Answers:", len(self.answers), *self.answers]
        return "".join(f"{i}\r\n" if isinstance(i, int) else f'"{i}"\r\n' for i in items)

    def write(self, directory, omit=()):
        os.makedirs(directory, exist_ok=True)
        for name, hz in self.tones.items():
            if name not in omit:
                tone(os.path.join(directory, name), hz)
        if "picture.jpg" not in omit:  # not the picture box's shape: the box must stretch it
            subprocess.run(["convert", "-size", "20x60", "xc:rgb(%d,%d,%d)" % LEFT_RGB,
                            "xc:rgb(%d,%d,%d)" % RIGHT_RGB, "+append", "-quality", "95",
                            os.path.join(directory, "picture.jpg")], check=True)
        if "config.ini" not in omit:
            Path(directory, "config.ini").write_text(self.config(), newline="")


def read_only(folder, on=True):  # for a test user other than root, who cannot then write it
    for p in [folder] + [os.path.join(folder, n) for n in os.listdir(folder)]:
        mode = os.stat(p).st_mode
        os.chmod(p, mode & ~0o222 if on else mode | 0o200)


def tone(path, hz, seconds=0.45):
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", "-b", "16", path, "synth",
                    str(seconds), "sine", str(hz), "fade", "0.01", str(seconds), "0.01",
                    "vol", "0.6"], check=True, capture_output=True)


class Session(Desktop):
    def __init__(self, driver, omit=(), broken=(), sound="pulseaudio"):
        super().__init__(sound=sound)
        self.driver, self.omit, self.broken, self.ch = driver, omit, broken, Character()
        self.proc, self.screen = None, None
        self.appdir, self.cwd = os.path.join(self.dir, FOLDER), os.path.join(self.dir, "elsewhere")
        self.editor_log = os.path.join(self.dir, "editor.log")

    def start(self):
        super().start()
        os.makedirs(self.cwd)
        self.ch.write(self.appdir, self.omit)
        for name in self.broken:  # random bytes under a sound's name
            Path(self.appdir, name).write_bytes(os.urandom(20000))
        self.driver.prepare(self)
        self.screen = Screen(self.env["DISPLAY"])
        self.listener = Listener(self.recording, self.rate, self.ch.tones)
        self.before = self.snapshot()

    def stop(self):  # the screen's connection ends with its X server
        try:
            self.driver.finish(self)
        finally:
            super().stop()

    def check(self, what, ok, detail="", needed=False):  # needed: the session cannot go on without
        RESULTS.append((what, bool(ok)))
        print(f"  {'PASS' if ok else 'FAIL'}  {what}" + (f"  ({detail})" if detail else ""),
              flush=True)
        if needed and not ok:
            raise RuntimeError(f"cannot go on: {what}")
        return ok

    # -- the program and its windows
    def launch(self, greeting=True, client=True):  # from elsewhere; waits for the greeting
        mark = self.listener.now()
        log = open(os.path.join(self.dir, "program.log"), "ab")
        self.proc = self.spawn("program", self.driver.command(self), cwd=self.cwd, stdout=log,
                               stderr=log)
        self.win = wait_for(lambda: self.windows(f"^(Its Tobble!|{self.ch.title})$"), 60,
                            "the main window")[0]
        if greeting:
            until(lambda: self.listener.sounds_since(mark), 10, 0.2)
            self.wait_quiet()
        if client:
            self.find_client()

    def windows(self, pattern):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", pattern]).stdout
        return sorted(int(w) for w in out.split())

    def wait_box(self, title):
        return wait_for(lambda: self.windows(f"^{title}$"), 15, f"the {title} box")[0]

    def box(self, title, what, want, icon=False):  # one of its texts passes want; its icon
        win = self.wait_box(title)
        texts = self.driver.box_texts(self, title)
        self.check(what, any(want(t) for t in texts), texts)
        if icon is not False:
            self.check(f"the {title} box's icon: {icon}", until(lambda: self.icon(win) == icon, 3),
                       self.icon(win))
        return win

    def edited(self, folder=None):  # the editor's arguments and whether it ran in the folder
        if until(lambda: os.path.exists(self.editor_log) and os.path.getsize(self.editor_log), 10):
            time.sleep(0.3)
            return self.driver.editor_call(self, folder)

    def title(self, win=None):
        return self.run(["xdotool", "getwindowname", str(win or self.win)]).stdout.rstrip("\n")

    def geometry(self, win=None):
        out = self.run(["xwininfo", "-id", str(win or self.win)]).stdout
        v = dict((k.strip(), x) for k, _, x in (ln.partition(":") for ln in out.splitlines()))
        return tuple(int(v[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                         "Width", "Height"))

    def find_client(self):  # below the menu bar: the first black row at the left edge
        def menu_height():
            x, y, w, h = self.geometry()
            column = self.screen.region(x + 3, y, 1, h)
            top = next((r for r in range(h) if column(0, r) == BLACK), 0)
            return top >= 10 and all(column(0, top + i) == BLACK for i in range(8)) and top
        self.menu = until(menu_height, 10)
        self.check("a menu bar above a black client area", self.menu, needed=True)
        # Wine gives keys to a window it has just shown only once it has been clicked.
        self.click(3, 3)
        time.sleep(0.3)

    def client(self):
        x, y, w, h = self.geometry()
        return x, y + self.menu, w, h - self.menu

    def at(self, cx, cy):  # on the screen
        x, y, _, _ = self.client()
        return x + cx, y + cy

    def pixel(self, cx, cy):
        return self.screen.pixel(*self.at(cx, cy))

    def click(self, cx, cy):
        self.screen.click(*self.at(cx, cy))

    def key(self, *keys, win=None, how=("key", "--delay", "80")):
        self.run(["xdotool", "windowactivate", "--sync", str(win or self.win)])
        self.run(["xdotool", *how, *keys])

    def layout_faults(self):
        """The client area black but for the controls, each filling its own place exactly."""
        x, y, w, h = self.client()
        p, lit = self.screen.region(x, y, w, h), {}  # control -> its pixels that are not black
        for i, j in ((i, j) for i in range(w) for j in range(h) if p(i, j) != BLACK):
            box = next((r for r in (TEXT1, LABEL3, LABEL1, IMAGE1) if r[0] <= i < r[0] + r[2]
                        and r[1] <= j < r[1] + r[3]), "elsewhere")
            lit.setdefault(box, []).append((i, j))
        ink = {box: bounds(points) for box, points in lit.items()}
        state = self.run(["xprop", "-id", str(self.win), "_NET_WM_STATE"]).stdout
        return [f for f, bad in (
            ("not kept above the others", "_NET_WM_STATE_ABOVE" not in state),
            (f"frame {off_centre(self)} px off the screen's centre", off_centre(self) > 2),
            (f"client area {w} x {h}", (w, h) != (145, 330)),
            (f"{len(lit.get('elsewhere', ()))} pixels lit beside the controls", "elsewhere" in lit),
            (f"picture at {ink.get(IMAGE1)}", ink.get(IMAGE1) != IMAGE1 or not close(
                p(17, 17), LEFT_RGB) or not close(p(127, 165), RIGHT_RGB)),
            (f"question box at {ink.get(TEXT1)}", ink.get(TEXT1) != TEXT1),
            (f"speech label's text at {ink.get(LABEL1)}", LABEL1 in ink and (
                ink[LABEL1][1] > LABEL1[1] + 4 or abs(2 * ink[LABEL1][0] + ink[LABEL1][2] -
                                                      2 * LABEL1[0] - LABEL1[2]) > 4)),
            (f"its caption's text at {ink.get(LABEL3)}", not ink.get(LABEL3) or
             ink[LABEL3][0] > LABEL3[0] + 2)) if bad]

    def icon(self, win):  # a box's icon by its colours at the box's top left
        x, y, _, _ = self.geometry(win)
        p = self.screen.region(x, y, 48, 28)
        count = lambda want: sum(want(*p(i, j)) for i in range(48) for j in range(28))  # noqa
        return "error" if count(lambda r, g, b: r > 160 and g < 100 and b < 100) >= 10 else \
            "question" if count(lambda r, g, b: b > 150 and r < 130 and b - r > 50) >= 10 else None

    def marks(self, what, want):  # Shrink's and Auto Smack's check marks
        self.check(what, (marks := self.driver.menu_checks(self)) == want, marks)

    def pointer_at(self, cx, cy):
        self.run(["xdotool", "mousemove", *map(str, self.at(cx, cy))])
        return self.screen.pointer()

    def wait_colour(self, cx, cy, rgb, timeout):
        p = self.at(cx, cy)
        return until(lambda: close(self.screen.pixel(*p), rgb, 30) and time.monotonic(), timeout,
                     0.002)

    def quit(self, what, *keys):
        self.key(*keys)
        until(lambda: self.proc.poll() is not None, 10)
        self.check(what, self.proc.poll() == 0, f"exit code {self.proc.poll()} (None: running)")
        after = self.snapshot()
        changed = sorted(p for p in set(after) | set(self.before)
                         if after.get(p) != self.before.get(p))
        self.check("the program wrote no file", not changed, ", ".join(changed[:5]))
        pwned = [f for d in (self.dir, self.appdir, self.cwd) for f in os.listdir(d)
                 if f.startswith("pwned")]
        self.check("nothing in the directory's name ran as a command", not pwned, pwned)

    def snapshot(self, roots=()):
        roots = set(roots) or [self.appdir, self.cwd] + self.driver.watched(self)
        paths = [os.path.join(d, e) for r in roots for d, ds, fs in os.walk(r) for e in ds + fs]
        return {p: (os.lstat(p).st_size, os.lstat(p).st_mtime_ns) for p in paths}

    def shows(self, what, text):  # read as a screen reader would, once the flash is over
        self.wait_colour(3, 3, BLACK, 1.5)
        shown = self.driver.label(self)
        return self.check(what, shown == text, repr(shown))

    # -- sound
    def wait_quiet(self, timeout=3):
        until(self.listener.is_quiet, timeout)

    def sounds_after(self, action, listen=1.2):
        self.wait_quiet()
        self.mark = self.listener.now()
        action()
        time.sleep(listen)
        return self.listener.sounds_since(self.mark)

    def expect_sound(self, what, action, accept, listen=1.2, first=True, again=True):
        """again: what to do once more (True: the action) when all that was heard was garbled,
        as Wine's sound can be, most of all under load; False where the action cannot repeat."""
        if isinstance(accept, str):  # not str.__eq__: its NotImplemented for None is true
            accept = (lambda want: lambda n: n == want)(accept)
        for attempt in (action, again if callable(again) else again and action):
            heard = self.sounds_after(attempt, listen)
            name = next((n for _, n, _ in heard[:1 if first else None] if accept(n)), False)
            if name is not False or not heard or any(n for _, n, _ in heard) or not again:
                break
        self.check(what, name is not False, "heard " + (", ".join(
            f"{n or 'another sound'} at {t:.2f} s" for t, n, _ in heard) or "nothing"))
        return name or None

    def click_line(self, what):
        return self.expect_sound(what, lambda: self.click(*CHARACTER), is_line)


def bounds(points):  # left, top, width, height
    xs, ys = [i for i, _ in points], [j for _, j in points]
    return min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def is_line(name):
    return bool(name) and name[0].isdigit() and name != "0.wav"


def is_answer(name):
    return bool(name) and name[0] == "a"


# -- the scenarios ------------------------------------------------------------------------------
def talking(s):
    """Start-up and greeting; the window's layout; clicks and the flash; Enter and answers;
    closing the window."""
    s.expect_sound("start-up plays the greeting 0.wav", s.launch, "0.wav", 2.0,
                   again=lambda: s.key("F5"))  # Say What? replays it
    s.check("the title is config.ini's", s.title() == s.ch.title, repr(s.title()), True)
    s.shows("the greeting is shown", s.ch.greeting)
    faults = s.layout_faults()
    s.check("the window is centred and kept above the others; its client area black around "
            "the controls, each at its place and size", not faults, "; ".join(faults))
    flash = {}

    def press():  # the process pressing
        doing = s.driver.press(s, "Tobble")
        flash["red"] = s.wait_colour(3, 3, RED, 10)
        flash["black"] = flash["red"] and s.wait_colour(3, 3, BLACK, 1.5)
        flash["done"] = doing.wait(30) == 0

    s.click_line("a click on the character plays a line")
    line = s.expect_sound("a screen reader's press of the button named Tobble plays a line",
                          press, is_line)
    s.check("the press flashes the background red, then black again", flash.get("done") and
            flash.get("black"), flash)
    if line:
        s.shows(f"the label shows the line heard ({line})", s.ch.texts[line])
    cut = cuts_off(s)
    s.check("a second line cuts off the first", cut is not False,
            "no two clicks close enough to tell" if cut is None else "")
    question = "Quick question: will it rain?"  # q alone types, Ctrl+Q quits
    answer = s.expect_sound("Enter in the question box plays an answer", lambda: (
        s.key(question, how=("type", "--delay", "30")), s.key("Return")), is_answer,
        again=lambda: s.key("Return"))
    if answer:
        s.shows(f"the label shows the answer heard ({answer})", s.ch.texts[answer])
        s.expect_sound("F5 replays the answer", lambda: s.key("F5"), answer,
                       first=False)  # Wine may add a sound of its own first
    s.screen.key_repeat(500, 600)  # Enter held 2.3 s: pressed, then repeated 3 or 4 times
    held = s.sounds_after(lambda: (s.key("Return", how=("keydown",)), time.sleep(2.3),
                                   s.key("Return", how=("keyup",))), 0.6)
    # Answers still begin 1.2 s on (an answer lasts 0.45 s), whether or not the sound is garbled.
    s.check("Enter held down answers again at each repeat", held and held[-1][0] - held[0][0] >=
            1.2 and not any(is_line(n) for _, n, _ in held), held)
    s.expect_sound("Shift with the keypad's Enter answers too", lambda: s.key("shift+KP_Enter"),
                   is_answer)
    typed = s.driver.question_text(s)
    s.check("the typed question stays in the box", typed == question, repr(typed))
    s.quit("closing the window ends the program", "alt+F4")


def off_centre(s):  # how far the frame, title bar included, is off the screen's centre
    x, y, w, h = s.geometry()
    e = s.run(["xprop", "-id", str(s.win), "_NET_FRAME_EXTENTS"]).stdout.partition("=")[2]
    left, right, top, bottom = map(int, e.split(",")) if "," in e else (99, 0, 99, 0)
    return max(abs(2 * x - left + w + right - 1024), abs(2 * y - top + h + bottom - 768))


def cuts_off(s):
    """Two quick clicks: the first line silent once the second sounds? None: could not tell."""
    listener, rate = s.listener, s.listener.rate
    for _ in range(5):
        heard = s.sounds_after(lambda: (s.click(*CHARACTER), time.sleep(0.12),
                                        s.click(*CHARACTER)), 1.0)
        samples = listener.read(s.mark)
        if not heard or not heard[0][1]:
            continue
        first, start = heard[0][1], int(heard[0][0] * rate)
        second = next((at for at in range(start, len(samples), rate // 100) if any(
            listener.share(samples, at, n) > 0.3 for n in listener.tones if n != first)), None)
        if second is not None and second - start <= rate * 3 // 10:  # well inside the first
            return listener.share(samples, second + rate * 8 // 100, first) < 0.2
    return None


def menu_items(s):
    """Shrink twice; About, then Say What?; Reload a changed config.ini; Open Config.ini; Quit."""
    s.launch()
    normal = s.geometry()
    s.key(*SHRINK)
    # Wine sizes the window in two steps (the width last), and paints after.
    s.check("Shrink: the client area is 109 x 147, the picture (113 x 151) at its top left",
            until(lambda: s.client()[2:] == (109, 147) and close(s.pixel(2, 2), LEFT_RGB) and
                  close(s.pixel(105, 140), RIGHT_RGB), 10), s.client())
    s.marks("Shrink checks Shrink only", (True, False))
    s.expect_sound("Shrink: the click area moved with the picture",
                   lambda: s.click(16 + 36, 8 + 100), is_line)
    s.key(*SHRINK)
    s.check("Shrink twice: the window's size is exactly the first again, the picture at 16, 16",
            until(lambda: s.geometry()[2:] == normal[2:] and close(s.pixel(18, 18), LEFT_RGB) and
                  s.pixel(10, 10) == BLACK, 5), (normal, s.geometry()))
    s.marks("Shrink twice clears its check mark", (False, False))
    line = s.click_line("a click says a line")
    # A message box may sound the system's own beep for its icon.
    s.expect_sound("About (F1) plays the greeting 0.wav",
                   lambda: (s.key("F1"), s.wait_box("About Tobble")), "0.wav", first=False,
                   again=False)
    about = s.box("About Tobble", 'About says "This is version 1.0!"',
                  lambda t: "This is version 1.0!" in t, "question")
    s.key("Return", win=about)
    until(lambda: not s.windows("^About Tobble$"), 5)
    if line:
        s.expect_sound("Say What? (Alt+M, W) after About replays the last line, not 0.wav",
                       lambda: s.key("alt+m", "w"), line)
    s.ch = Character(title="Reloaded Tobble", words=("fig", "grape", "honeydew", "kiwi"))
    reload(s, "Reload: the title is the changed config.ini's")
    s.key("alt+m", "o")  # no shell between
    s.check('Open Config.ini starts the editor on exactly "config.ini", in the program\'s '
            "directory", (edited := s.edited()) == OPENED, edited)
    s.click(3, 3)  # back from the editor, as a person would
    time.sleep(0.3)
    s.quit("Quit (Ctrl+Q) ends the program", "ctrl+q")


def reload(s, what):
    """Writes s.ch's config.ini and reloads it: the title, and a click's line, are its own."""
    Path(s.appdir, "config.ini").write_text(s.ch.config(), newline="")
    s.before = s.snapshot()
    s.key("alt+m", "r")
    s.check(what, until(lambda: s.title() == s.ch.title, 5) and not s.windows("^Error!$"),
            s.title())
    line = s.click_line("after Reload a click plays a line")
    if line:
        s.shows("and the label shows the new file's line", s.ch.texts[line])


def auto_play(s):
    """Auto Smack on; Set Time 1000, Cancel, 40000 (out of range), abc; Auto Smack off."""
    s.launch()
    s.key(*AUTO_SMACK)
    for what, value in (("1000", "1000"), ("Cancel", None), ("40000 (out of range)", "40000"),
                        ("abc (no number)", "abc")):
        s.key("alt+m", "t")
        box = s.box("Set Auto Play Time", "Set Time offers 20000", "20000".__eq__,
                    None if value == "1000" else False)
        s.key(*(["Escape"] if value is None else ["End", *["BackSpace"] * 8, *value, "Return"]),
              win=box)
        wait_for(lambda: not s.windows("^Set Auto Play Time$"), 5, "the box to close")
        # Lines about every second: no other sound, no long pause; not the exact rhythm.
        mark, seconds = s.listener.now(), 3.2
        time.sleep(seconds)
        heard = s.listener.sounds_since(mark)
        named, starts = [n for _, n, _ in heard if n], [0.0, *(t for t, _, _ in heard), seconds]
        s.check(f"Set Time, {what}: a line about every second", len(named) >= seconds - 1.5 and
                all(map(is_line, named)) and max(b - a for a, b in zip(starts, starts[1:])) <= 2,
                [(round(t, 2), n) for t, n, _ in heard])
    mark = s.listener.now() - 2 * s.rate  # two seconds hold at least one line
    s.key(*AUTO_SMACK)
    time.sleep(1.0)  # a line may have been under way
    heard = s.sounds_after(lambda: None, 2.5)
    s.check("Auto Smack again stops the lines", not heard, heard)
    last = s.listener.sounds_since(mark)[-1][1]
    if last:
        s.shows(f"the label shows the last line heard ({last})", s.ch.texts[last])
    s.quit("Quit (Alt+M, Q) ends the program", "alt+m", "q")


def greeting_after_box(s, what, want):  # an Error! box, then the greeting: untitled, unsaid
    s.launch(greeting=False, client=False)
    box = s.box("Error!", what, lambda t: t.startswith(ERROR_PREFIX) and want(t), "error")
    s.expect_sound("after the box, the greeting 0.wav plays", lambda: s.key("Return", win=box),
                   "0.wav", 1.5, again=False)
    s.find_client()
    s.check("the title stays \"Its Tobble!\"", s.title() == "Its Tobble!", s.title())
    s.shows("the speech label is empty", "")


def missing_config(s):
    greeting_after_box(s, "no config.ini: the Error! box tells why",
                       lambda t: len(t) > len(ERROR_PREFIX))
    reload(s, "a good config.ini then loads, with no box")
    s.quit("Quit (Ctrl+Q) ends the program", "ctrl+q")


def missing_picture(s):  # config.ini is not read either
    greeting_after_box(s, "the Error! box names picture.jpg", lambda t: "picture.jpg" in t)
    s.check("the picture box stays empty (black)", s.pixel(40, 60) == BLACK, s.pixel(40, 60))
    s.expect_sound("with no lines loaded a click plays 1.wav", lambda: s.click(*CHARACTER),
                   "1.wav")
    s.shows("and the label stays empty", "")
    s.quit("Quit (Ctrl+Q) ends the program", "ctrl+q")


def missing_sounds(s):
    """No 0.wav, line sounds of random bytes: the system's default sound instead, the texts as
    usual."""
    default = lambda n: n is None  # noqa: E731 - none of the content's tones
    s.expect_sound("no 0.wav: start-up plays the default sound", s.launch, default, 2.0)
    s.shows("the greeting is shown", s.ch.greeting)
    s.expect_sound("line sounds of random bytes: a click plays the default sound",
                   lambda: s.click(*CHARACTER), default)
    s.expect_sound("answers still play their own sound", lambda: s.key("Return"), is_answer)
    s.quit("Quit (Ctrl+Q) ends the program", "ctrl+q")


def sound_server(s):
    """Linux: the sound server killed and restarted, sound comes back on one connection and no
    descriptor is left over; stopped (SIGSTOP), the window still answers and quits."""
    s.launch()
    fds = len(os.listdir(f"/proc/{s.proc.pid}/fd"))
    s.restart_pulse(lambda: (s.click(*CHARACTER), time.sleep(0.5)))  # a sound with no server
    back, mark = time.monotonic(), s.listener.now()
    heard = until(lambda: s.click(*CHARACTER) or time.sleep(0.4) or s.listener.sounds_since(
        mark), 15)
    s.check("sound comes back within 5 s of a server restart", heard and time.monotonic() - back
            <= 5, f"after {time.monotonic() - back:.1f} s" if heard else "not within 15 s")
    clients = s.pulse_clients(s.proc.pid)
    s.check("the program is one client of the new server", clients == 1, clients)
    fds2 = len(os.listdir(f"/proc/{s.proc.pid}/fd"))
    s.check("no descriptor left over from the old server", fds2 <= fds + 2, (fds, fds2))
    s.restart_pulse()  # the old connection is still held: the first sound must not be lost
    s.click_line("after a restart with no sound meanwhile, the first click is heard")
    pa = s.pulse
    pa.send_signal(signal.SIGSTOP)
    try:  # a window blocked on the server would not flash
        flashes = sum(bool(s.click(*CHARACTER) or s.wait_colour(3, 3, RED, 1.0) and
                           s.wait_colour(3, 3, BLACK, 1.0)) for _ in range(8))
        s.check("with the server stopped each click still flashes", flashes >= 6, flashes)
        s.check("and the label shows a line", s.driver.label(s) in s.ch.lines)
        s.quit("Ctrl+Q with the server stopped ends the program", "ctrl+q")
    finally:
        pa.send_signal(signal.SIGCONT)


def character_folder(s):
    """Linux: a folder with its own files and a link to the program holds a character of its
    own; Qt's own options are not the program's, and change nothing."""
    def title(argv, cwd, want):  # the title once it is want, or the last one seen
        proc = s.spawn("program", argv, cwd=cwd)
        try:
            win = until(lambda: s.run(["xdotool", "search", "--onlyvisible", "--pid",
                                       str(proc.pid)]).stdout.split(), 30)
            return win and (until(lambda: s.title(win[0]) == want and want, 5) or s.title(win[0]))
        finally:
            proc.terminate()
            proc.wait(10)
    folder, own = os.path.join(s.dir, "Ziggy"), Character(title="Ziggy from its folder")
    own.write(folder, omit=own.tones)
    os.symlink(os.path.join(s.appdir, "tobble"), os.path.join(folder, "tobble"))
    shown = title(["./tobble"], folder, own.title)
    s.check("started as ./tobble in a folder of its own, it shows that folder's character",
            shown == own.title, repr(shown))
    shown = title(s.driver.command(s) + ["-platform", "offscreen", "-qwindowtitle", "Not it"],
                  s.cwd, s.ch.title)
    s.check("started with Qt's own options, it ignores them", shown == s.ch.title, repr(shown))


def own_character(s):
    """A character folder the user cannot write: Open Config.ini asks first; No opens it as it is
    and writes nothing; Yes copies it into a folder of the user's own, made startable, opens the
    copy in the editor and starts it in this window's place, where Reload shows its changes."""
    s.ch.title = "Zig's `odd` 100% pal; #1 & co"  # quoted and escaped in a menu entry
    Path(s.appdir, "config.ini").write_text(s.ch.config(), newline="")
    if reason := s.driver.lock(s):
        return print(f"  SKIP  {reason}")
    home = s.driver.own_home(s)

    listing = lambda: s.snapshot((home, s.env["HOME"], s.appdir, s.cwd))  # noqa: E731 - the homes

    def open_config(answer, folder=None):
        open(s.editor_log, "w").close()  # empty; the program's user may be another one
        os.chmod(s.editor_log, 0o666)
        s.click(3, 3)  # back from the editor or a box, as a person would
        time.sleep(0.3)
        s.key("alt+m", "o")
        box = s.box("Tobble", f"{answer}: Open Config.ini first asks in plain words",
                    lambda t: "Make your own copy of this character to change?" in t)
        s.key(f"alt+{answer[0].lower()}", win=box)
        return s.edited(folder)

    s.launch(greeting=False)
    before = listing()
    s.check("No: the editor opens the character's own config.ini",
            (edited := open_config("No")) == OPENED, edited)
    s.check("No: nothing is written", listing() == before)
    old = s.proc
    copy = os.path.join(home, "Tobble", s.ch.title)
    edited = open_config("Yes", copy)
    s.check("Yes: this program ends", until(lambda: old.poll() == 0, 10), old.poll())
    s.check("Yes: the editor opens config.ini in the copy", edited == OPENED, edited)
    names = sorted(n for n in os.listdir(s.appdir) if n.endswith((".wav", ".ini", ".jpg")))
    same = [n for n in names if Path(copy, n).read_bytes() == Path(s.appdir, n).read_bytes()]
    s.check("Yes: every file of the character is copied byte for byte", same == names, same)
    made = s.driver.startable(s, copy)  # the program or its link, and the menu entry
    after = listing()
    stray = [p for p in set(after) - set(before) if not p.startswith((copy, *made)) and not any(
        q.startswith(p + os.sep) for q in (copy, *made))] + [
        p for p in before if after.get(p) != before[p] and not os.path.isdir(p)]
    s.check("Yes: nothing else is written", not stray, stray[:5])
    s.win = wait_for(lambda: s.windows(f"^{s.ch.title}$"), 30, "the copy's window")[0]
    s.find_client()
    s.ch.title = "Changed in the copy"
    Path(copy, "config.ini").write_text(s.ch.config(), newline="")
    s.key("alt+m", "r")
    s.check("the new window is the copy's: Reload shows its change at once",
            until(lambda: s.title() == s.ch.title, 5), s.title())
    s.key("ctrl+q")
    s.check("Ctrl+Q ends the copy", until(lambda: not s.windows(f"^{s.ch.title}$"), 10))


def scaled_pointer(s):
    """Linux: at scale 2 the pointer over the character is drawn from the 2x image."""
    s.env["QT_SCALE_FACTOR"] = "2"
    s.launch()
    s.check("at scale 2 the pointer is 64x64, hot spot in the middle", until(
        lambda: s.pointer_at(*(2 * c for c in CHARACTER)) == (64, 64, 32, 32), 5),
        s.screen.pointer())
    s.quit("at scale 2, Ctrl+Q ends the program", "ctrl+q")


def flash(s):
    """A click, and another 60 ms into its flash: how long the background stayed red (ms, None
    if it did not flash), and whether it turned red again after."""
    s.click(*CHARACTER)
    if not (red := s.wait_colour(3, 3, RED, 1.0)):
        return None, False
    time.sleep(0.06)
    s.click(*CHARACTER)
    black = s.wait_colour(3, 3, BLACK, 1.0)
    return black and round((black - red) * 1000), bool(black and s.wait_colour(3, 3, RED, 0.3))


def timers(s):
    """Nothing said by itself after start; the pointer over the click area only and clicks beside
    it silent; Auto Smack's first line 20 s on, clicks not restarting it; the flash; the check
    marks and the shared access key S; an "&" underlining its letter."""
    s.ch.greeting = "&Hello HAL"  # no letter reaches below the line: the lowest ink is the mark
    Path(s.appdir, "config.ini").write_text(s.ch.config(), newline="")
    s.before = s.snapshot()
    s.launch(client=False)
    start = s.listener.now()
    s.find_client()
    p, (_, _, w, h) = s.screen.region(*s.at(*LABEL1[:2]), *LABEL1[2:]), LABEL1
    ink = [(i, j) for i in range(w) for j in range(h) if min(p(i, j)) > 150] or [(0, 0)]
    low = [i for i, j in ink if j == max(j for _, j in ink)]  # the lowest row of ink
    s.check('"&H" underlines the H: the lowest ink is a short stroke under the first letter',
            min(low) - min(i for i, _ in ink) <= 1 and 3 <= max(low) - min(low) <= 12, low)
    l, t, w, h = LABEL2
    inside, outside = [(l, t), (l + w - 1, t + h - 1)], [(l - 1, t), (l, t - 1),
                                                           (l + w, t + h - 1), (l + w - 1, t + h)]
    wrong = [p for p in inside + outside if not until(
        lambda: (s.pointer_at(*p) == MICROPHONE) == (p in inside), 3)]
    s.check("the pointer is the microphone (32 x 32, hot spot in the middle) over the click area "
            "only", not wrong, f"wrong at {wrong}: {s.screen.pointer()}")
    heard = s.sounds_after(lambda: [s.click(*p) for p in outside])
    s.check("clicks on the picture just beside the click area say nothing", not heard, heard)
    s.marks("no item is checked at start", (False, False))
    time.sleep(max(0.0, 21 - (s.listener.now() - start) / s.rate))
    heard = s.listener.sounds_since(start)
    s.check("nothing is said by itself in the 21 s after start", not heard, heard)
    s.key(*AUTO_SMACK)
    on = s.listener.now()
    s.marks("Auto Smack checks Auto Smack only", (False, True))
    time.sleep(max(0.0, 2 - (s.listener.now() - on) / s.rate))
    flashes = [flash(s) for _ in range(3)]
    s.check("a click flashes red for 100 ms; a second click within the flash neither lengthens it"
            " nor flashes again", any(ms and 70 <= ms <= 150 and not again
                                      for ms, again in flashes), flashes)
    clicked = (s.listener.now() - on) / s.rate
    time.sleep(max(0.0, 22 - clicked))
    heard = [(round(t, 2), n) for t, n, _ in s.listener.sounds_since(on) if t > clicked + 0.8]
    s.check(f"Auto Smack's first line comes 20 s after it, the clicks {clicked:.1f} s after it "
            "not restarting the countdown", heard and 19.2 <= heard[0][0] <= 21.5, heard)
    s.key(*AUTO_SMACK)
    s.key("alt+m", "s", "s", "Return")  # "&Shrink" and "Auto &Smack" share S
    s.marks("S, S and Enter in the menu choose Auto Smack, not Shrink", (False, True))
    s.quit("Quit (Alt+M, Q) ends the program", "alt+m", "q")


SESSIONS = [
    ("start-up, talking and closing", talking, {}),
    ("Shrink, About, Say What?, Reload, Open Config.ini, Quit", menu_items, {}),
    ("Auto Smack and Set Time", auto_play, {}),
    ("no config.ini, then a good one", missing_config, {"omit": ("config.ini",)}),
    ("missing picture.jpg", missing_picture, {"omit": ("picture.jpg",)}),
    ("missing and broken sounds", missing_sounds,
     {"omit": ("0.wav",), "broken": ("1.wav", "2.wav", "3.wav", "4.wav")}),
    ("linux: sound server stopped and restarted", sound_server, {}),
    ("every WAV encoding heard as itself", encodings, {"omit": ("0.wav",)}),
    # Debian's desktops play through PipeWire and its PulseAudio service: the sound sessions again
    ("linux: sound on pipewire: start-up, talking and closing", talking, {"sound": "pipewire"}),
    ("linux: sound on pipewire: server stopped and restarted", sound_server,
     {"sound": "pipewire"}),
    ("linux: a character folder of its own", character_folder, {}),
    ("linux: the pointer at scale 2", scaled_pointer, {}),
    ("timers, the pointer, check marks and access keys", timers, {}),
    ("own character from a folder the user cannot write", own_character, {}),
]


def main():
    kind, program, *probe = sys.argv[1:]
    from linux import Linux
    from wine import Wine
    driver = (Linux if kind == "linux" else Wine)(os.path.abspath(program), *probe)
    if reason := driver.cannot_run():
        print(f"SKIPPED: {reason}")
        return 77  # CTest's SKIP_RETURN_CODE
    started = time.monotonic()
    try:
        for name, run, options in SESSIONS:
            # "linux: ..." runs on Linux only
            if os.environ.get("TOBBLE_ONLY", "") in name and name.split(":")[0] in (name, kind):
                print(f"== {name}", flush=True)
                try:
                    with Session(driver, **options) as s:
                        run(s)
                except Exception as e:  # noqa: BLE001 - a broken session is one failure, go on
                    RESULTS.append((f"{name} ran to its end ({type(e).__name__}: {e})", False))
                    traceback.print_exc()
    finally:
        driver.close()
    failed = [what for what, ok in RESULTS if not ok]
    print(f"{driver.name}: {len(RESULTS) - len(failed)} passed, {len(failed)} failed in "
          f"{time.monotonic() - started:.0f} s", *(f"FAILED: {what}" for what in failed), sep="\n")
    return 1 if failed or not RESULTS else 0


if __name__ == "__main__":
    sys.exit(main())
