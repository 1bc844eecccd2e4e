#!/usr/bin/env python3
"""What a person does with Tobble and should see and hear, run against the Linux program or
tobble.exe under Wine, each session on a private desktop with content of pure tones.
Usage: scenarios.py linux PROGRAM | scenarios.py wine TOBBLE.EXE WINPROBE.EXE
TOBBLE_ONLY=WORD runs only the sessions whose name has WORD."""
import os
import sys
import time
import traceback

sys.dont_write_bytecode = True  # keep the source tree clean
from character_files import character_file  # noqa: E402
from characters import character_folder, own_character, scaled_pointer  # noqa: E402
from faults import missing_config, missing_picture, missing_sounds, sound_server  # noqa: E402
from menus import auto_play, menu_items, timers  # noqa: E402
from session import Session  # noqa: E402
from sound_encodings import encodings  # noqa: E402
from talking import talking  # noqa: E402

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
    ("a character file opened, added and refused", character_file, {}),
]


def main():
    kind, program, *probe = sys.argv[1:]
    from linux import Linux
    from wine import Wine
    driver = (Linux if kind == "linux" else Wine)(os.path.abspath(program), *probe)
    if reason := driver.cannot_run():
        print(f"SKIPPED: {reason}")
        return 77  # CTest's SKIP_RETURN_CODE
    started, results = time.monotonic(), []  # (what, passed)
    try:
        for name, run, options in SESSIONS:
            # "linux: ..." runs on Linux only
            if os.environ.get("TOBBLE_ONLY", "") in name and name.split(":")[0] in (name, kind):
                print(f"== {name}", flush=True)
                try:
                    with Session(driver, results, **options) as s:
                        run(s)
                except Exception as e:  # noqa: BLE001 - a broken session is one failure, go on
                    results.append((f"{name} ran to its end ({type(e).__name__}: {e})", False))
                    traceback.print_exc()
    finally:
        driver.close()
    failed = [what for what, ok in results if not ok]
    print(f"{driver.name}: {len(results) - len(failed)} passed, {len(failed)} failed in "
          f"{time.monotonic() - started:.0f} s", *(f"FAILED: {what}" for what in failed), sep="\n")
    return 1 if failed or not results else 0


if __name__ == "__main__":
    sys.exit(main())
