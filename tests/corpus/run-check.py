#!/usr/bin/env python3
"""Runs tobble-check on every pack of the corpus and compares its --json report, its exit status
and its peak memory with expected.tsv. Usage: run-check.py TOBBLE_CHECK PACKS TABLE [--no-memory]

--no-memory skips the memory bound (sanitizer builds use several times the memory by design).
"""
import json
import os
import shutil
import tempfile
import subprocess
import sys

ERROR_TEXT = "Error opening the config.ini file!  Exact error was:  "
MB = 1024 * 1024
# Qt and the C++ runtime alone take about 20 MB; the rest must grow with the file, not beyond.
BASELINE = 64 * MB
FACTOR = 6


def unescape(text):
    return text.encode("latin-1", "backslashreplace").decode("unicode_escape")


def read_table(path):
    cases = []
    with open(path, encoding="utf-8") as table:
        for row in table:
            row = row.rstrip("\n")
            if not row or row.startswith("#"):
                continue
            name, exit_status, loader, state, *note = row.split("\t")
            checks = [c.split("=", 1) for c in state.split(" ; ")] if state else []
            cases.append((name, int(exit_status), loader, checks))
    return cases


def unprivileged():
    # Root reads a file with permission 000; the case is about everybody else.
    os.setgid(65534)
    os.setgroups([])
    os.setuid(65534)


class ReachableCopy:
    """The pack and the checker copied under a fresh world-reachable folder, for a run as an
    unprivileged user: the corpus and the build tree may lie inside a private home (mode 700)."""

    def __init__(self, checker, directory, close_folder):
        self.root = tempfile.mkdtemp(prefix="tobble-corpus-")
        os.chmod(self.root, 0o755)
        self.checker = os.path.join(self.root, os.path.basename(checker))
        shutil.copy2(checker, self.checker)
        self.directory = os.path.join(self.root, os.path.basename(directory))
        shutil.copytree(directory, self.directory, copy_function=self.copy_file)
        os.chmod(self.directory, 0o000 if close_folder else 0o755)

    @staticmethod
    def copy_file(source, target):
        try:
            shutil.copy2(source, target)
        except PermissionError:  # not root: what nobody may read is copied as its permissions
            open(target, "wb").close()
            shutil.copymode(source, target)

    def remove(self):
        os.chmod(self.directory, 0o755)
        shutil.rmtree(self.root)


def measure(checker, directory, drop_root):
    """Runs the checker; returns its exit status, its output, its own peak RSS and its stderr."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, \
            tempfile.NamedTemporaryFile() as usage:
        # GNU time measures from a small process: a child forked from this one would inherit its
        # peak memory (that of the largest report read so far) in ru_maxrss.
        os.chmod(usage.name, 0o666)  # also written by the unprivileged run
        command = ["/usr/bin/time", "-f", "%M", "-o", usage.name, os.path.abspath(checker), "--json",
                   os.path.abspath(directory)]
        process = subprocess.Popen(command, stdout=out, stderr=err,
                                   cwd=os.path.dirname(os.path.abspath(checker)),
                                   preexec_fn=unprivileged if drop_root else None)
        try:
            process.wait(timeout=120)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            return None, None, 0, "timed out (a hang)"
        out.seek(0)
        err.seek(0)
        text = open(usage.name).read().split()
        peak = int(text[-1]) * 1024 if text and text[-1].isdigit() else 0
        return process.returncode, out.read(), peak, err.read().decode(errors="replace")


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    check_memory = "--no-memory" not in sys.argv
    checker, packs, table = args
    failures = []
    for name, exit_status, loader, checks in read_table(table):
        directory = os.path.join(packs, name)
        problems = []
        copy = None
        if ["run", "unprivileged"] in checks:
            copy = ReachableCopy(checker, directory, ["folder", "closed"] in checks)
            try:
                code, out, peak, err = measure(copy.checker, copy.directory, os.geteuid() == 0)
                directory = copy.directory
                shown = os.path.realpath(copy.directory)
            finally:
                copy.remove()
        else:
            code, out, peak, err = measure(checker, directory, False)
            shown = os.path.realpath(directory)
        if code is None:
            failures.append(f"{name}: {err}")
            continue
        if code != exit_status:
            problems.append(f"exit {code}, expected {exit_status}; stderr: {err.strip()[:300]}")
        try:
            report = json.loads(out.decode("utf-8"))
        except ValueError as error:
            failures.append(f"{name}: --json output is not JSON ({error})")
            continue
        if report["exit"] != code:
            problems.append(f"report says exit {report['exit']}, process gave {code}")

        error = report["error"]
        if loader == "ok":
            if error is not None:
                problems.append(f"unexpected error: {error['message']}")
        elif error is None:
            problems.append("no error reported")
        else:
            expected = ERROR_TEXT + loader.replace("{dir}", shown)
            if expected.endswith("..."):
                if not error["message"].startswith(expected[:-3]):
                    problems.append(f"error {error['message']!r} does not start with {expected[:-3]!r}")
            elif error["message"] != expected:
                problems.append(f"error {error['message']!r}, expected {expected!r}")
            if error["title"] != "Error!":
                problems.append(f"box title {error['title']!r}")

        items = {}
        if report["greeting"]:
            items["p0"] = report["greeting"]
        items.update({f"p{i['number']}": i for i in report["lines"]})
        items.update({f"a{i['number']}": i for i in report["answers"]})
        for key, value in checks:
            got = None
            if key == "title":
                got, value = report["title"], (None if value == "Its Tobble!" else unescape(value))
            elif key == "last":
                # The last item listed: what it was read as, or "missing ..." for one the file lacked.
                last = report["items"][-1] if report["items"] else {}
                got = ("missing " if last.get("missing") else "") + last.get("role", "")
            elif key in ("line", "column", "item"):
                got, value = (error or {}).get(key), int(value)
            elif key == "P" and error is None:
                got, value = len(report["lines"]), int(value)
            elif key == "A" and error is None:
                got, value = len(report["answers"]), int(value)
            elif key == "picture":
                got, value = report["picture"]["decodes"], value == "decodes"
            elif key == "width":
                got, value = report["picture"].get("width"), int(value)
            elif key == "unused":
                got, value = report["unused"], value.split(",")
            elif key == "bad":
                file, problem = value.split(":", 1)
                bad = [i["sound"] for i in items.values() if i["sound"]["file"] == file]
                got = bad[0].get("problem") if bad else "not listed"
                value = problem
            elif key[0] in "pa" and key[1:].split(".")[0].isdigit():
                item = items.get(key.split(".")[0])
                text = item["text"] if item else None
                if "." in key:
                    got, value = (len(text) if text is not None else None), int(value)
                else:
                    got, value = text, unescape(value)
            else:
                continue
            if got != value:
                shown = repr(got)[:80]
                problems.append(f"{key}: got {shown}, expected {repr(value)[:80]}")

        if check_memory and copy is None:
            size = sum(os.path.getsize(os.path.join(directory, f))
                       for f in ("config.ini", "picture.jpg")
                       if os.path.isfile(os.path.join(directory, f)))
            if peak > BASELINE + FACTOR * size:
                problems.append(f"peak memory {peak // MB} MB for {size // MB} MB of content")
        print(f"{'FAIL' if problems else 'ok  '} {name}: exit {code}, peak {peak // MB} MB")
        failures += [f"{name}: {p}" for p in problems]

    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
