"""A character file passed on: opened by a double-click, asked about by its title, added as a
character of the user's own and started; bad ones refused in plain words, writing nothing."""
import os
import time
import zipfile
from pathlib import Path

from desktop import wait_for
from session import CHARACTER, Character, until

QUESTION = 'Add the character "{}" to your characters?'


def pack(path, files):  # as a zip tool packs a folder: one top folder, deflated
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in files.items():
            z.writestr(name, data)
    return path


def character_file(s):
    """A character file opened by a double-click: the question names the character; No writes
    nothing; Yes adds it as a startable own copy, holding exactly its files, and starts it, and
    it talks. A file reaching outside the character and a bomb are refused, writing nothing."""
    if reason := s.driver.lock(s):
        return print(f"  SKIP  {reason}")
    home = s.driver.own_home(s)
    friend = Character(title="A friend's Tobble", words=("lime", "mango", "nectarine", "olive"))
    folder, given = os.path.join(s.dir, "Friend"), os.path.join(s.dir, "given")
    friend.write(folder)
    os.makedirs(given)
    files = {f"Friend/{n}": Path(folder, n).read_bytes() for n in sorted(os.listdir(folder))}
    good = pack(os.path.join(given, "friend.tobble"), {**files, "Friend/README.txt": b"hi"})
    listing = lambda: s.snapshot((home, s.env["HOME"], s.appdir, s.cwd, given))  # noqa: E731
    before = listing()

    def answer(what, key, proc=None):  # the question, then its answer
        box = s.box("Tobble", what, QUESTION.format(friend.title).__eq__, "question")
        s.key(key, win=box)
        return proc and s.check(f"{key}: the program ends", until(lambda: proc.poll() == 0, 10))

    s.driver.double_click(s, good)
    answer("a double-click on a character file asks about it by its title", "alt+n")
    time.sleep(1)
    s.check("No: nothing is written", listing() == before)

    # Packed by the checker where there is one: what it writes opens as the same character.
    packed = s.driver.pack(s, folder, os.path.join(given, "packed.tobble")) or good
    proc = s.spawn("program", s.driver.command(s) + [s.driver.argument(packed)], cwd=s.cwd)
    answer("opened again, it asks again", "alt+y", proc)
    copy = os.path.join(home, "Tobble", friend.title)
    got = {n: Path(copy, n).read_bytes() for n in os.listdir(copy) if n.lower() != "tobble.exe"
           and n != "tobble"} if os.path.isdir(copy) else {}
    s.check("Yes: the new folder holds exactly the character's files, byte for byte",
            got == {n.split("/")[1]: b for n, b in files.items()}, sorted(got))
    s.driver.startable(s, copy)
    s.win = wait_for(lambda: s.windows(f"^{friend.title}$"), 30, "the added character")[0]
    s.find_client()
    s.click(*CHARACTER)  # as the user it runs as, it may reach no sound server: what it says
    s.check("the added character talks", until(lambda: s.driver.label(s) in friend.lines, 5),
            s.driver.label(s))
    s.key("ctrl+q")
    s.check("Ctrl+Q ends it", until(lambda: not s.windows(f"^{friend.title}$"), 10))

    zeros = b"\0" * (65 * 1024 * 1024)
    for name, entries, words in (
            ("a path outside the character", {**files, "Friend/../../evil.wav": b"x"}, "outside"),
            ("a bomb", {**files, "Friend/1.wav": zeros}, "64 MiB")):
        before = listing()
        bad = pack(os.path.join(given, "bad.tobble"), entries)
        proc = s.spawn("program", s.driver.command(s) + [s.driver.argument(bad)], cwd=s.cwd)
        box = s.box("Tobble", f"{name}: refused in plain words",
                    lambda t: t.startswith("This character file cannot be added:") and words in t,
                    "error")
        s.key("Return", win=box)
        s.check(f"{name}: the program ends", until(lambda: proc.poll() is not None, 10))
        os.remove(bad)
        s.check(f"{name}: nothing is written", listing() == before and not any(
            "evil" in f for _, _, fs in os.walk(s.dir) for f in fs))
