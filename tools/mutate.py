#!/usr/bin/env python3
"""Mutation check: do the native tests catch plausible one-line slips?

Applies each mutant of a list (tools/mutants.txt by default) to a scratch
copy of the tree, rebuilds the native preset there, runs the test programs
that cover the mutated file and prints whether the tests killed it. The
scratch copy and its build folder are kept between runs, so each mutant
costs one compile, a few links and the tests. A developer's tool, not CI.

  tools/mutate.py [--list FILE] [--scratch DIR] [--only SUBSTRING] [--from LINE]

Each build and test run holds the shared build lock (/tmp/ordwell-build.lock).
"""

import argparse
import fcntl
import os
import filecmp
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LOCK = "/tmp/ordwell-build.lock"
TARGETS = ["sort_tests", "filter_tests", "platform_tests", "ordwell-sort"]
TEST_SECONDS = 90  # a mutant that makes a test loop is killed by this
BATCH_SECONDS = 90  # the lock is kept for mutants that follow within this time

# The test programs for a mutated file, the likeliest killer first (each is
# a target of the same name; the filter's tests run the filter too).
PROGRAMS = {
    "sort/": ["tests/sort/sort_tests", "tests/filter/filter_tests"],
    "filter/": ["tests/filter/filter_tests"],
    "platform/collate_posix.cpp": ["tests/platform/platform_tests", "tests/sort/sort_tests",
                                   "tests/filter/filter_tests"],
    "editor/piece_cut.cpp": ["tests/platform/platform_tests"],
    "platform/code_page": ["tests/platform/platform_tests", "tests/filter/filter_tests"],
    # Scripts: run by bash or Python from the scratch copy, nothing to build.
    "tools/emulation.sh": ["bash:tests/tools/host_plan_test.sh"],
    "tools/host.sh": ["bash:tests/tools/host_plan_test.sh"],
    "tools/guide/check-promises.py": ["python:tests/guide/check_promises_test.py"],
}


def targets_for(programs):
    if all(p.startswith(("bash:", "python:")) for p in programs):
        return []
    return [os.path.basename(p) for p in programs] + ["ordwell-sort"]


def command_for(scratch, program):
    if program.startswith("bash:"):
        return ["bash", os.path.join(scratch, program[len("bash:"):])]
    if program.startswith("python:"):
        return [sys.executable, os.path.join(scratch, program[len("python:"):])]
    return [os.path.join(scratch, "build/native", program), "--gtest_brief=1", "--gtest_fail_fast"]


def read_mutants(path):
    """(line number, file, old, new) for every line 'file: old => new'."""
    mutants = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            file, _, change = line.partition(": ")
            old, sep, new = change.partition(" => ")
            if not sep:
                sys.exit(f"{path}:{number}: expected 'file: old => new'")
            mutants.append((number, file.strip(), old, new))
    return mutants


def run(command, cwd, timeout=None):
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return "timeout", ""


class BuildLock:
    def __enter__(self):
        self.file = open(LOCK, "a")
        fcntl.flock(self.file, fcntl.LOCK_EX)

    def __exit__(self, *exc):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()


class BatchLock:
    """The build lock taken for a few mutants in a row, so that each does
    not wait for it anew; given back once held BATCH_SECONDS."""

    def __init__(self):
        self.lock = None
        self.since = 0.0

    def hold(self):
        if not self.lock:
            self.lock = BuildLock()
            self.lock.__enter__()
            self.since = time.time()

    def release(self, unless_recent=False):
        if self.lock and not (unless_recent and time.time() - self.since < BATCH_SECONDS):
            self.lock.__exit__(None, None, None)
            self.lock = None


def copy_tree(scratch):
    """The tree copied over the scratch copy, its build folder kept. Only
    files that differ are copied, with a fresh time: ninja rebuilds just what
    changed since the last run (a mutant left behind included)."""
    def copy_changed(source, target):
        if not os.path.exists(target) or not filecmp.cmp(source, target, shallow=False):
            shutil.copyfile(source, target)

    os.makedirs(scratch, exist_ok=True)
    shutil.copytree(ROOT, scratch, dirs_exist_ok=True, copy_function=copy_changed,
                    ignore=lambda folder, names: [n for n in names if folder == ROOT and n in ("build", ".git")])


def prepare_scratch(scratch):
    """The scratch copy brought up to the tree, configured and built."""
    copy_tree(scratch)
    with BuildLock():
        if not os.path.exists(os.path.join(scratch, "build/native/build.ninja")):
            code, out = run(["cmake", "--preset", "native"], scratch)
            if code != 0:
                sys.exit("configure failed:\n" + out)
        code, out = run(["cmake", "--build", "--preset", "native", "--target"] + TARGETS, scratch)
    if code != 0:
        sys.exit("the unmutated tree does not build:\n" + out[-3000:])


def programs_for(file):
    for prefix, programs in PROGRAMS.items():
        if file.startswith(prefix):
            return programs
    return PROGRAMS["sort/"]


def try_mutant(scratch, file, old, new, lock):
    """'killed', 'survived' or 'stillborn' (does not compile)."""
    path = os.path.join(scratch, file)
    with open(path, encoding="utf-8") as f:
        original = f.read()
    if original.count(old) != 1:
        return f"not unique ({original.count(old)} matches)"
    with open(path, "w", encoding="utf-8") as f:
        f.write(original.replace(old, new))
    programs = programs_for(file)
    try:
        lock.hold()
        targets = targets_for(programs)
        if targets:
            code, out = run(["cmake", "--build", "--preset", "native", "--target"] + targets, scratch)
            if code != 0:
                return "stillborn"
        for program in programs:
            code, out = run(command_for(scratch, program), scratch, TEST_SECONDS)
            if code != 0:
                with open(os.path.join(scratch, "killed.log"), "a", encoding="utf-8") as log:
                    log.write(f"== {file}: {old.strip()} => {new.strip()}\n{out[-2000:]}\n")
                return "killed"
        return "survived"
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "tools/mutants.txt"))
    parser.add_argument("--scratch", default="/tmp/ordwell-mutate")
    parser.add_argument("--only", action="append", default=[],
                        help="run only mutants whose line contains this (may be repeated)")
    parser.add_argument("--from", dest="first", type=int, default=0, help="start at this line of the list")
    args = parser.parse_args()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))  # so that the mutant is reverted
    scratch = os.path.abspath(args.scratch)
    mutants = [m for m in read_mutants(args.list)
               if (not args.only or any(o in " ".join(m[1:]) for o in args.only)) and m[0] >= args.first]
    prepare_scratch(scratch)
    counts = {}
    lock = BatchLock()
    for number, file, old, new in mutants:
        started = time.time()
        copy_tree(scratch)  # tests added meanwhile count for the mutants still to come
        try:
            outcome = try_mutant(scratch, file, old, new, lock)
        finally:
            lock.release(unless_recent=True)
        counts[outcome] = counts.get(outcome, 0) + 1
        print(f"{outcome:9} {os.path.basename(args.list)}:{number} {file}: {old.strip()} => {new.strip()}"
              f"  ({time.time() - started:.0f} s)", flush=True)
    lock.release()
    killed, survived = counts.get("killed", 0), counts.get("survived", 0)
    total = killed + survived
    print(f"killed {killed} of {total} that compile ({100.0 * killed / total if total else 0:.0f}%), "
          f"survived {survived}; others: "
          + (", ".join(f"{k} {v}" for k, v in counts.items() if k not in ("killed", "survived")) or "none"))
    return 0 if survived == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
