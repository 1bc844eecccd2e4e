#!/usr/bin/env python3
"""A 20 MB character file: the time from start to the question against the time to start on the
same character as a folder; from Yes to the new window against that start plus unzip's time; the
peak memory of the process that unpacks it against one that only asks. Reports; never fails.
Run on a private desktop: scripts/with-desktop.sh python3 bench/character_file_bench.py
build/bin/tobble [--save]"""
import datetime
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 5
HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "scenarios"))
from session import Character  # noqa: E402


def windows(name):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                         capture_output=True, text=True).stdout
    return out.split()


def until(predicate, timeout=30):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if (value := predicate()):
            return value
        time.sleep(0.002)
    raise TimeoutError("no such window")


def timed_start(argv, name, env):  # seconds to the named window, and the process
    started = time.monotonic()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", env["TIME_LOG"], *argv], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    win = until(lambda: windows(name))[0]
    return time.monotonic() - started, proc, win


def peak_kib(env):
    return int(open(env["TIME_LOG"]).read().split()[-1])


def main():
    program, save = os.path.abspath(sys.argv[1]), "--save" in sys.argv
    work = tempfile.mkdtemp(prefix="tobble-file-bench-")
    env = dict(os.environ, HOME=os.path.join(work, "home"), TIME_LOG=os.path.join(work, "time"),
               XDG_DATA_HOME=os.path.join(work, "home", "data"))
    os.makedirs(env["HOME"])
    folder, character = os.path.join(work, "Big"), Character(title="Big character")
    character.write(folder)
    for n in range(5, 45):  # 40 half-megabyte sounds of noise: about 20 MB that hardly packs
        with open(os.path.join(folder, f"a{n}.wav" if n > 30 else f"{n}.wav"), "wb") as f:
            f.write(os.urandom(512 * 1024))
    shutil.copy(program, os.path.join(folder, "tobble"))
    archive = os.path.join(work, "big.tobble")
    subprocess.run([os.path.join(os.path.dirname(program), "tobble-check"), "--pack", folder,
                    archive], capture_output=True)
    folder_start, question, added, unzip, asks_kib, adds_kib = [], [], [], [], [], []
    for run in range(RUNS):
        t, proc, win = timed_start([os.path.join(folder, "tobble")], "^Big character$", env)
        folder_start.append(t)
        proc.terminate(), proc.wait()
        t, proc, box = timed_start([program, archive], "^Tobble$", env)
        question.append(t)
        subprocess.run(["xdotool", "windowfocus", "--sync", box, "key", "alt+n"])
        proc.wait()
        asks_kib.append(peak_kib(env))
        t, proc, box = timed_start([program, archive], "^Tobble$", env)
        subprocess.run(["xdotool", "windowfocus", "--sync", box])
        yes = time.monotonic()
        subprocess.run(["xdotool", "key", "alt+y"])
        until(lambda: windows("^Big character$"))
        added.append(time.monotonic() - yes)
        proc.wait()
        adds_kib.append(peak_kib(env))
        subprocess.run(["pkill", "-f", os.path.join(env["HOME"], "Tobble")])
        shutil.rmtree(os.path.join(env["HOME"], "Tobble"))
        started = time.monotonic()
        subprocess.run(["unzip", "-q", "-o", archive, "-d", os.path.join(work, f"unzip{run}")])
        unzip.append(time.monotonic() - started)
    ms = lambda xs: statistics.median(xs) * 1000  # noqa: E731
    size = os.path.getsize(archive) / 1e6
    lines = [
        f"Character file of {size:.1f} MB, {RUNS} runs, medians:",
        f"  start on the folder to its window      {ms(folder_start):7.1f} ms",
        f"  start on the file to the question      {ms(question):7.1f} ms  "
        f"({ms(question) / ms(folder_start):.2f}x the folder's start; target 1.5x)",
        f"  Yes to the added character's window    {ms(added):7.1f} ms  "
        f"(unzip {ms(unzip):.1f} ms + folder start: {ms(added) / (ms(unzip) + ms(folder_start)):.2f}x;"
        " target 2x)",
        f"  peak memory, asking only               {statistics.median(asks_kib) / 1024:7.1f} MiB",
        f"  peak memory, asking and unpacking      {statistics.median(adds_kib) / 1024:7.1f} MiB  "
        f"(+{(statistics.median(adds_kib) - statistics.median(asks_kib)) / 1024:.1f} MiB; target 8)"]
    print("\n".join(lines))
    if save:
        stamp = datetime.datetime.now().strftime("%Y%m%d-%H%M%S")
        with open(os.path.join(HERE, "results", f"{stamp}-character-file.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
