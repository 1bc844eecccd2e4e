#!/usr/bin/env python3
"""check-installer.py SETUP.EXE WINPROBE.EXE CHARACTER_DIR: the Windows installer under Wine, in a
fresh prefix on a private desktop. A silent install puts the program and its character in
Program Files with a Start-menu shortcut and an Add/Remove Programs entry; the shortcut starts
Tobble showing its character; a silent uninstall leaves the prefix as it found it."""
import filecmp
import os
import re
import struct
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "scenarios"))
from desktop import Desktop, Screen, wait_for  # noqa: E402
from wine import Wine  # noqa: E402

FOLDER = r"C:\Program Files\Tobble"
LINK = "ProgramData/Microsoft/Windows/Start Menu/Programs/Tobble/Tobble.lnk"
IMAGE1 = (16, 16, 113, 151)  # the picture box in client pixels: left, top, width, height
failed = []


def check(what, ok, detail=""):
    print(f"{'PASS' if ok else 'FAIL'}: {what}" + ("" if ok else f" ({detail})"), flush=True)
    if not ok:
        failed.append(what)
    return ok


def link_target(path):
    """(target path, working folder) of a shell link: its LinkInfo's local base path and the
    working-folder string that follows the name (and the relative path, if any)."""
    data = Path(path).read_bytes()
    flags, at = struct.unpack_from("<I", data, 0x14)[0], 0x4C
    if flags & 0x1:  # an item-id list first
        at += 2 + struct.unpack_from("<H", data, at)[0]
    target = None
    if flags & 0x2:
        base = at + struct.unpack_from("<I", data, at + 16)[0]
        target = data[base:data.index(b"\0", base)].decode("cp1252")
        at += struct.unpack_from("<I", data, at)[0]
    strings = []
    for bit in (0x4, 0x8, 0x10):  # name, relative path, working folder
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            strings.append(data[at + 2:at + 2 + 2 * count].decode("utf-16-le").rstrip("\0"))
            at += 2 + 2 * count
    return target, strings[-1] if flags & 0x10 else None


def registry_key(reg_file, key):
    """{value name: text as stored} of one key of a Wine registry file, or None."""
    text = Path(reg_file).read_text(encoding="utf-8", errors="replace")
    head = "[" + key.replace("\\", "\\\\") + "]"
    start = next((m.end() for m in re.finditer(re.escape(head) + r".*\n", text)), None)
    if start is None:
        return None
    body = text[start:text.find("\n\n", start)]
    return {m[1]: m[2] for m in re.finditer(r'^"([^"]*)"=(.*)$', body, re.M)}


def unquote(value):  # a registry string value, as Wine stores it
    return value[1:-1].replace('\\"', '"').replace("\\\\", "\\") if value else value


def tree(root):
    return {os.path.relpath(os.path.join(d, e), root) for d, dirs, files in os.walk(root)
            for e in dirs + files}


def shows_character(d, screen, title, picture):
    """The window titled as the character has in its picture box the colours of the character's
    picture, on average (the client area is found below the menu bar: the first black rows)."""
    win = int(d.run(["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"])
              .stdout.split()[0])
    info = d.run(["xwininfo", "-id", str(win)]).stdout
    x, y, h = (int(re.search(rf"{k}:\s*(\d+)", info)[1])
               for k in ("Absolute upper-left X", "Absolute upper-left Y", "Height"))
    column = screen.region(x + 3, y, 1, h)
    menu = next((r for r in range(h - 8) if all(column(0, r + i) == (0, 0, 0) for i in range(8))),
                None)
    if menu is None:
        return False, "no black client area below a menu bar"
    left, top, w, h = IMAGE1
    pixels = screen.region(x + left, y + menu + top, w, h)
    shown = [sum(pixels(i, j)[c] for i in range(w) for j in range(h)) / (w * h) for c in range(3)]
    want = subprocess.run(["convert", picture, "-scale", "1x1!", "-depth", "8", "rgb:-"],
                          capture_output=True, check=True).stdout
    return all(abs(a - b) < 12 for a, b in zip(shown, want)), (shown, list(want))


