"""The Linux program in the scenarios, read through AT-SPI as a screen reader would. Run as a
script (by Debian's own Python, which has pyatspi), it prints that tree as JSON, or with
"press NAME" presses the button of that name."""
import inspect
import json
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from desktop import end_all_with
from session import read_only

PYTHON = "/usr/bin/python3"
USER = 65534  # nobody: root can write anything


PACKAGING = Path(__file__).resolve().parents[2] / "packaging"


class Linux:
    name = "linux"

    def __init__(self, program, probe=None):
        self.program, self.prefix, self.home, self.read_only_folder = program, [], None, None

    def cannot_run(self):
        if subprocess.run([PYTHON, "-c", "import pyatspi"], capture_output=True).returncode:
            return f"{PYTHON} has no pyatspi (Debian package python3-pyatspi)"

    def finish(self, s=None):
        if self.home:  # the unprivileged programs, found by their home
            end_all_with(f"HOME={self.home}")
        if self.read_only_folder:
            read_only(self.read_only_folder, False)
        self.prefix, self.home, self.read_only_folder = [], None, None

    close = finish

    def lock(self, s):  # the program runs as an unprivileged user, with a home of its own
        self.home, run = os.path.join(s.dir, "user-home"), os.path.join(s.dir, "user-run")
        root = os.geteuid() == 0
        for folder, mode in ((self.home, 0o755), (run, 0o700)):
            os.makedirs(folder, mode)
            os.chown(folder, USER, USER) if root else None
        if root:
            os.chmod(s.dir, 0o711)  # the program and its character reachable, nothing writable
            self.prefix = ["setpriv", f"--reuid={USER}", f"--regid={USER}", "--clear-groups",
                           "--"]
        else:  # an unprivileged test user: the folder made read-only
            self.read_only_folder = s.appdir
            read_only(s.appdir)
        s.env.update(HOME=self.home, XDG_RUNTIME_DIR=run, XDG_DATA_HOME=f"{self.home}/.local/share",
                     XDG_CONFIG_HOME=f"{self.home}/.config", XDG_CACHE_HOME=f"{self.home}/.cache")
        # A session bus of its own, root's refuses it; then its accessibility bus, as prepare.
        s.env["DBUS_SESSION_BUS_ADDRESS"] = s.run(self.prefix + [
            "dbus-daemon", "--session", "--fork", "--print-address=1"], timeout=10).stdout.strip()
        self.accessibility_bus(s)

    def accessibility_bus(self, s):  # up before the program starts, or Qt never joins it
        s.run(self.prefix + ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                             "/org/a11y/bus", "org.a11y.Bus.GetAddress"])

    def own_home(self, s):
        return self.home

    def argument(self, path):
        return path

    def pack(self, s, folder, path):  # with the checker beside the program, as an author would
        checker = os.path.join(os.path.dirname(self.program), "tobble-check")
        s.run([checker, "--pack", folder, path], timeout=60)
        return path

    def double_click(self, s, path):  # as a file manager opens it, with the file type installed
        data = os.path.join(s.dir, "xdg-data")
        for sub in ("mime/packages", "applications", "bin"):
            os.makedirs(os.path.join(data, sub), exist_ok=True)
        shutil.copy(PACKAGING / "tobble-mime.xml", os.path.join(data, "mime/packages/tobble.xml"))
        os.symlink(os.path.join(s.appdir, "tobble"), os.path.join(data, "bin", "tobble"))
        Path(data, "applications", "tobble.desktop").write_text(
            "[Desktop Entry]\nType=Application\nName=Tobble\nExec=" + os.path.join(
                data, "bin", "tobble") + " %f\nMimeType=application/x-tobble-character;\n")
        s.run(["update-mime-database", os.path.join(data, "mime")], timeout=60)
        s.run(["update-desktop-database", os.path.join(data, "applications")], timeout=60)
        env = s.env | {"XDG_DATA_DIRS": data + ":/usr/share"}
        with open(os.path.join(s.dir, "opener.log"), "ab") as log:
            return s.spawn("opener", self.prefix + ["gio", "open", path], env=env, stderr=log)

    def startable(self, s, copy):
        link = os.path.join(copy, "tobble")
        s.check("Yes: the copy has the link tobble to the program", os.path.islink(link) and
                os.path.realpath(link) == os.path.realpath(os.path.join(s.appdir, "tobble")))
        apps = os.path.join(self.home, ".local", "share", "applications")
        entries = [os.path.join(apps, e) for e in os.listdir(apps)] if os.path.isdir(apps) else []
        valid = entries and s.run(["desktop-file-validate", entries[0]])
        fields = dict(ln.rstrip("\n").split("=", 1) for ln in open(entries[0]) if "=" in ln) \
            if entries else {}
        value_escapes = {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}
        unescaped = re.sub(r"\\([sntr\\])", lambda m: value_escapes[m[1]], fields.get("Exec", ""))
        argument = re.sub(r"\\(.)", r"\1", unescaped[1:-1]).replace("%%", "%")  # then the quoting
        s.check("Yes: one valid desktop entry, named after the character, starts the link",
                len(entries) == 1 and valid.returncode == 0 and not valid.stdout.strip() and
                fields.get("Name") == os.path.basename(copy) and argument == link,
                (entries, valid and valid.stdout, fields))
        return entries

    def prepare(self, s):
        shutil.copy2(self.program, os.path.join(s.appdir, "tobble"))
        bindir = os.path.join(s.dir, "bin")  # xdg-open, as the editor
        os.makedirs(bindir)
        with open(os.path.join(bindir, "xdg-open"), "w") as f:
            f.write(f"#!{PYTHON}\nimport json, os, sys\n"
                    f"json.dump([sys.argv[1:], os.getcwd()], open({s.editor_log!r}, 'w'))\n")
        os.chmod(os.path.join(bindir, "xdg-open"), 0o755)
        s.env["PATH"] = bindir + os.pathsep + s.env["PATH"]
        self.accessibility_bus(s)

    def command(self, s):
        return self.prefix + [os.path.join(s.appdir, "tobble")]

    def watched(self, s):
        return [s.env["HOME"]]

    def tree(self, s):
        # As the program's user, who may not be able to read this file.
        source = "".join(inspect.getsource(f) for f in (applications, nodes, probe))
        code = "import json, sys\n" + source + "probe()"
        return json.loads(s.run(self.prefix + [PYTHON, "-c", code], timeout=30).stdout or "[]")

    def label(self, s):  # the one label of its size
        return next((n["name"] for n in self.tree(s)
                     if n["role"] == "label" and n.get("size") == [129, 97]), None)

    def press(self, s, name):  # started, not waited for
        return s.spawn("press", [PYTHON, os.path.abspath(__file__), "press", name])

    def box_texts(self, s, title):
        texts, inside = [], False
        for n in self.tree(s):
            if n["depth"] == 1:
                inside = n["role"] in ("dialog", "alert") and n["name"] == title
            elif inside:
                texts += [t for t in (n["name"], n.get("text")) if t]
        return texts

    def question_text(self, s):
        return next((n.get("text") for n in self.tree(s)
                     if n["role"] == "text" and n["name"] == "Ask Tobble:"), None)

    def menu_checks(self, s):  # Shrink's and Auto Smack's check marks
        marks = {n["name"]: "checked" in n for n in self.tree(s) if n["role"].endswith("menu item")}
        return marks.get("Shrink"), marks.get("Auto Smack")

    def editor_call(self, s, folder=None):  # its arguments, and whether it ran in the folder
        argv, cwd = json.load(open(s.editor_log))
        return argv, os.path.realpath(cwd) == os.path.realpath(folder or s.appdir)


def applications():
    import pyatspi
    return [a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "tobble"]


def nodes(acc, depth=0):  # acc and all below it, with their depth
    yield acc, depth
    for child in acc:
        if child is not None:
            yield from nodes(child, depth + 1)


def press(name):  # by the button's own press (or click) action
    for button in (a for app in applications() for a, _ in nodes(app)
                   if a.getRoleName() == "push button" and a.name == name):
        action = button.queryAction()
        for i in range(action.nActions):
            if action.getName(i).lower() in ("press", "click"):
                return action.doAction(i)
    return False


def probe():
    import pyatspi

    def described(acc, depth):
        item = {"role": acc.getRoleName(), "name": acc.name or "", "depth": depth}
        if acc.getState().contains(pyatspi.STATE_CHECKED):
            item["checked"] = True
        try:
            item["text"] = acc.queryText().getText(0, -1)
        except NotImplementedError:
            pass
        try:
            ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            item["size"] = [ext.width, ext.height]
        except NotImplementedError:
            pass
        return item

    json.dump([described(*n) for app in applications() for n in nodes(app)], sys.stdout)


if __name__ == "__main__":
    if sys.argv[1:2] == ["press"]:
        sys.exit(0 if press(sys.argv[2]) else 1)
    probe()
