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
from desktop import Desktop, wait_for  # noqa: E402
from wine import Wine  # noqa: E402

FOLDER = r"C:\Program Files\Tobble"
LINK = "ProgramData/Microsoft/Windows/Start Menu/Programs/Tobble/Tobble.lnk"
failed = []


def check(what, ok, detail=""):
    print(f"{'PASS' if ok else 'FAIL'}: {what}" + ("" if ok else f" ({detail})"), flush=True)
    if not ok:
        failed.append(what)
    return ok


def names_folder(link, exe):
    """A shell link that starts exe (its LinkInfo's local base path, ANSI and NUL-ended) in
    FOLDER (the working folder: counted UTF-16, Wine counting its NUL too)."""
    data = Path(link).read_bytes() if Path(link).exists() else b""
    return exe.encode("cp1252") + b"\0" in data and any(
        struct.pack("<H", n) + FOLDER.encode("utf-16-le") in data for n in (len(FOLDER), len(FOLDER) + 1))


def registry_key(reg_file, key):
    """{value name: value} of one key of a Wine registry file ("" the default value), strings
    unquoted, or {}."""
    text = Path(reg_file).read_text(encoding="utf-8", errors="replace")
    head = re.search(re.escape("[" + key.replace("\\", "\\\\") + "]") + r".*\n", text)
    body = text[head.end():text.find("\n\n", head.end())] if head else ""
    return {m[1] or "": m[2][1:-1].replace('\\"', '"').replace("\\\\", "\\") if m[2][:1] == '"'
            else m[2] for m in re.finditer(r'^(?:"([^"]*)"|@)=(.*)$', body, re.M)}


def tree(root):
    return {os.path.relpath(os.path.join(d, e), root) for d, dirs, files in os.walk(root)
            for e in dirs + files}


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
            check("installed: tobble.exe, Uninstall.exe, the licence and the bundled character byte "
                  "for byte, nothing else", installed == sorted(bundled + [
                      "LICENSE.txt", "tobble.exe", "Uninstall.exe"]) and all(filecmp.cmp(
                          Path(character, n), folder / n, shallow=False) for n in bundled), installed)
            exe = FOLDER + r"\tobble.exe"
            check('the Start-menu shortcut "Tobble" starts tobble.exe in its folder',
                  names_folder(drive / LINK, exe))
            entry = registry_key(prefix / "system.reg",
                                 r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Tobble")
            size = sum(f.stat().st_size for f in folder.iterdir()) // 1024
            want = {"DisplayName": "Tobble", "DisplayVersion": "1.00", "DisplayIcon": exe,
                    "Publisher": "The Tobble developers",
                    "UninstallString": f'"{FOLDER}\\Uninstall.exe"'}
            check("Add/Remove Programs: name, version 1.00, publisher, icon, uninstaller",
                  {k: entry.get(k) for k in want} == want, entry)
            estimated = int(entry.get("EstimatedSize", "dword:0").split(":")[1], 16)
            check("Add/Remove Programs: the size is the installed folder's",
                  abs(estimated - size) <= 8, (estimated, size))
            classes = {key: registry_key(prefix / "system.reg", "Software\\Classes\\" + key).get("")
                       for key in (".tobble", "Tobble.Character", r"Tobble.Character\DefaultIcon",
                                   r"Tobble.Character\shell\open\command")}
            check("a .tobble file is a Tobble character, opened by tobble.exe and shown with its icon",
                  classes == {".tobble": "Tobble.Character", "Tobble.Character": "Tobble character",
                              r"Tobble.Character\DefaultIcon": exe + ",0",
                              r"Tobble.Character\shell\open\command": f'"{exe}" "%1"'}, classes)

            run(wine.wine, "start", "/unix", str(drive / LINK))
            # The second item of config.ini, in quotes on its own line: the title of the
            # installed character (the scenarios check how a character is drawn).
            title = Path(character, "config.ini").read_text().splitlines()[1].strip().strip('"')
            try:
                window = wait_for(lambda: d.run(["xdotool", "search", "--onlyvisible", "--name",
                                                f"^{re.escape(title)}$"]).stdout, 60, "")
            except TimeoutError:
                window = False
            check("started from the shortcut, Tobble shows the bundled character", window)
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
