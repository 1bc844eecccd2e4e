"""Prints, as JSON, every accessible object of the running applications: what a screen reader
would find. Runs under the system's Python, which has pyatspi; the driver reads its output."""
import json
import sys

import pyatspi


def node(acc, depth):
    item = {"role": acc.getRoleName(), "name": acc.name or "", "depth": depth}
    try:
        text = acc.queryText()
        item["text"] = text.getText(0, text.characterCount)
    except NotImplementedError:
        pass
    states = acc.getState()
    item["checked"] = states.contains(pyatspi.STATE_CHECKED)
    item["focused"] = states.contains(pyatspi.STATE_FOCUSED)
    item["showing"] = states.contains(pyatspi.STATE_SHOWING)
    try:
        ext = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        item["extents"] = [ext.x, ext.y, ext.width, ext.height]
    except NotImplementedError:
        pass
    return item


def walk(acc, depth, out):
    out.append(node(acc, depth))
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out)


def main():
    wanted = sys.argv[1] if len(sys.argv) > 1 else None
    out = []
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and (wanted is None or app.name == wanted):
            walk(app, 0, out)
    json.dump(out, sys.stdout)


if __name__ == "__main__":
    main()
