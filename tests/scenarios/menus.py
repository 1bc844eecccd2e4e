"""The menu's commands, the timers, the pointer, check marks and access keys."""
import os
import time
from pathlib import Path

from desktop import wait_for
from talking import flash
from session import (AUTO_SMACK, BLACK, CHARACTER, Character, LABEL1, LABEL2, LEFT_RGB,
                     MICROPHONE, OPENED, RIGHT_RGB, SHRINK, close, is_line, reload, tone, until)


def menu_items(s):
    """Shrink twice; About, then Say What?; Reload a changed config.ini; Open Config.ini; Quit
    while a long line plays."""
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
    quit_while_playing(s)


def quit_while_playing(s):
    """Ctrl+Q 0.3 s into a line of 1.5 s: the program ends cleanly at once, and the line with it."""
    for name in s.ch.texts:
        if is_line(name):
            tone(os.path.join(s.appdir, name), s.ch.tones[name], 1.5)
    s.before = s.snapshot()  # the sounds are the test's
    heard = s.sounds_after(lambda: s.click(*CHARACTER), 0.3)
    s.check("a long line is playing", heard and is_line(heard[-1][1]) and not
            s.listener.is_quiet(), heard)
    s.quit("Quit (Ctrl+Q) while a line plays ends the program", "ctrl+q")
    time.sleep(0.4)  # the sound server's own buffer may still play out
    s.check("the line stops with the program", s.listener.is_quiet())


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
