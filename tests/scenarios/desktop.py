"""A private desktop (X server, window manager, session bus, a sound server recording its null
sink: a PulseAudio daemon, or PipeWire with its PulseAudio service as Debian's desktops run);
screen pixels and clicks through Xlib; a listener that names each sound by its tone."""
import array
import ctypes
import ctypes.util
import math
import os
import shutil
import signal
import subprocess
import tempfile
import time


def wait_for(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out waiting for {what}")
        time.sleep(interval)
    return value


def end_all_with(variable, also=None):  # the processes with that environment variable, and also
    for pid in [also] + [int(e) for e in os.listdir("/proc") if e.isdigit()]:
        try:
            if pid == also or pid != os.getpid() and variable.encode() in open(
                    f"/proc/{pid}/environ", "rb").read().split(b"\0"):
                os.kill(pid, signal.SIGTERM)
        except (OSError, TypeError):
            pass


class Desktop:
    rate = 16000  # of the recording, mono 16-bit
    wait_for = staticmethod(wait_for)

    def __init__(self, window_manager=True, sound="pulseaudio"):
        self.window_manager = window_manager  # off only for timings of a bare X server
        self.sound = sound  # "pulseaudio" or "pipewire"
        self.dir = tempfile.mkdtemp(prefix="tobble-desktop-")
        self.procs, self.bus_pid, self.env = [], None, dict(os.environ)  # procs: (name, Popen)
        self.recording = os.path.join(self.dir, "sink.raw")

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def spawn(self, name, argv, **kw):
        kw = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL, "env": self.env, **kw}
        self.procs.append((name, subprocess.Popen(argv, **kw)))
        return self.procs[-1][1]

    def spawn_logged(self, name, argv):  # a server that logs to its standard error
        with open(os.path.join(self.dir, f"{name}.log"), "ab") as log:
            return self.spawn(name, argv, stderr=log)

    def run(self, argv, timeout=20, **kw):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              timeout=timeout, **kw)

    def start(self):
        d = self.dir
        for sub in ("run", "run/pulse", "home", "state"):
            os.makedirs(os.path.join(d, sub), mode=0o700, exist_ok=True)
        for key in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "PULSE_SERVER",
                    "QT_QPA_PLATFORM", "SESSION_MANAGER", "XAUTHORITY", "PULSE_RUNTIME_PATH",
                    "PULSE_STATE_PATH", "PULSE_COOKIE", "PIPEWIRE_REMOTE", "PIPEWIRE_RUNTIME_DIR"):
            self.env.pop(key, None)
        if self.sound == "pulseaudio":  # PipeWire keeps all of it under the runtime directory
            self.env.update(PULSE_RUNTIME_PATH=f"{d}/run/pulse", PULSE_STATE_PATH=f"{d}/state",
                            PULSE_COOKIE=f"{d}/cookie")
        self.env.update(HOME=f"{d}/home", XDG_RUNTIME_DIR=f"{d}/run",
                        XDG_CONFIG_HOME=f"{d}/home/.config", XDG_CACHE_HOME=f"{d}/home/.cache",
                        XDG_DATA_HOME=f"{d}/home/.local/share",
                        XDG_STATE_HOME=f"{d}/state",  # the session manager's, not the program's
                        PULSE_SERVER=f"unix:{d}/run/pulse/native",
                        LC_ALL="C.UTF-8", NO_AT_BRIDGE="0",
                        # Qt only talks to the accessibility bus when asked to.
                        QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        r, w = os.pipe()  # -noreset: or the server writes its number again as clients leave
        self.spawn("Xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        with os.fdopen(r) as f:  # the whole line: Xvfb dies if its newline finds no reader
            display = f.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not report a display")
        self.env["DISPLAY"] = ":" + display
        # dbus-launch is not on a fresh Debian; the daemon itself can fork and report.
        out = self.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                        "--print-pid=1"], timeout=10).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"], self.bus_pid = out[0], int(out[1])
        if self.window_manager:
            self.spawn("openbox", ["openbox", "--sm-disable"])
            wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10, "openbox")
        if self.sound == "pipewire":  # the graph and its session manager; clients come later
            self.spawn_logged("pipewire", ["pipewire"])
            wait_for(lambda: os.path.exists(f"{d}/run/pipewire-0"), 10, "pipewire")
            self.spawn_logged("wireplumber", ["wireplumber"])
        self.start_pulse()

    # -- the sound server clients talk to (`pulse`: the PulseAudio daemon, or pipewire-pulse)
    def start_pulse(self):  # (again), the null sink as default, a keep-alive stream, its recorder
        d = self.dir
        if self.sound == "pipewire":
            self.pulse = self.spawn_logged("pipewire-pulse", ["pipewire-pulse"])
        else:
            self.pulse = self.spawn("pulseaudio", [
                "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                "--use-pid-file=no", f"--log-target=file:{d}/pulse.log",
                "-L", f"module-native-protocol-unix auth-anonymous=1 socket={d}/run/pulse/native",
                "-L", "module-null-sink sink_name=test rate=48000 channels=2"])
        wait_for(lambda: self.run(["pactl", "info"]).returncode == 0, 10, self.sound)
        if self.sound == "pipewire":  # its sinks are its modules': gone with it, made again
            self.run(["pactl", "load-module", "module-null-sink", "sink_name=test", "rate=48000",
                      "channels=2"])
        # PipeWire's session manager applies the default a moment later.
        wait_for(lambda: self.run(["pactl", "set-default-sink", "test"]) and self.run(
            ["pactl", "get-default-sink"]).stdout.strip() == "test", 10, "the default sink")
        # A silent stream keeps the sink running; without it recordings lose pieces.
        self.spawn("keep-alive", ["pacat", "--raw", "--latency-msec=20", "--rate=48000",
                                  "--channels=2", "/dev/zero"])
        self.spawn("parec", ["parec", "-d", "test.monitor", "--raw", "--format=s16le",
                             f"--rate={self.rate}", "--channels=1", "--latency-msec=10",
                             self.recording])
        wait_for(lambda: os.path.exists(self.recording) and
                 os.path.getsize(self.recording) > self.rate * 2 * 0.3, 10, "parec")

    def restart_pulse(self, meanwhile=lambda: None):  # meanwhile: what happens with no server
        self.pulse.terminate()
        self.pulse.wait(5)
        meanwhile()
        os.remove(self.recording)  # or the wait for the new recording to grow is met at once
        self.start_pulse()

    def pulse_clients(self, pid):  # the connections of process pid, as the server lists them
        return self.run(["pactl", "list", "clients"]).stdout.count(
            f'application.process.id = "{pid}"')

    def stop(self):
        for name, proc in reversed(self.procs):
            if proc.poll() is None:
                # SIGTERM would lose the recorder's last buffer
                proc.send_signal(signal.SIGINT if name == "parec" else signal.SIGTERM)
                try:
                    proc.wait(3)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait(3)
        self.procs.clear()
        # The bus, and the accessibility bus and registry it started on demand, belong to this
        # desktop: they are found by the runtime directory in their environment.
        end_all_with(f"XDG_RUNTIME_DIR={self.dir}/run", self.bus_pid)
        self.bus_pid = None
        if not os.environ.get("TOBBLE_KEEP_DESKTOP"):
            shutil.rmtree(self.dir, ignore_errors=True)


