#!/usr/bin/env python3
"""Runs tobble-check --json on every pack of the corpus and compares its report, exit status and
peak memory with expected.tsv. Usage: run-check.py TOBBLE_CHECK PACKS TABLE [--no-memory]
(sanitizer builds use several times the memory by design)."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

ERROR_TEXT = "Error opening the config.ini file!  Exact error was:  "
MB = 1024 * 1024
BASELINE, FACTOR = 64 * MB, 6  # Qt and the runtime take about 20 MB; the rest grows with the file


def unprivileged():  # root reads a file of mode 000; the cases are about everybody else
    os.setgid(65534)
    os.setgroups([])
    os.setuid(65534)


def copy_file(source, target):
    try:
        shutil.copy2(source, target)
    except PermissionError:  # not root: what nobody may read is copied as its permissions
        open(target, "wb").close()
        shutil.copymode(source, target)


def measure(checker, directory, drop_root):
    """The finished run (None for a hang) and its peak RSS. GNU time measures from a small
    process: a child forked from this one would inherit this one's peak memory."""
    with tempfile.NamedTemporaryFile() as usage:
        os.chmod(usage.name, 0o666)  # also written by the unprivileged run
        try:
            run = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", usage.name, checker, "--json",
                                  directory], capture_output=True, timeout=120,
                                 cwd=os.path.dirname(checker),
                                 preexec_fn=unprivileged if drop_root else None)
        except subprocess.TimeoutExpired:
            return None, 0
        peak = open(usage.name).read().split()
        return run, int(peak[-1]) * 1024 if peak and peak[-1].isdigit() else 0


def checked(key, value, report):
    """What the report shows for one check of the table, and what the table expects."""
    error = report["error"] or {}
    items = {"p0": report["greeting"]} if report["greeting"] else {}
    items.update({f"p{i['number']}": i for i in report["lines"]})
    items.update({f"a{i['number']}": i for i in report["answers"]})
    unescape = lambda text: text.encode("latin-1", "backslashreplace").decode("unicode_escape")
    if key == "title":
        return report["title"], None if value == "Its Tobble!" else unescape(value)
    if key == "last":  # the last item listed, as read or "missing ..." for one the file lacked
        last = report["items"][-1] if report["items"] else {}
        return ("missing " if last.get("missing") else "") + last.get("role", ""), value
    if key in ("line", "column", "item"):
        return error.get(key), int(value)
    if key in ("P", "A") and not error:
        return len(report["lines" if key == "P" else "answers"]), int(value)
    if key in ("picture", "width"):
        shown = report["picture"].get("decodes" if key == "picture" else "width")
        return shown, value == "decodes" if key == "picture" else int(value)
    if key == "unused":
        return report["unused"], value.split(",")
    if key == "bad":
        file, problem = value.split(":", 1)
        bad = [i["sound"] for i in items.values() if i["sound"]["file"] == file]
        return (bad[0].get("problem") if bad else "not listed"), problem
    if key[0] in "pa" and key[1:].split(".")[0].isdigit():
        text = items[key.split(".")[0]]["text"] if key.split(".")[0] in items else None
        if "." in key:
            return (len(text) if text is not None else None), int(value)
        return text, unescape(value)
    return None, None  # run=, folder=: how the case runs


def problems(name, row, checker, packs, check_memory):
    exit_status, loader, state = row[0], row[1], row[2]
    checks = [c.split("=", 1) for c in state.split(" ; ")] if state else []
    directory = os.path.join(packs, name)
    if ["run", "unprivileged"] in checks:
        # The pack and the checker under a fresh world-reachable folder: the build tree may lie
        # inside a private home (mode 700).
        root = tempfile.mkdtemp(prefix="tobble-corpus-")
        os.chmod(root, 0o755)
        shutil.copy2(checker, root)
        copy = os.path.join(root, name)
        shutil.copytree(directory, copy, copy_function=copy_file)
        os.chmod(copy, 0o000 if ["folder", "closed"] in checks else 0o755)
        try:
            run, peak = measure(os.path.join(root, os.path.basename(checker)), copy,
                                      os.geteuid() == 0)
        finally:
            os.chmod(copy, 0o755)
            shutil.rmtree(root)
        directory, check_memory = copy, False
    else:
        run, peak = measure(checker, directory, False)
    if run is None:
        return ["timed out (a hang)"]
    code, err = run.returncode, run.stderr.decode(errors="replace").strip()[:300]
    try:
        report = json.loads(run.stdout.decode("utf-8"))
    except ValueError as error:
        return [f"exit {code}, --json output is not JSON ({error}); stderr: {err}"]
    found = [] if code == int(exit_status) else [f"exit {code}, not {exit_status}; stderr: {err}"]
    if report["exit"] != code:
        found.append(f"report says exit {report['exit']}, process gave {code}")
    error = report["error"]
    if loader == "ok" or error is None:
        if (loader == "ok") != (error is None):
            found.append(f"error {error and error['message']!r}, expected {loader!r}")
    else:
        expected = ERROR_TEXT + loader.replace("{dir}", os.path.realpath(directory))
        if not (error["message"].startswith(expected[:-3]) if expected.endswith("...")
                else error["message"] == expected) or error["title"] != "Error!":
            found.append(f"error {error['title']}: {error['message']!r}, expected {expected!r}")
    for key, value in checks:
        got, want = checked(key, value, report)
        if got != want:
            found.append(f"{key}: got {repr(got)[:80]}, expected {repr(want)[:80]}")
    size = sum(os.path.getsize(os.path.join(directory, f)) for f in ("config.ini", "picture.jpg")
               if os.path.isfile(os.path.join(directory, f)))
    if check_memory and peak > BASELINE + FACTOR * size:
        found.append(f"peak memory {peak // MB} MB for {size // MB} MB of content")
    return found


def main():
    checker, packs, table = [os.path.abspath(a) for a in sys.argv[1:4]]
    failures = []
    for row in open(table, encoding="utf-8").read().splitlines():
        if row and not row.startswith("#"):
            name, *rest = row.split("\t")
            failures += [f"FAIL {name}: {p}" for p in
                         problems(name, rest, checker, packs, "--no-memory" not in sys.argv)]
    print("\n".join(failures) or "every pack gives what expected.tsv says")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
