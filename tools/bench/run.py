#!/usr/bin/env python3
"""Runs ordwell-sort against GNU sort on the generated texts and prints a
table: whole-process wall time and CPU time (user + system, the process's
own resource usage), each the median of alternating runs, their ratios, and
the peak resident memory (/usr/bin/time %M, one more run) as a multiple of
the text size. GNU sort runs twice per row: on one thread (--parallel=1) and with
its default threads. On a machine that other jobs share, the wall time swings
with their load; the CPU time much less. The figures are also written as
JSON (for tools/bench/targets.py).

Usage: run.py ORDWELL_SORT DATA_DIR RUNS RESULTS_JSON
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

# name, ordwell-sort switches, GNU sort arguments (LC_ALL=C) or None, name of
# the row whose ordwell-sort time this row is also compared with.
CASES = [
    ("byte order", ["/A", "/T"], ["-s"], None),
    ("locale order", ["/A"], ["-s", "-f"], None),
    ("numeric, byte order", ["/A", "/T", "/N"], ["-s", "-V"], None),
    ("numeric, locale order", ["/A", "/N"], ["-s", "-f", "-V"], None),
    ("full-width numeric", ["/A", "/N", "/Z"], None, "numeric, locale order"),
    ("column", ["/A", "/C", "/F:5", "/W:8"], ["-s", "-f", "-k1.5,1.12"], None),
    ("column, byte order", ["/A", "/T", "/C", "/F:5", "/W:8"], ["-s", "-k1.5,1.12"], None),
    ("remove duplicates", ["/A", "/T", "/R"], ["-s", "-u"], None),
    ("extract duplicates", ["/A", "/T", "/E", "--duplicates=DUPS"], None, "byte order"),
]
FILES = ["mixed.txt", "long.txt"]


def run_once(command, input_path, env):
    """Wall seconds and CPU seconds of one run, output to /dev/null; the CPU
    time is the process's own (wait4), with no measuring process between."""
    with open(input_path, "rb") as stdin, open(os.devnull, "wb") as stdout:
        start = time.perf_counter()
        child = subprocess.Popen(command, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        error = child.stderr.read()
        child.stderr.close()
        if child.returncode != 0:
            sys.exit("failed (%d): %s\n%s" % (child.returncode, " ".join(command), error.decode(errors="replace")))
        return seconds, usage.ru_utime + usage.ru_stime


def peak_of(command, input_path, env):
    """Peak resident bytes of one more run, from /usr/bin/time %M: a process
    started straight from this one would count this one's memory, which it
    holds until its exec."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t, open(input_path, "rb") as stdin, \
            open(os.devnull, "wb") as stdout:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", t.name] + command, stdin=stdin, stdout=stdout,
                       stderr=subprocess.DEVNULL, env=env, check=True)
        return int(t.read().split()[-1]) * 1024


# Runs this short are measured ten times as often: a few milliseconds swing
# by a millisecond with what else the machine does.
SHORT_RUN = 0.05


def measure(commands, input_path, runs, env):
    """Alternating runs of each command; per command the median wall and CPU
    seconds, and the peak of one more run."""
    walls = [[] for _ in commands]
    cpus = [[] for _ in commands]
    rounds = runs
    while len(walls[0]) < rounds:
        if len(walls[0]) == 1 and max(w[0] for w in walls) < SHORT_RUN:
            rounds = runs * 10
        for i, command in enumerate(commands):
            seconds, cpu = run_once(command, input_path, env)
            walls[i].append(seconds)
            cpus[i].append(cpu)
    return [{"wall": statistics.median(w), "cpu": statistics.median(c), "peak": peak_of(command, input_path, env)}
            for w, c, command in zip(walls, cpus, commands)]


def ratio(a, b):
    return a / b if b > 0 else float("inf")


def main():
    program, data, runs, results_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    env = dict(os.environ, LC_ALL="C")
    dups = os.path.join(tempfile.gettempdir(), "ordwell-bench-dups.txt")
    print("| text | order | switches | wall s | CPU s | GNU 1 thread wall s | GNU 1 thread CPU s "
          "| CPU ratio | GNU threads wall s | wall ratio to GNU threads | peak MB | peak / text |")
    print("|---|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    rows = []
    for name in FILES:
        path = os.path.join(data, name)
        size = os.path.getsize(path)
        mine_by_case = {}
        for case, switches, gnu, against in CASES:
            ours = [program] + [s.replace("DUPS", dups) for s in switches]
            commands = [ours]
            if gnu:
                commands += [["sort", "--parallel=1"] + gnu, ["sort"] + gnu]
            results = measure(commands, path, runs, env)
            mine = results[0]
            row = {"text": name, "order": case, "switches": " ".join(switches).replace("=DUPS", "=FILE"),
                   "size": size, "ours": mine, "gnu_one": results[1] if gnu else None,
                   "gnu_threads": results[2] if gnu else None, "against": against}
            rows.append(row)
            mine_by_case[case] = mine
            if gnu:
                one, threads = results[1], results[2]
                cells = ["%.3f" % one["wall"], "%.3f" % one["cpu"], "%.2f" % ratio(mine["cpu"], one["cpu"]),
                         "%.3f" % threads["wall"], "%.2f" % ratio(mine["wall"], threads["wall"])]
            else:
                base = mine_by_case[against]
                cells = ["—", "—", "%.2f × %s" % (ratio(mine["cpu"], base["cpu"]), against), "—",
                         "%.2f × %s (wall)" % (ratio(mine["wall"], base["wall"]), against)]
            print("| %s | %s | %s | %.3f | %.3f | %s | %.1f | %.2f |" % (
                name, case, row["switches"], mine["wall"], mine["cpu"], " | ".join(cells),
                mine["peak"] / 1e6, mine["peak"] / size), flush=True)
    if os.path.exists(dups):
        os.remove(dups)
    with open(results_path, "w") as f:
        json.dump(rows, f, indent=1)


if __name__ == "__main__":
    main()