# -- the screen ---------------------------------------------------------------------------------
def _lib(name, **functions):
    lib = ctypes.CDLL(ctypes.util.find_library(name) or f"lib{name}.so.6")
    for fn, (restype, *argtypes) in functions.items():
        getattr(lib, fn).restype, getattr(lib, fn).argtypes = restype, argtypes
    return lib


_P, _U, _I, _L, _N = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_uint
_x11 = _lib("X11", XOpenDisplay=(_P, ctypes.c_char_p),
            XDefaultRootWindow=(_U, _P), XGetImage=(_P, _P, _U, _I, _I, _U, _U, _U, _I),
            XDestroyImage=(_I, _P), XFlush=(_I, _P), XSelectInput=(_I, _P, _U, _L),
            XPending=(_I, _P), XNextEvent=(_I, _P, _P), XConnectionNumber=(_I, _P),
            XkbSetAutoRepeatRate=(_I, _P, _N, _N, _N))
_xtst = _lib("Xtst", XTestFakeMotionEvent=(_I, _P, _I, _I, _I, _U),
             XTestFakeButtonEvent=(_I, _P, _N, _I, _U))


class _XImage(ctypes.Structure):  # the head of XImage, as far as it is read here
    _fields_ = [(n, _I) for n in ("width", "height", "xoffset", "format")] + [("data", _P)] + [
        (n, _I) for n in ("byte_order", "unit", "bit_order", "pad", "depth", "bpl", "bpp")]


class _CursorImage(ctypes.Structure):  # the head of XFixesCursorImage
    _fields_ = [(f, ctypes.c_short) for f in "xy"] + [
        (f, ctypes.c_ushort) for f in ("width", "height", "xhot", "yhot")]


