#!/usr/bin/env python3
"""run-check.py TOBBLE_CHECK PACKS TABLE [--no-memory]: runs tobble-check --json on every pack
and compares its report, exit status and peak memory with expected.tsv."""
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


def measure(checker, directory, drop_root):
    # GNU time measures from a small process: a child of this one would inherit its peak memory.
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


def shown(report):
    """What the report shows, keyed and spelled as the checks of expected.tsv."""
    error, last = report["error"] or {}, (report["items"] or [{}])[-1]
    items = [("p0", report["greeting"])] if report["greeting"] else []
    items += [(f"p{i['number']}", i) for i in report["lines"]]
    items += [(f"a{i['number']}", i) for i in report["answers"]]
    found = {"title": "Its Tobble!" if report["title"] is None else report["title"],
             "P": len(report["lines"]), "A": len(report["answers"]), "unused": report["unused"],
             "picture": "decodes" if report["picture"]["decodes"] else "fails",
             "width": report["picture"].get("width"),
             "last": ("missing " if last.get("missing") else "") + last.get("role", ""),
             **{key: error.get(key) for key in ("line", "column", "item")}}
    for key, item in items:
        found.update({key: item["text"], f"{key}.size": len(item["text"]),
                      f"bad:{item['sound']['file']}": item["sound"].get("problem")})
        if "encoding" in item["sound"]:
            sound = item["sound"]
            found[f"enc:{sound['file']}"] = (sound["encoding"] + " (extensible)" * sound[
                "extensible"] + f" {sound['channels']} ch {sound['rate']} Hz")
    return {key: ",".join(v) if isinstance(v, list) else str(v) for key, v in found.items()}


def problems(name, row, checker, packs, check_memory):
    exit_status, loader, state = row[0], row[1], row[2]
    checks = [c.split("=", 1) for c in state.split(" ; ")] if state else []
    directory, root = os.path.join(packs, name), None
    if ["run", "unprivileged"] in checks:
        check_memory = False
        if os.geteuid() == 0:  # a copy anyone can reach: the build tree may be in a private home
            root = tempfile.mkdtemp(prefix="tobble-corpus-")
            os.chmod(root, 0o755)
            checker = shutil.copy2(checker, root)
            directory = shutil.copytree(directory, os.path.join(root, name))
        os.chmod(directory, 0o000 if ["folder", "closed"] in checks else 0o755)
    try:
        run, peak = measure(checker, directory, root is not None)
    finally:
        os.chmod(directory, 0o755)
        if root:
            shutil.rmtree(root)
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
    want = loader if loader == "ok" else ERROR_TEXT + loader.replace("{dir}", os.path.realpath(
        directory))
    got = "ok" if error is None else error["message"] + (
        "" if error["title"] == "Error!" else f" (titled {error['title']})")
    if got != want and not (want.endswith("...") and got.startswith(want[:-3])):
        found.append(f"error {got!r}, expected {want!r}")
    unescape = lambda text: text.encode("latin-1", "backslashreplace").decode("unicode_escape")
    report_shows = shown(report)
    for key, value in checks:
        if key not in ("run", "folder") and report_shows.get(key) != unescape(value):
            found.append(f"{key}: got {report_shows.get(key)!r:.80}, expected {value!r:.80}")
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
