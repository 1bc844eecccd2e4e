"""The Linux program in the scenarios, read through AT-SPI as a screen reader would. Run as a
script (by Debian's own Python, which has pyatspi), it prints that tree as JSON, or with
"press NAME" presses the button of that name."""
import json
import os
import shutil
import subprocess
import sys

PYTHON = "/usr/bin/python3"


class Linux:
    name = "linux"

    def __init__(self, program, probe=None):
        self.program = program

    def cannot_run(self):
        if subprocess.run([PYTHON, "-c", "import pyatspi"], capture_output=True).returncode:
            return f"{PYTHON} has no pyatspi (Debian package python3-pyatspi)"

    def finish(self, s=None):
        pass

    close = finish

    def prepare(self, s):
        shutil.copy2(self.program, os.path.join(s.appdir, "tobble"))
        bindir = os.path.join(s.dir, "bin")  # xdg-open, as the editor
        os.makedirs(bindir)
        with open(os.path.join(bindir, "xdg-open"), "w") as f:
            f.write(f"#!{PYTHON}\nimport json, os, sys\n"
                    f"json.dump([sys.argv[1:], os.getcwd()], open({s.editor_log!r}, 'w'))\n")
        os.chmod(os.path.join(bindir, "xdg-open"), 0o755)
        s.env["PATH"] = bindir + os.pathsep + s.env["PATH"]
        # The accessibility bus must be up before the program starts, or Qt never joins it.
        s.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
               "/org/a11y/bus", "org.a11y.Bus.GetAddress"])

    def command(self, s):
        return [os.path.join(s.appdir, "tobble")]

    def watched(self, s):
        return [s.env["HOME"]]

    def tree(self, s):
        return json.loads(s.run([PYTHON, os.path.abspath(__file__)], timeout=30).stdout or "[]")

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

    def editor_call(self, s):  # its arguments, and whether it ran in the program's directory
        argv, cwd = json.load(open(s.editor_log))
        return argv, os.path.realpath(cwd) == os.path.realpath(s.appdir)


def applications():
    import pyatspi
    return [a for a in pyatspi.Registry.getDesktop(0) if a and a.name.lower() == "tobble"]


def press(name):  # by the button's own press (or click) action
    def buttons(acc):
        if acc.getRoleName() == "push button" and acc.name == name:
            yield acc
        for child in acc:
            if child is not None:
                yield from buttons(child)
    for button in (b for app in applications() for b in buttons(app)):
        action = button.queryAction()
        for i in range(action.nActions):
            if action.getName(i).lower() in ("press", "click"):
                return action.doAction(i)
    return False


def probe():
    import pyatspi

    def walk(acc, depth):
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
        yield item
        for child in acc:
            if child is not None:
                yield from walk(child, depth + 1)

    json.dump([item for app in applications() for item in walk(app, 0)], sys.stdout)


if __name__ == "__main__":
    if sys.argv[1:2] == ["press"]:
        sys.exit(0 if press(sys.argv[2]) else 1)
    probe()