_xfixes = _lib("Xfixes", XFixesGetCursorImage=(ctypes.POINTER(_CursorImage), _P))


class Screen:
    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = _x11.XDefaultRootWindow(self.dpy)

    def region(self, x, y, w, h):  # (dx, dy) -> (r, g, b)
        img = _x11.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not img or _XImage.from_address(img).bpp != 32:
            raise RuntimeError("XGetImage failed, or the screen is not 24-bit")
        bpl = _XImage.from_address(img).bpl
        raw = ctypes.string_at(_XImage.from_address(img).data, bpl * h)
        _x11.XDestroyImage(img)
        return lambda dx, dy: tuple(raw[dy * bpl + dx * 4 + 2 - i] for i in range(3))  # BGRX

    def pixel(self, x, y):
        return self.region(x, y, 1, 1)(0, 0)

    def pointer(self):  # width, height and hot spot of the pointer shown
        c = _xfixes.XFixesGetCursorImage(self.dpy).contents
        return c.width, c.height, c.xhot, c.yhot

    def key_repeat(self, delay_ms, interval_ms):  # how the server repeats a held key
        _x11.XkbSetAutoRepeatRate(self.dpy, 0x100, delay_ms, interval_ms)  # XkbUseCoreKbd
        _x11.XFlush(self.dpy)

    def click(self, x, y, button=1):
        _xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, button, 1, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, button, 0, 0)
        _x11.XFlush(self.dpy)


# -- the sound ----------------------------------------------------------------------------------
BLOCK_MS = 5
LOUD = 800  # block RMS (of 32767) above which a block counts as sound; the sink is silent else


def _blocks(samples, rate):
    n = rate * BLOCK_MS // 1000
    return [math.sqrt(sum(v * v for v in samples[i:i + n]) / n)
            for i in range(0, len(samples) - n + 1, n)]


def _tone_share(samples, rate, freq):  # energy at freq (Goertzel): about 1 for a pure tone of it
    energy = sum(v * v for v in samples)
    coeff, s1, s2 = 2 * math.cos(2 * math.pi * freq / rate), 0.0, 0.0
    for v in samples:
        s1, s2 = v + coeff * s1 - s2, s1
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (len(samples) / 2 * energy) if energy else 0.0


class Listener:
    def __init__(self, path, rate, tones):
        self.path, self.rate, self.tones = path, rate, tones  # tones: {name: frequency}

    def now(self):
        return os.path.getsize(self.path) // 2

    def read(self, start, end=None):
        with open(self.path, "rb") as f:
            f.seek(start * 2)
            data = f.read() if end is None else f.read((end - start) * 2)
        return array.array("h", data[: len(data) // 2 * 2])

    def share(self, samples, at, name):  # how much of the 100 ms from sample at is the tone
        return _tone_share(samples[at: at + self.rate // 10], self.rate, self.tones[name])

    def identify(self, samples, at):  # the tone past its fade-in, or None for another sound
        shares = {name: self.share(samples, at + self.rate * 15 // 1000, name)
                  for name in self.tones}
        best = max(shares, key=shares.get, default=None)
        return best if best and shares[best] > 0.5 else None

    def sounds_since(self, mark, min_gap_ms=40, min_len_ms=30):
        """[(seconds after mark, name or None, length)] of each sound begun after the mark (not
        one already under way at it: its tail is too short to name). Read from a little before
        the mark: a sound with a sharp attack can begin in the mark's own block."""
        n, gap, lead = self.rate * BLOCK_MS // 1000, min_gap_ms // BLOCK_MS, 4
        start = max(0, mark - lead * n)
        samples, lead = self.read(start), (mark - start) // n
        runs = []  # [first block, block after the last] of each stretch of sound
        for i in (i for i, r in enumerate(_blocks(samples, self.rate)) if r > LOUD):
            if runs and i - runs[-1][1] < gap:
                runs[-1][1] = i + 1
            else:
                runs.append([i, i + 1])
        return [((a - lead) * n / self.rate, self.identify(samples, a * n),
                 (b - a) * n / self.rate)
                for a, b in runs if a >= max(lead, 1) and (b - a) * BLOCK_MS >= min_len_ms]

    def is_quiet(self):  # the last 150 ms
        end = self.now()
        return all(r <= LOUD for r in _blocks(self.read(max(0, end - self.rate * 3 // 20), end),
                                              self.rate))
