"""A private desktop for one scenario, and the eyes, hands and ears on it.

Desktop: its own X server (Xvfb), window manager (openbox), session bus and PulseAudio daemon
whose null sink is recorded; everything is started here and stopped again by process id.
Screen: pixels of the screen and fake clicks through Xlib, fast enough to time a 100 ms flash.
Listener: finds the sounds in the recording and names each by its tone (every test sound is a
pure tone of its own frequency).
"""
import array
import ctypes
import ctypes.util
import math
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time


def wait_for(predicate, timeout, what, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out waiting for {what}")
        time.sleep(interval)


class Desktop:
    rate = 16000  # of the recording, mono 16-bit

    def __init__(self, window_manager=True):
        self.window_manager = window_manager  # off only for timings of a bare X server
        self.dir = tempfile.mkdtemp(prefix="tobble-desktop-")
        self.procs = []  # (name, Popen), stopped in reverse order
        self.bus_pid = None
        self.env = dict(os.environ)
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

    wait_for = staticmethod(wait_for)

    def spawn(self, name, argv, **kw):
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.DEVNULL)
        kw.setdefault("env", self.env)
        proc = subprocess.Popen(argv, **kw)
        self.procs.append((name, proc))
        return proc

    def run(self, argv, timeout=20, **kw):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              timeout=timeout, **kw)

    def start(self):
        d = self.dir
        for sub in ("run/pulse", "home", "state"):
            os.makedirs(os.path.join(d, sub), exist_ok=True)
        os.chmod(os.path.join(d, "run"), 0o700)
        os.chmod(os.path.join(d, "run/pulse"), 0o700)
        for key in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY", "PULSE_SERVER",
                    "QT_QPA_PLATFORM", "SESSION_MANAGER", "XAUTHORITY"):
            self.env.pop(key, None)
        self.env.update(HOME=f"{d}/home", XDG_RUNTIME_DIR=f"{d}/run",
                        XDG_CONFIG_HOME=f"{d}/home/.config", XDG_CACHE_HOME=f"{d}/home/.cache",
                        XDG_DATA_HOME=f"{d}/home/.local/share",
                        PULSE_RUNTIME_PATH=f"{d}/run/pulse", PULSE_STATE_PATH=f"{d}/state",
                        PULSE_COOKIE=f"{d}/cookie", PULSE_SERVER=f"unix:{d}/run/pulse/native",
                        LC_ALL="C.UTF-8", NO_AT_BRIDGE="0",
                        # Qt only talks to the accessibility bus when asked to.
                        QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self._start_x()
        # dbus-launch is not on a fresh Debian; the daemon itself can fork and report.
        out = self.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                        "--print-pid=1"], timeout=10).stdout.split()
        self.env["DBUS_SESSION_BUS_ADDRESS"], self.bus_pid = out[0], int(out[1])
        if self.window_manager:
            self.spawn("openbox", ["openbox", "--sm-disable"])
            wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10, "openbox")
        self._start_pulse()

    def _start_x(self):
        r, w = os.pipe()
        # -noreset: a server that resets when its last client leaves would write its number again
        self.spawn("Xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        data = b""
        deadline = time.monotonic() + 10
        while not data.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 64)
            if not chunk:
                break
            data += chunk
        os.close(r)
        if not data.strip():
            raise RuntimeError("Xvfb did not report a display")
        self.env["DISPLAY"] = ":" + data.decode().strip()

    def _start_pulse(self):
        d = self.dir
        self.spawn("pulseaudio", [
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", f"--log-target=file:{d}/pulse.log",
            "-L", f"module-native-protocol-unix auth-anonymous=1 socket={d}/run/pulse/native",
            "-L", "module-null-sink sink_name=test rate=48000 channels=2"])
        wait_for(lambda: self.run(["pactl", "info"]).returncode == 0, 10, "pulseaudio")
        self.run(["pactl", "set-default-sink", "test"])
        # A silent stream keeps the sink running; without it recordings lose pieces.
        self.spawn("keep-alive", ["pacat", "--raw", "--latency-msec=20", "--rate=48000",
                                  "--channels=2", "/dev/zero"])
        self.spawn("parec", ["parec", "-d", "test.monitor", "--raw", "--format=s16le",
                             f"--rate={self.rate}", "--channels=1", "--latency-msec=10",
                             self.recording])
        wait_for(lambda: os.path.exists(self.recording) and
                 os.path.getsize(self.recording) > self.rate * 2 * 0.3, 10, "parec")

    def stop(self):
        for name, proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    # SIGTERM would lose the recorder's last buffer
                    proc.send_signal(signal.SIGINT if name == "parec" else signal.SIGTERM)
                    proc.wait(3)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait(3)
        self.procs.clear()
        # The bus, and the accessibility bus and registry it started on demand, belong to this
        # desktop: they are found by the runtime directory in their environment.
        pids = [self.bus_pid] if self.bus_pid else []
        needle = f"XDG_RUNTIME_DIR={self.dir}/run".encode()
        for entry in os.listdir("/proc"):
            if entry.isdigit() and int(entry) != os.getpid():
                try:
                    with open(f"/proc/{entry}/environ", "rb") as f:
                        if needle in f.read().split(b"\0"):
                            pids.append(int(entry))
                except OSError:
                    pass
        for pid in pids:
            try:
                os.kill(pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self.bus_pid = None
        if not os.environ.get("TOBBLE_KEEP_DESKTOP"):
            shutil.rmtree(self.dir, ignore_errors=True)


# -- the screen ---------------------------------------------------------------------------------
_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.c_void_p
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]


