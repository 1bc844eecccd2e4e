"""Character folders: one of its own beside a link, an own copy, the pointer at scale 2."""
import os
import time
from pathlib import Path

from desktop import wait_for
from session import CHARACTER, Character, OPENED, until


def character_folder(s):
    """Linux: a folder with its own files and a link to the program holds a character of its
    own, unless the program is started by its bare name; Qt's own options are not the program's,
    and change nothing."""
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
    path = f"PATH={s.appdir}{os.pathsep}{s.env['PATH']}"
    shown = title(["env", path, "tobble"], folder, s.ch.title)
    s.check("started by its bare name from that folder, it shows the character beside the "
            "program", shown == s.ch.title, repr(shown))
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
