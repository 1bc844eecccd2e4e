#!/usr/bin/python3
"""End-to-end smoke test of the real tobble.exe under Wine.

Everything runs privately and is stopped again: an Xvfb display with openbox, a PulseAudio
daemon whose null sink is recorded, and a fresh 32-bit Wine prefix. The program runs from a
directory of test content whose sounds are pure tones, so the recording tells which file played.
"""

import argparse
import array
import ctypes
import math
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import wave

import pefile

TITLE = "Tobble under Wine"
RATE = 16000  # of the recording
TONES = {"0.wav": (440, 0.6), "1.wav": (660, 0.6), "a1.wav": (1000, 1.2), "ding.wav": (300, 0.4)}
CONFIG = (
    f'"Test character"\r\n"{TITLE}"\r\n"Lines:"\r\n1\r\n"Hello from the test greeting"\r\n'
    '"The one random line"\r\n"Answers:"\r\n1\r\n"The one answer"\r\n'
)
TWIPS_PER_PIXEL = 15
CLIENT_W, CLIENT_H = 2175 // TWIPS_PER_PIXEL, 4950 // TWIPS_PER_PIXEL
LABEL1 = (8, 176, 129, 97)  # left, top, width, height in client pixels
LABEL2_CENTRE = (32 + 73 // 2, 24 + 121 // 2)
OUTSIDE_LABEL2 = (20, 20)  # on the picture, outside the click area
BACKGROUND = (3, 3)


class Checks:
    def __init__(self):
        self.failed = []

    def check(self, name, ok, detail=""):
        print(f"{'ok  ' if ok else 'FAIL'} {name}{': ' + detail if detail else ''}", flush=True)
        if not ok:
            self.failed.append(name)
        return ok


def write_tone(path, frequency, seconds, rate=22050):
    frames = array.array("h", (int(12000 * math.sin(2 * math.pi * frequency * i / rate))
                               for i in range(int(seconds * rate))))
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(frames.tobytes())


def wait_for(predicate, timeout, step=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


# --- Version record, icon and cursor, read from the file itself -----------------------------

def check_resources(checks, exe):
    pe = pefile.PE(exe)
    checks.check("exe is PE32 for i386", pe.FILE_HEADER.Machine == 0x14C
                 and pe.OPTIONAL_HEADER.Magic == 0x10B)
    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    foreign = [dll for dll in imports if dll.startswith(("libstdc++", "libgcc", "libwinpthread"))]
    checks.check("exe needs no MinGW DLL", not foreign, ", ".join(imports))

    fixed = pe.VS_FIXEDFILEINFO[0]
    strings = {}
    translations = []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings[table.LangID.decode()] = {k.decode(): v.decode()
                                                  for k, v in table.entries.items()}
        elif info.Key == b"VarFileInfo":
            for var in info.Var:
                translations += [var.entry[k] for k in var.entry]
    table = strings.get("040904b0") or strings.get("040904B0") or {}
    checks.check("version record 1.00, U.S. English, code page 1200",
                 fixed.FileVersionMS == 0x10000 and fixed.FileVersionLS == 0
                 and fixed.ProductVersionMS == 0x10000 and table.get("FileVersion") == "1.00"
                 and table.get("ProductVersion") == "1.00" and table.get("ProductName") == "Tobble"
                 and any(str(t).lower().split() == ["0x0409", "0x04b0"] for t in translations),
                 f"{table} {translations}")

    groups = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        groups[kind.id] = kind
    icons = []
    if 14 in groups:  # RT_GROUP_ICON
        entry = groups[14].directory.entries[0].directory.entries[0]
        data = pe.get_data(entry.data.struct.OffsetToData, entry.data.struct.Size)
        count = struct.unpack_from("<H", data, 4)[0]
        for i in range(count):
            w, h, _, _, _, bits = struct.unpack_from("<BBBBHH", data, 6 + 14 * i)
            icons.append((w or 256, h or 256, bits))
    checks.check("exe icon has a 32x32 256-colour image", (32, 32, 8) in icons, str(icons))
    cursors = 0
    if 12 in groups:  # RT_GROUP_CURSOR
        entry = groups[12].directory.entries[0].directory.entries[0]
        data = pe.get_data(entry.data.struct.OffsetToData, entry.data.struct.Size)
        cursors = struct.unpack_from("<H", data, 4)[0]
    checks.check("microphone cursor in 2 versions", cursors == 2, f"{cursors} images")
    checks.check("manifest present", 24 in groups)


# --- The screen -------------------------------------------------------------------------------

class Screen:
    def __init__(self, window, work):
        self.window = window
        self.path = os.path.join(work, "shot.xwd")

    def grab(self):
        """Returns (width, height, pixel function) of the window's current contents."""
        subprocess.run(["xwd", "-silent", "-id", self.window, "-out", self.path], check=True)
        with open(self.path, "rb") as f:
            data = f.read()
        header = struct.unpack_from(">25I", data, 0)
        header_size, width, height = header[0], header[4], header[5]
        byte_order, bits_per_pixel, bytes_per_line, ncolors = (header[7], header[11], header[12],
                                                               header[19])
        offset = header_size + 12 * ncolors
        if bits_per_pixel not in (24, 32):
            raise RuntimeError(f"unexpected {bits_per_pixel} bits per pixel")
        step = bits_per_pixel // 8

        def pixel(x, y):
            raw = data[offset + y * bytes_per_line + step * x:][:step] + b"\0"
            value = int.from_bytes(raw[:4], "little" if byte_order == 0 else "big")
            if byte_order != 0 and step == 3:
                value >>= 8
            return ((value >> 16) & 255, (value >> 8) & 255, value & 255)

        self.data = data
        return width, height, pixel


class PixelReader:
    """Reads single pixels straight from the X server: fast enough to catch a 100 ms flash."""

    def __init__(self, display):
        x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XGetImage.restype = ctypes.c_void_p
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                  ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XGetPixel.restype = ctypes.c_ulong
        x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        x11.XDestroyImage.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.display = x11.XOpenDisplay(display.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {display}")

    def pixel(self, window, x, y):
        image = self.x11.XGetImage(self.display, int(window), x, y, 1, 1, 0xFFFFFFFF, 2)
        if not image:
            return None
        value = self.x11.XGetPixel(image, 0, 0)
        self.x11.XDestroyImage(image)
        return ((value >> 16) & 255, (value >> 8) & 255, value & 255)

    def close(self):
        self.x11.XCloseDisplay(self.display)


# --- Sound ------------------------------------------------------------------------------------

class Recorder:
    """Records the null sink; marks are sample offsets in the recording."""

    def __init__(self, path):
        self.path = path

    def mark(self):
        return os.path.getsize(self.path) // 2 if os.path.exists(self.path) else 0

    def samples(self, start, end):
        with open(self.path, "rb") as f:
            f.seek(2 * start)
            raw = f.read(2 * (end - start))
        values = array.array("h")
        values.frombytes(raw[: len(raw) // 2 * 2])
        return values

    def tone_seconds(self, start, end, frequency, frame=800):
        """How long the tone sounds between two marks, in frames of 50 ms where it dominates."""
        values = self.samples(start, end)
        k = 2 * math.cos(2 * math.pi * frequency / RATE)
        found = 0
        for first in range(0, len(values) - frame + 1, frame):
            s1 = s2 = 0.0
            energy = 0.0
            for v in values[first:first + frame]:
                s0 = v + k * s1 - s2
                s2, s1 = s1, s0
                energy += v * v
            power = s1 * s1 + s2 * s2 - k * s1 * s2
            rms = math.sqrt(energy / frame)
            if rms > 300 and power / (energy * frame / 2) > 0.5:
                found += 1
        return found * frame / RATE


# --- The run ----------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("exe")
    parser.add_argument("--picture", required=True, help="picture.jpg for the test content")
    parser.add_argument("--screenshot", help="where to keep a PNG of the running window")
    parser.add_argument("--keep", action="store_true", help="keep the work directory")
    args = parser.parse_args()

    checks = Checks()
    check_resources(checks, args.exe)

    work = tempfile.mkdtemp(prefix="tobble-wine-")
    background = []
    env = dict(os.environ)

    def start(command, **kwargs):
        log = open(os.path.join(work, os.path.basename(command[0]) + ".log"), "ab")
        process = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT,
                                   **kwargs)
        background.append(process)
        return process

    program = None
    try:
        # X server and window manager.
        read_end, write_end = os.pipe()
        # -noreset: a server that resets when its last client leaves writes its number again,
        # and dies when nobody reads it.
        start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
               "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        display = os.read(read_end, 64).decode().strip()
        env["DISPLAY"] = ":" + display
        start(["openbox", "--sm-disable"])

        # Sound server with a null sink, recorded from its monitor.
        run_dir = os.path.join(work, "run")
        os.makedirs(os.path.join(run_dir, "pulse"), mode=0o700)
        os.makedirs(os.path.join(work, "home"))
        env.update(HOME=os.path.join(work, "home"), XDG_RUNTIME_DIR=run_dir,
                   PULSE_RUNTIME_PATH=os.path.join(run_dir, "pulse"),
                   PULSE_STATE_PATH=os.path.join(work, "pulse-state"),
                   PULSE_COOKIE=os.path.join(work, "cookie"),
                   PULSE_SERVER="unix:" + os.path.join(run_dir, "pulse", "native"))
        start(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
               "--use-pid-file=no", "--log-target=file:" + os.path.join(work, "pulse.log"),
               "-L", "module-native-protocol-unix auth-anonymous=1 socket="
               + os.path.join(run_dir, "pulse", "native"),
               "-L", "module-null-sink sink_name=test rate=48000 channels=2"])
        sound = wait_for(lambda: subprocess.run(["pactl", "info"], env=env,
                                                capture_output=True).returncode == 0, 10, 0.1)
        recorder = None
        if sound:
            subprocess.run(["pactl", "set-default-sink", "test"], env=env, capture_output=True)
            # Keeps the sink running: without it the recording loses pieces.
            start(["pacat", "--raw", "--latency-msec=20", "--rate=48000", "--channels=2",
                   "/dev/zero"])
            recorder = Recorder(os.path.join(work, "sink.raw"))
            start(["parec", "-d", "test.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
                   "--channels=1", "--latency-msec=20", recorder.path])
        checks.check("sound server for the recording", bool(sound))

        # A fresh 32-bit prefix with Wine's fonts.
        env.update(WINEPREFIX=os.path.join(work, "prefix"), WINEARCH="win32",
                   WINEDEBUG=os.environ.get("TOBBLE_WINEDEBUG", "-all"),
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=120)
        fonts = os.path.join(env["WINEPREFIX"], "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for name in os.listdir("/usr/share/wine/fonts"):
            shutil.copy(os.path.join("/usr/share/wine/fonts", name), fonts)

        # The program's directory: the exe, a picture, and tones for sounds.
        app = os.path.join(work, "app")
        os.makedirs(app)
        shutil.copy(args.exe, os.path.join(app, "tobble.exe"))
        shutil.copy(args.picture, os.path.join(app, "picture.jpg"))
        with open(os.path.join(app, "config.ini"), "w", newline="") as f:
            f.write(CONFIG)
        for name, (frequency, seconds) in TONES.items():
            write_tone(os.path.join(work if name == "ding.wav" else app, name), frequency, seconds)
        # What the system plays for a missing file or a beep: a tone of its own.
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Sounds", "/v", "Default",
                        "/d", "Z:" + os.path.join(work, "ding.wav").replace("/", "\\"), "/f"],
                       env=env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=env)

        # Started from another directory: the program finds its content beside itself.
        before_start = recorder.mark() if recorder else 0
        log = open(os.path.join(work, "wine.log"), "wb")
        program = subprocess.Popen(["wine", os.path.join(app, "tobble.exe")], env=env, cwd=work,
                                   stdout=log, stderr=subprocess.STDOUT)

        def find_window():
            found = subprocess.run(["xdotool", "search", "--name", "^" + TITLE + "$"], env=env,
                                   capture_output=True, text=True).stdout.split()
            return found[0] if found else None

        window = wait_for(find_window, 60, 0.2)
        if not checks.check("window appears with the title from config.ini", bool(window)):
            names = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ".",
                                    "getwindowname", "%@"], env=env, capture_output=True,
                                   text=True).stdout
            print("windows on the screen:", names.strip().replace("\n", "; "))
            print("display", env["DISPLAY"], "X server", "running" if background[0].poll() is None
                  else f"ended with {background[0].returncode}")
            return 1
        os.environ["DISPLAY"] = env["DISPLAY"]
        state = subprocess.run(["xprop", "-id", window, "_NET_WM_STATE"], env=env,
                               capture_output=True, text=True).stdout
        checks.check("window is topmost", "_NET_WM_STATE_ABOVE" in state, state.strip())

        screen = Screen(window, work)
        width, height, pixel = screen.grab()
        menu_height = height - CLIENT_H
        checks.check("client area 145 x 330 below the menu bar",
                     width == CLIENT_W and 10 < menu_height < 40, f"{width} x {height}")

        def at(point):
            return (point[0], point[1] + menu_height)

        pixels = PixelReader(env["DISPLAY"])

        def background_colour():
            return pixels.pixel(window, *at(BACKGROUND))

        def label1_pixels():
            _, _, p = screen.grab()
            x0, y0, w, h = LABEL1
            return tuple(p(x, y + menu_height) for y in range(y0, y0 + h, 2)
                         for x in range(x0, x0 + w, 2))

        greeting_shown = wait_for(lambda: any(c == (255, 255, 255) for c in label1_pixels()), 10,
                                  0.1)
        greeting_text = label1_pixels()
        checks.check("background black, greeting shown in Label1",
                     background_colour() == (0, 0, 0) and greeting_shown)
        if args.screenshot:
            subprocess.run(["convert", "xwd:" + screen.path, args.screenshot], env=env)
        if recorder:
            time.sleep(1.0)
            heard = recorder.tone_seconds(before_start, recorder.mark(), 440)
            checks.check("greeting sound 0.wav played", heard >= 0.4, f"{heard:.2f} s of 440 Hz")

        subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env,
                       capture_output=True, timeout=10)

        def click(point):
            x, y = at(point)
            subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y),
                            "click", "1"], env=env, check=True)

        def key(*names):
            subprocess.run(["xdotool", "key", "--clearmodifiers", *names], env=env, check=True)

        # A click beside the click area does nothing.
        click(OUTSIDE_LABEL2)
        red = wait_for(lambda: background_colour() == (255, 0, 0), 0.6, 0.02)
        checks.check("click on the picture outside the character does nothing", not red)

        # A click on the character: red flash, then black again, and line 1 plays.
        mark = recorder.mark() if recorder else 0
        click(LABEL2_CENTRE)
        red = wait_for(lambda: background_colour() == (255, 0, 0), 1.5, 0.002)
        black = red and wait_for(lambda: background_colour() == (0, 0, 0), 1.5, 0.02)
        checks.check("click on the character flashes red and back to black", bool(red and black),
                     f"red {bool(red)}, black again {bool(black)}")
        line_text = label1_pixels()
        checks.check("the random line replaces the greeting", line_text != greeting_text)
        if recorder:
            time.sleep(1.0)
            heard = recorder.tone_seconds(mark, recorder.mark(), 660)
            checks.check("line sound 1.wav played", heard >= 0.4, f"{heard:.2f} s of 660 Hz")

        # Alt+M opens the drop-down: a new window on the screen, gone again with Escape.
        def visible_windows():
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""], env=env,
                                 capture_output=True, text=True).stdout.split()
            return set(out)

        before = visible_windows()
        key("alt+m")
        opened = wait_for(lambda: visible_windows() - before, 3, 0.1)
        checks.check("Alt+M opens the menu", bool(opened))
        key("Escape")
        key("Escape")
        wait_for(lambda: not (visible_windows() - before), 3, 0.1)
        subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env,
                       capture_output=True, timeout=10)

        # F5 says the last sound again.
        if recorder:
            mark = recorder.mark()
            key("F5")
            time.sleep(1.2)
            heard = recorder.tone_seconds(mark, recorder.mark(), 660)
            checks.check("F5 repeats the last sound", heard >= 0.4, f"{heard:.2f} s of 660 Hz")

        # Enter answers: the answer's text, and its whole sound with no beep cutting it off.
        mark = recorder.mark() if recorder else 0
        subprocess.run(["xdotool", "type", "--delay", "30", "Will it work?"], env=env, check=True)
        time.sleep(0.3)
        key("Return")
        answered = wait_for(lambda: label1_pixels() != line_text, 2, 0.05)
        checks.check("Enter shows the answer in Label1", bool(answered))
        if recorder:
            time.sleep(2.0)
            heard = recorder.tone_seconds(mark, recorder.mark(), 1000)
            beep = recorder.tone_seconds(mark, recorder.mark(), 300)
            checks.check("Enter plays the whole answer sound, with no beep", heard >= 1.0
                         and beep == 0, f"{heard:.2f} s of 1000 Hz (1.2 s long), "
                         f"{beep:.2f} s of the beep")

        # Ctrl+Q ends the process with exit code 0.
        key("ctrl+q")
        try:
            code = program.wait(timeout=15)
        except subprocess.TimeoutExpired:
            code = None
        checks.check("Ctrl+Q ends the program with exit code 0", code == 0, f"exit code {code}")
    finally:
        if program and program.poll() is None:
            program.kill()
        if "WINEPREFIX" in env:
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        for process in reversed(background):
            process.send_signal(signal.SIGINT if process.args[0] == "parec" else signal.SIGTERM)
        os.close(read_end)
        for process in background:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
        if args.keep:
            print("work directory kept:", work)
        else:
            shutil.rmtree(work, ignore_errors=True)

    if checks.failed:
        print("FAILED:", ", ".join(checks.failed))
        return 1
    print("All Wine smoke checks passed.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
