"""A private desktop for one scenario: X server, window manager, sound server, session bus.

Everything is started by this module and stopped again by process id, whatever happens.
"""
import os
import shutil
import signal
import subprocess
import tempfile
import time


class Desktop:
    def __init__(self, window_manager=True, sound=True, bus=True):
        self.dir = tempfile.mkdtemp(prefix="tobble-e2e-")
        self.procs = []  # (name, Popen), stopped in reverse order
        self.env = dict(os.environ)
        self.window_manager = window_manager
        self.sound = sound
        self.bus = bus
        self.recording = None
        self.rate = 16000

    # -- life cycle -------------------------------------------------------------------------
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
        kw.setdefault("stdout", subprocess.DEVNULL)
        kw.setdefault("stderr", subprocess.DEVNULL)
        kw.setdefault("env", self.env)
        proc = subprocess.Popen(argv, **kw)
        self.procs.append((name, proc))
        return proc

    def start(self):
        d = self.dir
        for sub in ("run/pulse", "home", "state", "cwd"):
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
                        LC_ALL="C.UTF-8", NO_AT_BRIDGE="0")
        self._start_x()
        if self.bus:
            self._start_bus()
        if self.window_manager:
            self._start_wm()
        if self.sound:
            self._start_pulse()

    def _start_x(self):
        r, w = os.pipe()
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

    def _start_bus(self):
        proc = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                               "--print-pid=1"], env=self.env, capture_output=True, text=True,
                              timeout=10)
        address, pid = proc.stdout.split()[:2]
        self.bus_pid = int(pid)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # Qt only talks to the accessibility bus when asked to.
        self.env["QT_ACCESSIBILITY"] = "1"
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def _start_wm(self):
        self.spawn("openbox", ["openbox", "--sm-disable"])
        # openbox announces itself on the root window when it manages the screen
        self.wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10, "openbox")

    def _start_pulse(self):
        d = self.dir
        self.spawn("pulseaudio", [
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--use-pid-file=no", f"--log-target=file:{d}/pulse.log",
            "-L", f"module-native-protocol-unix auth-anonymous=1 socket={d}/run/pulse/native",
            "-L", "module-null-sink sink_name=test rate=48000 channels=2"])
        self.wait_for(lambda: self.run(["pactl", "info"]).returncode == 0, 10, "pulseaudio")
        self.run(["pactl", "set-default-sink", "test"])
        # A silent stream keeps the sink running; without it recordings lose pieces.
        self.spawn("keep-alive", ["pacat", "--raw", "--latency-msec=20", "--rate=48000",
                                  "--channels=2", "/dev/zero"])
        self.recording = os.path.join(d, "sink.raw")
        self.spawn("parec", ["parec", "-d", "test.monitor", "--raw", "--format=s16le",
                             f"--rate={self.rate}", "--channels=1", "--latency-msec=10",
                             self.recording])
        self.wait_for(lambda: os.path.exists(self.recording) and
                      os.path.getsize(self.recording) > self.rate * 2 * 0.3, 10, "parec")

    def stop(self):
        for name, proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    proc.send_signal(signal.SIGINT if name == "parec" else signal.SIGTERM)
                    proc.wait(3)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait(3)
        self.procs.clear()
        if getattr(self, "bus_pid", None):
            self._kill_pid(self.bus_pid)
            self.bus_pid = None
        # the bus starts the accessibility bus and registry on demand; they belong to this run
        for pid in self._pids_with_env(self.dir):
            self._kill_pid(pid)
        if not os.environ.get("TOBBLE_E2E_KEEP"):
            shutil.rmtree(self.dir, ignore_errors=True)

    @staticmethod
    def _kill_pid(pid):
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass

    def _pids_with_env(self, marker):
        """Processes whose environment names this desktop's directory (started through its bus)."""
        found = []
        needle = f"XDG_RUNTIME_DIR={marker}/run".encode()
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if needle in f.read().split(b"\0"):
                        found.append(int(entry))
            except OSError:
                pass
        return found

    # -- helpers ----------------------------------------------------------------------------
    def run(self, argv, timeout=20, **kw):
        return subprocess.run(argv, env=self.env, capture_output=True, text=True,
                              timeout=timeout, **kw)

    @staticmethod
    def wait_for(predicate, timeout, what, interval=0.05):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError(f"timed out waiting for {what}")
            time.sleep(interval)

    def samples_recorded(self):
        return os.path.getsize(self.recording) // 2