class _XImage(ctypes.Structure):
    # the head of XImage up to its function table, of which only destroy_image is used
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


_CLIENT_MESSAGE = 33
_x11.XInternAtom.restype = ctypes.c_ulong
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.c_void_p]
_x11.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
_x11.XPending.argtypes = [ctypes.c_void_p]
_x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
_x11.XConnectionNumber.argtypes = [ctypes.c_void_p]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


class Screen:
    """One connection to an X display: what is on the screen, and a mouse."""

    def __init__(self, display):
        self.dpy = _x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open display {display}")
        self.root = _x11.XDefaultRootWindow(self.dpy)

    def close(self):
        if self.dpy:
            _x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def region(self, x, y, w, h):
        """The pixels of a screen rectangle, as a function (dx, dy) -> (r, g, b)."""
        img = _x11.XGetImage(self.dpy, self.root, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not img:
            raise RuntimeError("XGetImage failed")
        head = _XImage.from_address(img)
        if head.bits_per_pixel != 32:
            raise RuntimeError("expected a 24-bit screen")
        bpl = head.bytes_per_line
        raw = ctypes.string_at(head.data, bpl * h)
        head.destroy_image(img)

        def pixel(dx, dy):
            o = dy * bpl + dx * 4
            return raw[o + 2], raw[o + 1], raw[o]  # little-endian BGRX

        return pixel

    def pixel(self, x, y):
        return self.region(x, y, 1, 1)(0, 0)

    def click(self, x, y, button=1):
        _xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, button, 1, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, button, 0, 0)
        _x11.XFlush(self.dpy)

    def move(self, x, y):
        _xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _x11.XFlush(self.dpy)

    def ping(self, window, timeout):
        """Seconds until the window answered _NET_WM_PING (its event loop runs), or None."""
        if not hasattr(self, "_stamp"):
            self._stamp = 1000
            self._atoms = [_x11.XInternAtom(self.dpy, n, 0) for n in (b"WM_PROTOCOLS",
                                                                       b"_NET_WM_PING")]
            _x11.XSelectInput(self.dpy, self.root, 1 << 17)  # the reply comes to the root
        self._stamp += 1
        ev = _XEvent()
        ev.xclient.type, ev.xclient.window, ev.xclient.format = _CLIENT_MESSAGE, window, 32
        ev.xclient.message_type = self._atoms[0]
        ev.xclient.data[0], ev.xclient.data[1], ev.xclient.data[2] = \
            self._atoms[1], self._stamp, window
        start = time.monotonic()
        _x11.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(ev))
        _x11.XFlush(self.dpy)
        while True:
            while _x11.XPending(self.dpy):
                _x11.XNextEvent(self.dpy, ctypes.byref(ev))
                c = ev.xclient
                if ev.type == _CLIENT_MESSAGE and c.message_type == self._atoms[0] and \
                        c.data[0] & 0xFFFFFFFF == self._atoms[1] and \
                        c.data[1] & 0xFFFFFFFF == self._stamp:
                    return time.monotonic() - start
            left = timeout - (time.monotonic() - start)
            if left <= 0:
                return None
            select.select([_x11.XConnectionNumber(self.dpy)], [], [], left)


