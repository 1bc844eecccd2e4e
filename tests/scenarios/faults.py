"""A character with files missing or broken, and a sound server that goes away."""
import os
import signal
import time

from session import BLACK, CHARACTER, ERROR_PREFIX, RED, is_answer, reload, until


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
