#!/usr/bin/python3
"""Runs the command line's cases (cases.txt beside this script) against one program and reports each.

Usage: run.py PROGRAM                      the Linux program, from a clean environment with no display, no bus and
                                           an empty home that it must leave empty; the loader's trace of every answer
                                           must name none of Qt's libraries, and that of the window must
       run.py --wine WINE_RUN PROGRAM.COM  tevrolin.com under Wine (WINEPREFIX: the prefix), each line ending in
                                           CR LF and otherwise the same text
"""

import argparse
import concurrent.futures
import fnmatch
import os
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

HERE = Path(__file__).resolve().parent
QT = "libQt6"


@dataclass
class Case:
    where: str
    name: str
    arguments: list
    status: int
    stderr: str
    stdout: str


def read_cases(platform):
    cases = []
    for line in (HERE / "cases.txt").read_text().splitlines():
        if line and not line.startswith("#"):
            where, name, arguments, status, stderr, stdout = line.split("|")
            if where in ("all", platform):
                cases.append(Case(where, name, arguments.split(), int(status), stderr, stdout))
    return cases


def matches(actual, expected):
    """Whether an output is what a case's field says it should be."""
    if not expected:
        return actual == ""
    if expected.startswith("@"):
        return actual == (HERE / expected[1:]).read_text()
    if expected.startswith("#"):
        return actual.endswith("\n") and actual.count("\n") == int(expected[1:])
    return actual.endswith("\n") and fnmatch.fnmatchcase(actual[:-1], expected.replace("\\n", "\n"))


def judge(case, status, stdout, stderr, extra=()):
    problems = list(extra)
    if status != case.status:
        problems.append(f"status {status}, not {case.status}")
    if not matches(stderr, case.stderr):
        problems.append("standard error not as expected")
    if not matches(stdout, case.stdout):
        problems.append("standard output not as expected")
    if not problems:
        return f"ok: {case.name}: status {status}", True
    report = f"FAIL: {case.name} ({' '.join(case.arguments)}): {', '.join(problems)}\n"
    return report + f"  standard error:\n{stderr[:2000]}  standard output:\n{stdout[:2000]}", False


def linux_environment(scratch):
    home, runtime = tempfile.mkdtemp(dir=scratch), tempfile.mkdtemp(dir=scratch)
    trace = Path(tempfile.mkdtemp(dir=scratch)) / "loader"
    return home, trace, {"PATH": os.environ["PATH"], "HOME": home, "XDG_RUNTIME_DIR": runtime, "LD_DEBUG": "files",
                         "LD_DEBUG_OUTPUT": str(trace)}


def loaded(trace):
    """What the loader's trace of a process and its children says."""
    return "".join(path.read_text(errors="replace") for path in trace.parent.glob(trace.name + ".*"))


def run_linux(program, case, scratch):
    home, trace, environment = linux_environment(scratch)
    # Bytes, decoded as they are: a text mode would take a stray CR in a line end away.
    done = subprocess.run([program, *case.arguments], env=environment, capture_output=True, timeout=30,
                          stdin=subprocess.DEVNULL)
    extra = [f"loads {QT}"] if QT in loaded(trace) else []
    if os.listdir(home):
        extra.append("files in its home")
    return judge(case, done.returncode, done.stdout.decode(errors="replace"), done.stderr.decode(errors="replace"),
                 extra)


def window_loads_qt(program, scratch):
    """The trace sees Qt where the window opens: without this, a trace that saw nothing would pass every answer."""
    _, trace, environment = linux_environment(scratch)
    process = subprocess.Popen([program], env=dict(environment, QT_QPA_PLATFORM="offscreen"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(200):
            if f"{QT}Widgets" in loaded(trace):
                return "ok: the window, and only the window, loads Qt", True
            if process.poll() is not None:
                break
            time.sleep(0.1)
        return f"FAIL: the window opened without the loader's trace naming {QT}Widgets", False
    finally:
        process.kill()
        process.wait()


def run_wine(wine_run, program, case):
    # Into files, not pipes: Wine's own services, started with the first program, would hold a pipe open after it.
    with tempfile.TemporaryFile() as stdout, tempfile.TemporaryFile() as stderr:
        status = subprocess.run([wine_run, program, *case.arguments], stdout=stdout, stderr=stderr, timeout=120,
                                stdin=subprocess.DEVNULL).returncode
        stdout.seek(0)
        stderr.seek(0)
        streams = (("standard output", stdout.read()), ("standard error", stderr.read()))
    extra = []
    outputs = []
    for stream, data in streams:
        if b"\n" in data.replace(b"\r\n", b""):
            extra.append(f"a line of {stream} does not end in CR LF")
        outputs.append(data.replace(b"\r\n", b"\n").decode(errors="replace"))
    return judge(case, status, *outputs, extra)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--wine", metavar="WINE_RUN", help="run the program under Wine through this script")
    args = parser.parse_args()

    results = []
    if args.wine:
        subprocess.run([args.wine], check=True)  # makes the prefix
        os.environ.update(WINE_HELD="1", WINE_TIMEOUT="60")
        subprocess.run(["timeout", "30", "wineserver", "--kill"], stderr=subprocess.DEVNULL)
        subprocess.run(["timeout", "30", "wineserver", "--persistent"], check=True)
        try:
            results = [run_wine(args.wine, args.program, case) for case in read_cases("windows")]
        finally:
            subprocess.run(["timeout", "30", "wineserver", "--kill"], stderr=subprocess.DEVNULL)
    else:
        with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(4) as pool:
            results = list(pool.map(lambda case: run_linux(args.program, case, scratch), read_cases("linux")))
            results.append(window_loads_qt(args.program, scratch))
    for report, _ in results:
        print(report)
    failures = sum(not passed for _, passed in results)
    print(f"{len(results) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
