#!/usr/bin/env python3
"""Sound per encoding: click to the first sample at the sink for each encoding a character may
bring, and the memory the program adds while it plays a long 96 kHz 24-bit stereo file. Private
X server and PulseAudio null sink, as bench.py. Reports; never fails on a missed target.
Usage: sound_bench.py PROGRAM [--save]"""
import datetime
import os
import runpy
import shutil
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "scenarios"))
from bench import Bench, fmt, ms, rss_kib, summary  # noqa: E402
from desktop import Desktop  # noqa: E402
from session import Character  # noqa: E402

ENCODED = runpy.run_path(os.path.join(os.path.dirname(HERE), "tests", "scenarios", "encodings.py"))
CLICKS = 10


def click_point(bench, proc):
    win = bench.window_of(proc)
    time.sleep(1.0)
    geo = bench.d.run(["xwininfo", "-id", str(win)]).stdout
    vals = {k.strip(): v.strip() for k, v in
            (line.split(":", 1) for line in geo.splitlines() if ":" in line)}
    x, y = int(vals["Absolute upper-left X"]), int(vals["Absolute upper-left Y"])
    return x + 68, y + int(vals["Height"]) - 330 + 84


def main():
    program, save = sys.argv[1], "--save" in sys.argv
    rows = []
    with Desktop(window_manager=False) as d:
        appdir = os.path.join(d.dir, "app")
        Character(words=("encoded",)).write(appdir)
        shutil.copy2(program, os.path.join(appdir, "tobble"))
        line = os.path.join(appdir, "1.wav")
        bench = Bench(d, {"tobble": os.path.join(appdir, "tobble")}, appdir)
        proc, _, _ = bench.start("tobble")
        try:
            x, y = click_point(bench, proc)
            for name in ENCODED["SOUNDS"]:
                ENCODED["make"](line, name, 0.15)
                times = []
                for _ in range(CLICKS):
                    t = time.monotonic()
                    bench.screen.click(x, y)
                    heard = bench.clock.first_sound_after(t)
                    times.append(ms(heard - t) if heard else None)
                    time.sleep(0.35)
                s = summary(times)
                rows.append((f"click to first sample, {name}, ms, median (min..max) of {CLICKS}",
                             "-" if s is None else f"{s[0]:.1f} ({s[1]:.1f}..{s[2]:.1f})"))
            # A minute of 96 kHz 24-bit stereo: 33 MB that must never be held whole.
            ENCODED["synth"](line, ["-b", "24"], 96000, 2, 440, 60)
            idle = rss_kib(proc.pid)
            bench.screen.click(x, y)
            peak = idle
            for _ in range(40):
                time.sleep(0.25)
                peak = max(peak, rss_kib(proc.pid))
            rows.append(("RSS idle, MiB", fmt(idle / 1024)))
            rows.append(("RSS growth in the first 10 s of a 60 s 96 kHz 24-bit stereo file, MiB "
                         "(target <= 8)", fmt((peak - idle) / 1024)))
        finally:
            bench.stop(proc)
    text = "\n".join([f"Tobble sound benchmark, {datetime.datetime.now():%Y-%m-%d %H:%M}, "
                      f"{os.cpu_count()} CPUs, Xvfb, PulseAudio null sink"] +
                     [f"{what:90} {value}" for what, value in rows] +
                     ["Times on the monitor stream's clock, as bench.py: they include the "
                      "monitor's latency. Target: <= 10 ms."])
    print(text)
    if save:
        path = os.path.join(HERE, "results", f"{datetime.datetime.now():%Y%m%d-%H%M%S}-sound.txt")
        with open(path, "w") as f:
            f.write(text + "\n")


if __name__ == "__main__":
    main()