# -- the sound ----------------------------------------------------------------------------------
BLOCK_MS = 5
LOUD = 800  # block RMS (of 32767) above which a block counts as sound; the sink is silent else


def _blocks(samples, rate):
    n = rate * BLOCK_MS // 1000
    return [math.sqrt(sum(v * v for v in samples[i:i + n]) / n)
            for i in range(0, len(samples) - n + 1, n)]


def _tone_share(samples, rate, freq):
    """Share of the window's energy at freq (Goertzel): about 1 for a pure tone of it."""
    energy = sum(v * v for v in samples)
    if energy == 0:
        return 0.0
    coeff = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for v in samples:
        s1, s2 = v + coeff * s1 - s2, s1
    return (s1 * s1 + s2 * s2 - coeff * s1 * s2) / (len(samples) / 2 * energy)


class Listener:
    """Marks points in the recording and reports the sounds that began after a mark."""

    def __init__(self, path, rate, tones):
        self.path, self.rate, self.tones = path, rate, tones  # tones: {name: frequency}

    def now(self):
        return os.path.getsize(self.path) // 2

    def read(self, start, end=None):
        with open(self.path, "rb") as f:
            f.seek(start * 2)
            data = f.read() if end is None else f.read((end - start) * 2)
        samples = array.array("h")
        samples.frombytes(data[: len(data) // 2 * 2])
        return samples

    def identify(self, samples, at, window_ms=100):
        """The tone sounding from sample `at` (past its fade-in), or None for another sound."""
        skip = self.rate * 15 // 1000
        window = samples[at + skip: at + skip + self.rate * window_ms // 1000]
        shares = {name: _tone_share(window, self.rate, hz) for name, hz in self.tones.items()}
        best = max(shares, key=shares.get, default=None)
        return best if best and shares[best] > 0.5 else None

    def share(self, samples, at, name, window_ms=100):
        """How much of what sounds from sample `at` is the tone `name` (0 to 1)."""
        return _tone_share(samples[at: at + self.rate * window_ms // 1000], self.rate,
                           self.tones[name])

    def sounds_since(self, mark, min_gap_ms=40, min_len_ms=30):
        """[(seconds after mark, name or None, length in seconds)] of each sound that began
        after the mark. A sound already under way at the mark is not one of them: its tail is
        too short to name, and it was started by whatever ran before."""
        samples = self.read(mark)
        n = self.rate * BLOCK_MS // 1000
        loud = [r > LOUD for r in _blocks(samples, self.rate)]
        runs, start, quiet = [], None, 0
        for i, is_loud in enumerate(loud + [False] * (min_gap_ms // BLOCK_MS)):
            if is_loud:
                start = i if start is None else start
                quiet = 0
            elif start is not None:
                quiet += 1
                if quiet * BLOCK_MS >= min_gap_ms:
                    runs.append((start, i - quiet + 1))
                    start = None
        return [(a * n / self.rate, self.identify(samples, a * n), (b - a) * n / self.rate)
                for a, b in runs if a > 0 and (b - a) * BLOCK_MS >= min_len_ms]

    def is_quiet(self, last_ms=150):
        end = self.now()
        samples = self.read(max(0, end - self.rate * last_ms // 1000), end)
        return all(r <= LOUD for r in _blocks(samples, self.rate))
