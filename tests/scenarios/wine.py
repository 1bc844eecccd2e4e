"""tobble.exe in the scenarios, under Wine: one prefix for the whole run, made at its start;
one Wine server per session, on that session's desktop. The speech label is painted, not a
control, so it is told apart by its pixels; message boxes, the question box and the menu are read
by winprobe.exe, which asks the windows themselves."""
import os
import shutil
import subprocess
import tempfile

from scenarios import tone

DEFAULT_SOUND_HZ = 2200  # what the system plays for a missing file: none of the content's tones


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def machine(exe):
    with open(exe, "rb") as f:
        data = f.read(4096)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[pe + 4:pe + 6], "little")


class Wine:
    name = "wine"
    no_question_text = ""

    def __init__(self, exe, probe):
        self.exe, self.probe_exe = exe, probe
        self.dir = None
        self.wine64 = machine(exe) == 0x8664
        self.wine = (shutil.which("wine64") or "/usr/lib/wine/wine64") if self.wine64 \
            else shutil.which("wine")
        self.server = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

    def cannot_run(self):
        if not self.wine or not os.path.exists(self.wine):
            return "no Wine for a %s-bit program" % (64 if self.wine64 else 32)
        if not self.wine64:
            try:
                subprocess.run(["/usr/lib/wine/wineserver32", "--version"], capture_output=True)
            except OSError as e:
                return f"this machine runs no 32-bit code ({e.strerror}); build the mingw64 preset"
        if not self.probe_exe:
            return "no --probe winprobe.exe"
        self.dir = tempfile.mkdtemp(prefix="tobble-wine-")
        self.env = dict(os.environ, WINEPREFIX=os.path.join(self.dir, "prefix"),
                        WINEARCH="win64" if self.wine64 else "win32", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;notepad.exe=n")
        self.env.pop("DISPLAY", None)
        run = lambda *argv: subprocess.run(argv, env=self.env, capture_output=True,  # noqa: E731
                                           timeout=180)
        run(self.wine, "wineboot", "-i")
        run(self.server, "-w")
        fonts = os.path.join(self.env["WINEPREFIX"], "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for font in os.listdir("/usr/share/wine/fonts"):  # Wine does not find them otherwise
            shutil.copy(os.path.join("/usr/share/wine/fonts", font), fonts)
        self.ding = os.path.join(self.dir, "default.wav")
        tone(self.ding, DEFAULT_SOUND_HZ)
        if not os.path.exists(os.path.join(self.env["WINEPREFIX"], "system.reg")):
            return "Wine could not make a prefix"
        return None

    def close(self):
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    def prepare(self, s):
        shutil.copy2(self.exe, os.path.join(s.appdir, "tobble.exe"))
        s.desktop.env.update({k: self.env[k] for k in (
            "WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")})
        # The system's default sound, which a missing file plays, is the default for message
        # boxes and refused keys too: it is heard only where a sound file is missing, so that
        # no beep cuts off a line elsewhere.
        key = r"HKCU\Control Panel\Sounds"
        if any(name.endswith(".wav") for name in s.omit):
            s.desktop.run([self.wine, "reg", "add", key, "/v", "Default", "/d",
                           windows_path(self.ding), "/f"], timeout=60)
        else:
            s.desktop.run([self.wine, "reg", "delete", key, "/v", "Default", "/f"], timeout=60)
        s.desktop.run([self.server, "-w"], timeout=60)

    def command(self, s):
        return [self.wine, os.path.join(s.appdir, "tobble.exe")]

    def finish(self, s):
        # The next session has another X server; Wine's desktop process must not outlive this one.
        s.desktop.run([self.server, "-k"])
        s.desktop.run([self.server, "-w"], timeout=30)

    def watched(self, s):
        return []  # Wine keeps its registry in the prefix: not the program's writing

    def probe(self, s):
        """[(title, [control texts])] of the visible windows."""
        out = s.desktop.run([self.wine, self.probe_exe], timeout=60).stdout
        windows = []
        for line in out.splitlines():
            kind, _, rest = line.partition("\t")
            if kind == "window":
                windows.append((rest, []))
            elif kind == "control" and windows:
                windows[-1][1].append(rest.partition("\t")[2])
        return windows

    def label(self, s):
        return None

    def box_texts(self, s, title):
        return [t for name, texts in self.probe(s) if name == title for t in texts]

    def question_text(self, s):
        title = s.title()
        return next((texts[0] for name, texts in self.probe(s) if name == title and texts), None)

    def fake_editor(self, s, log):
        # The program starts the system's own Notepad, from the Windows directory.
        shutil.copy2(self.probe_exe, os.path.join(
            self.env["WINEPREFIX"], "drive_c", "windows", "notepad.exe"))
        s.desktop.env["TOBBLE_EDITOR_LOG"] = windows_path(log)

    def editor_call(self, s, log):
        lines = [ln.split("\t", 1) for ln in open(log, encoding="utf-8").read().splitlines()]
        cwd = next((v for k, v in lines if k == "cwd"), "")
        return ([v for k, v in lines if k == "arg"],
                cwd.rstrip("\\").lower() == windows_path(s.appdir).lower())
