"""The Linux program in the scenarios: started as it is, read through the accessibility tree
(AT-SPI), as a screen reader would. Run as a script, it prints that tree as JSON; pyatspi comes
with Debian's own Python, which may not be the python3 that runs the scenarios."""
import json
import os
import shutil
import subprocess
import sys

PYTHON = "/usr/bin/python3"


class Linux:
    name = "linux"
    no_question_text = ""

    def __init__(self, program, probe=None):
        self.program = program

    def cannot_run(self):
        if subprocess.run([PYTHON, "-c", "import pyatspi"], capture_output=True).returncode:
            return f"{PYTHON} has no pyatspi (Debian package python3-pyatspi)"
        return None

    def close(self):
        pass

    def prepare(self, s):
        shutil.copy2(self.program, os.path.join(s.appdir, "tobble"))
        # The accessibility bus must be up before the program starts, or Qt never joins it.
        s.desktop.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                       "/org/a11y/bus", "org.a11y.Bus.GetAddress"])

    def command(self, s):
        return [os.path.join(s.appdir, "tobble")]

    def finish(self, s):
        pass

    def watched(self, s):
        return [s.desktop.env["HOME"]]

    def tree(self, s):
        out = s.desktop.run([PYTHON, os.path.abspath(__file__)], timeout=30).stdout
        return json.loads(out or "[]")

    def label(self, s):
        """The speech label: the one label of its size (129 x 97)."""
        return next((n["name"] for n in self.tree(s)
                     if n["role"] == "label" and n.get("size") == [129, 97]), None)

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

    def fake_editor(self, s, log):
        bindir = os.path.join(s.desktop.dir, "bin")
        os.makedirs(bindir)
        with open(os.path.join(bindir, "xdg-open"), "w") as f:
            f.write(f"#!{PYTHON}\nimport json, os, sys\n"
                    f"json.dump([sys.argv[1:], os.getcwd()], open({log!r}, 'w'))\n")
        os.chmod(os.path.join(bindir, "xdg-open"), 0o755)
        s.desktop.env["PATH"] = bindir + os.pathsep + s.desktop.env["PATH"]

    def editor_call(self, s, log):
        """The editor's arguments, and whether it ran in the program's directory."""
        argv, cwd = json.load(open(log))
        return argv, os.path.realpath(cwd) == os.path.realpath(s.appdir)


def probe():
    import pyatspi

    out = []

    def walk(acc, depth):
        item = {"role": acc.getRoleName(), "name": acc.name or "", "depth": depth}
        try:
            text = acc.queryText()
            item["text"] = text.getText(0, text.characterCount)
        except NotImplementedError:
            pass
        try:
            ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            item["size"] = [ext.width, ext.height]
        except NotImplementedError:
            pass
        out.append(item)
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is not None:
                walk(child, depth + 1)

    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name.lower() == "tobble":
            walk(app, 0)
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    probe()
