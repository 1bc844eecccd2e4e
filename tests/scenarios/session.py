"""What a person does with Tobble and should see and hear: the private desktop's session with a
character of pure tones, and what every scenario shares."""
import os
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
from desktop import Desktop, Listener, Screen, wait_for  # noqa: E402

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
    def __init__(self, driver, results, omit=(), broken=(), sound="pulseaudio"):
        super().__init__(sound=sound)
        self.driver, self.omit, self.broken, self.ch = driver, omit, broken, Character()
        self.results = results  # (what, passed), for the whole run
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
        self.results.append((what, bool(ok)))
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


def off_centre(s):  # how far the frame, title bar included, is off the screen's centre
    x, y, w, h = s.geometry()
    e = s.run(["xprop", "-id", str(s.win), "_NET_FRAME_EXTENTS"]).stdout.partition("=")[2]
    left, right, top, bottom = map(int, e.split(",")) if "," in e else (99, 0, 99, 0)
    return max(abs(2 * x - left + w + right - 1024), abs(2 * y - top + h + bottom - 768))


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