def main():
    setup, probe, character = (os.path.abspath(a) for a in sys.argv[1:4])
    wine = Wine(setup, probe)
    if reason := wine.cannot_run():
        print(f"SKIPPED: {reason}")
        return 77
    prefix = Path(wine.env["WINEPREFIX"])
    drive, folder = prefix / "drive_c", prefix / "drive_c/Program Files/Tobble"
    try:
        with Desktop() as d:
            env = {**d.env, **wine.env}

            def run(*argv):  # what it starts keeps no pipe of ours open
                subprocess.run(argv, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=120)

            run(wine.server, "-w")
            before = tree(drive)
            run(wine.wine, setup, "/S")
            run(wine.server, "-w")
            bundled = sorted(p.name for p in Path(character).iterdir()
                             if p.suffix in (".ini", ".jpg", ".wav"))
            installed = sorted(os.listdir(folder)) if folder.is_dir() else []
            check("installed: tobble.exe, Uninstall.exe, the licence and the bundled character, nothing else",
                  installed == sorted(bundled + ["LICENSE.txt", "tobble.exe", "Uninstall.exe"]),
                  installed)
            check("the character's files are the bundled ones, byte for byte", all(
                filecmp.cmp(Path(character, n), folder / n, shallow=False) for n in bundled
                if (folder / n).exists()))
            exe = FOLDER + r"\tobble.exe"
            target = link_target(drive / LINK) if (drive / LINK).exists() else None
            check('the Start-menu shortcut "Tobble" starts tobble.exe in its folder',
                  target == (exe, FOLDER), target)
            entry = registry_key(prefix / "system.reg",
                                 r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Tobble")
            size = sum(f.stat().st_size for f in folder.iterdir()) // 1024
            shown = {k: unquote(v) for k, v in (entry or {}).items() if v.startswith('"')}
            check("Add/Remove Programs: name, version 1.00, publisher, icon, uninstaller", {
                k: shown.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher",
                                          "DisplayIcon", "UninstallString")} == {
                "DisplayName": "Tobble", "DisplayVersion": "1.00",
                "Publisher": "The Tobble developers", "DisplayIcon": exe,
                "UninstallString": f'"{FOLDER}\\Uninstall.exe"'}, entry)
            estimated = int((entry or {}).get("EstimatedSize", "dword:0").split(":")[1], 16)
            check("Add/Remove Programs: the size is the installed folder's",
                  abs(estimated - size) <= 8, (estimated, size))

            run(wine.wine, "start", "/unix", str(drive / LINK))
            seen = [(False, "no window")]
            # The second item of config.ini, in quotes on its own line.
            title = Path(character, "config.ini").read_text().splitlines()[1].strip().strip('"')
            try:
                wait_for(lambda: d.run(["xdotool", "search", "--onlyvisible", "--name",
                                        f"^{re.escape(title)}$"]).stdout, 60, "the main window")
                screen = Screen(env["DISPLAY"])
                wait_for(lambda: seen.append(shows_character(
                    d, screen, title, Path(character, "picture.jpg"))) or seen[-1][0], 15, "")
            except TimeoutError:
                pass
            ok, detail = seen[-1]
            check("started from the shortcut, Tobble shows the bundled character (its title "
                  "and picture)", ok, detail)
            run(wine.server, "-k")
            run(wine.server, "-w")

            # The uninstaller runs on from a copy of itself, and returns at once.
            run(wine.wine, FOLDER + r"\Uninstall.exe", "/S")
            wait_for(lambda: not folder.exists(), 30, "the uninstaller", 0.2)
            run(wine.server, "-w")
            # That copy can only be deleted once it has ended: at the system's next start, which
            # leaves its empty folder in the user's temporary folder.
            run(wine.wine, "wineboot", "-r")
            run(wine.server, "-w")
            left = sorted(p for p in tree(drive) - before
                          if not (re.fullmatch(r"users/[^/]+/Temp/~nsu\d*\.tmp", p) and
                                  not os.listdir(drive / p)))
            check("uninstalled: no file, folder or shortcut is left", not left, left[:5])
            registry = [f for f in ("system.reg", "user.reg")
                        if "tobble" in (prefix / f).read_text(errors="replace").lower()]
            check("uninstalled: the registry names Tobble nowhere", not registry, registry)
    finally:
        wine.close()
    print(f"{'FAILED: ' + ', '.join(failed) if failed else 'all passed'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
