"""tobble.exe under Wine: one prefix for the run, a Wine server per session. Windows and their
controls are read by winprobe.exe, which also stands in for Notepad."""
import os
import shutil
import subprocess
import tempfile
import time

from session import read_only, tone

WINE = "/usr/lib/wine/"
TEXT1, LABEL1 = 300, 301  # the main window's controls (src/frontend/win32/resource.h)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class Wine:
    name = "wine"

    def __init__(self, exe, probe):
        self.exe, self.probe_exe, self.dir, self.locked = exe, probe, None, []
        with open(exe, "rb") as f:
            head = f.read(4096)
        pe = int.from_bytes(head[0x3C:0x40], "little")
        self.wine64 = head[pe + 4:pe + 6] == b"\x64\x86"  # the COFF machine field: x86-64
        loader = "wine64" if self.wine64 else "wine"
        self.wine = shutil.which(loader) or WINE + loader
        self.server = shutil.which("wineserver") or WINE + "wineserver"

    def cannot_run(self):
        if not os.path.exists(self.wine):
            return "no Wine for a %s-bit program" % (64 if self.wine64 else 32)
        if not self.wine64 and subprocess.run(["sh", "-c", WINE + "wineserver32 --version"],
                                              capture_output=True).returncode:
            return "this machine runs no 32-bit code here; build the mingw64 preset"
        self.dir = tempfile.mkdtemp(prefix="tobble-wine-")
        self.env = {"WINEPREFIX": os.path.join(self.dir, "prefix"), "WINEDEBUG": "-all",
                    "WINEARCH": "win64" if self.wine64 else "win32",
                    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d;notepad.exe=n"}
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"} | self.env
        subprocess.run([self.wine, "wineboot", "-i"], env=env, capture_output=True, timeout=180)
        subprocess.run([self.server, "-w"], env=env, timeout=180)
        fonts = os.path.join(self.env["WINEPREFIX"], "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for font in os.listdir("/usr/share/wine/fonts"):  # Wine does not find them otherwise
            shutil.copy(os.path.join("/usr/share/wine/fonts", font), fonts)
        # The program starts the system's own Notepad, from the Windows directory.
        shutil.copy2(self.probe_exe, os.path.join(fonts, "..", "notepad.exe"))
        tone(os.path.join(self.dir, "default.wav"), 2200)  # none of the content's tones
        if not os.path.exists(os.path.join(self.env["WINEPREFIX"], "system.reg")):
            return "Wine could not make a prefix"

    def close(self):
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)

    def prepare(self, s):
        shutil.copy2(self.exe, os.path.join(s.appdir, "tobble.exe"))
        s.env.update(self.env, TOBBLE_EDITOR_LOG=windows_path(s.editor_log))
        # The default sound, also of boxes and refused keys: only if a sound file is missing.
        ding = ["/d", windows_path(os.path.join(self.dir, "default.wav"))] \
            if any(name.endswith(".wav") for name in s.omit) else []
        s.run([self.wine, "reg", "add" if ding else "delete", r"HKCU\Control Panel\Sounds",
               "/v", "Default", "/f", *ding], timeout=60)
        s.run([self.server, "-w"], timeout=60)

    def command(self, s):
        return [self.wine, os.path.join(s.appdir, "tobble.exe")]

    def finish(self, s):
        # Wine's desktop process must not outlive this session's X server.
        s.run([self.server, "-k"])
        s.run([self.server, "-w"], timeout=30)
        if self.locked:
            s.run(["chattr", "-i", *self.locked]) if os.geteuid() == 0 else read_only(
                s.appdir, False)
        self.locked = []

    def lock(self, s):  # as root, a folder not even root may change; else one made read-only
        self.locked = [s.appdir] + [os.path.join(s.appdir, n) for n in os.listdir(s.appdir)]
        if os.geteuid():
            return read_only(s.appdir)
        done = s.run(["chattr", "+i", *self.locked])
        if done.returncode:
            self.locked = []
            return f"chattr +i is refused here: {done.stderr.strip()}"

    def own_home(self, s):  # the user's profile folder in the prefix
        users = os.path.join(self.env["WINEPREFIX"], "drive_c", "users")
        return next(os.path.join(users, u) for u in sorted(os.listdir(users)) if u != "Public")

    def argument(self, path):
        return windows_path(path)

    def pack(self, s, folder, path):  # no checker here: as a zip tool packs the folder
        return None

    def double_click(self, s, path):  # as Explorer opens it, through the installer's keys
        exe = windows_path(os.path.join(s.appdir, "tobble.exe"))
        for key, value in ((r"HKLM\Software\Classes\.tobble", "Tobble.Character"),
                           (r"HKLM\Software\Classes\Tobble.Character\shell\open\command",
                            f'"{exe}" "%1"')):
            s.run([self.wine, "reg", "add", key, "/ve", "/d", value, "/f"], timeout=60)
        return s.spawn("opener", [self.wine, "start", windows_path(path)])

    def startable(self, s, copy):
        exe = os.path.join(copy, "tobble.exe")
        s.check("Yes: the copy has its own tobble.exe", os.path.isfile(exe) and open(
            exe, "rb").read() == open(os.path.join(s.appdir, "tobble.exe"), "rb").read())
        menu = os.path.join(self.own_home(s), "AppData", "Roaming", "Microsoft", "Windows",
                            "Start Menu", "Programs")
        link = os.path.join(menu, os.path.basename(copy) + ".lnk")
        head = open(link, "rb").read() if os.path.isfile(link) else b""
        s.check("Yes: a Start-menu shortcut named after the character starts it", head.startswith(
            b"L\0\0\0\x01\x14\x02\0") and b"tobble.exe" in head.replace(b"\0", b""), link)
        return [link]

    def watched(self, s):
        return []  # Wine keeps its registry in the prefix: not the program's writing

    def probe(self, s):  # [(title, [(control id, text)])] of the visible windows
        windows = []
        for line in s.run([self.wine, self.probe_exe], timeout=60).stdout.splitlines():
            kind, number, text = (line + "\t\t").split("\t")[:3]
            if kind == "window":
                windows.append((text, []))
            elif kind == "control" and windows:
                windows[-1][1].append((int(number), text))
        return windows

    def control_text(self, s, number):  # of the main window
        title = s.title()
        return next((text for name, controls in self.probe(s) if name == title
                     for n, text in controls if n == number), None)

    def label(self, s):
        return self.control_text(s, LABEL1)

    def press(self, s, name):  # as a screen reader would; started, not waited for
        return s.spawn("press", [self.wine, self.probe_exe, "press", name])

    def box_texts(self, s, title):
        return [t for name, controls in self.probe(s) if name == title for _, t in controls]

    def question_text(self, s):
        return self.control_text(s, TEXT1)

    def editor_call(self, s, folder=None):
        lines = [ln.rstrip("\n").split("\t", 1) for ln in open(s.editor_log, encoding="utf-8")]
        cwd = next((v for k, v in lines if k == "cwd"), "")
        folder, drive_c = folder or s.appdir, self.env["WINEPREFIX"] + "/drive_c"  # C: in Windows
        want = "C:" + folder[len(drive_c):].replace("/", "\\") if folder.startswith(
            drive_c + "/") else windows_path(folder)
        return [v for k, v in lines if k == "arg"], cwd.rstrip("\\").lower() == want.lower()

    def menu_checks(self, s):  # as drawn: a mark left of the item's text in the open drop-down
        s.click(12, -s.menu // 2)  # opened by the mouse, no item is highlighted
        time.sleep(0.5)
        x, y, _, _ = s.client()
        p = s.screen.region(x, y, 101, 240)
        dark = lambda i, j: max(p(i, j)) < 100  # noqa: E731
        rows = [j for j in range(240) if sum(min(p(i, j)) > 180 for i in range(60, 101)) > 24
                and any(dark(i, j) for i in range(17, 100))]  # text rows of the light drop-down
        lines = [[j] for j in rows[:1]]
        for j in rows[1:]:
            lines[-1].append(j) if j - lines[-1][-1] <= 3 else lines.append([j])
        s.key("Escape", "Escape")
        if len(lines) != 8:  # Say What?, Shrink, Auto Smack, ..., Quit
            return f"{len(lines)} lines of text in the drop-down"
        return tuple(any(dark(i, j) for i in range(2, 16) for j in range(ln[0] - 2, ln[-1] + 3))
                     for ln in lines[1:3])
