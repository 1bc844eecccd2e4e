"""Start-up, the window, clicks and answers, and the flash."""
import time

from session import BLACK, CHARACTER, RED, is_answer, is_line


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
