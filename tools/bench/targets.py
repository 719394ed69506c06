#!/usr/bin/env python3
"""Prints the table of targets, met or not, from the figures of one
benchmark run: the JSON that run.py wrote and the tables that the Wine half
printed (tools/bench/wine-run.sh).

Ratios to GNU sort on one thread are taken from CPU time (user + system),
which other jobs on a shared machine disturb least; ratios to GNU sort with
its threads from wall time, the only fair measure against several threads.

Usage: targets.py NATIVE_JSON WINE_OUTPUT
"""
import json
import re
import sys

ONE_THREAD = 0.5
THREADS = 1.0
NUMERIC = 0.25
FULL_WIDTH = 1.2
PEAK = 1.5
CHANNEL = 1.2
DEFAULT_ORDER = 5.0

PLAIN_ORDERS = ["byte order", "locale order", "remove duplicates", "column", "column, byte order"]
NUMERIC_ORDERS = ["numeric, byte order", "numeric, locale order"]


def row_of(rows, text, order):
    for row in rows:
        if row["text"] == text and row["order"] == order:
            return row
    return None


def verdict(values, limit):
    return "yes" if values and all(v <= limit for v in values) else "no"


def line(target, measured, values, limit):
    print("| %s | %s | %s |" % (target, measured, verdict(values, limit)))


def ratios(rows, order, measure):
    """Per text: ours over GNU's, by measure ('one' CPU or 'threads' wall)."""
    found = []
    for text in ("mixed.txt", "long.txt"):
        row = row_of(rows, text, order)
        if not row or not row["gnu_one"]:
            continue
        if measure == "one":
            value = row["ours"]["cpu"] / row["gnu_one"]["cpu"]
        else:
            value = row["ours"]["wall"] / row["gnu_threads"]["wall"]
        found.append((text.split(".")[0], value))
    return found


def shown(pairs):
    return " · ".join("%s %.2f" % (text, value) for text, value in pairs)


def channel_rows(wine_output):
    """Per build and switches: the channel row's cells (last: its cost per
    MB over ordwell-sort.exe's; the one before: seconds per MB)."""
    found = []
    table = None
    for text in wine_output.splitlines():
        header = re.match(r"\| under Wine, (.+?) build, (.+?) \|", text)
        if header:
            table = (header.group(1), header.group(2))
        if table and text.startswith("| Ordwell.exe, shared-memory channel"):
            found.append((table, [float(cell) for cell in text.strip().strip("|").split("|")[1:]]))
    return found


def channel_ratios(wine_output):
    """Per build and switches: the channel's cost per MB over ordwell-sort.exe's."""
    return [("%s %s" % table, cells[-1]) for table, cells in channel_rows(wine_output)]


def default_order_ratios(wine_output):
    """Per build: the whole run's cost per MB in the default order (/A) over
    its cost in byte order (/A /T)."""
    per_mb = {table: cells[-2] for table, cells in channel_rows(wine_output)}
    builds = sorted({build for build, _ in per_mb})
    return [(build, per_mb[(build, "/A")] / per_mb[(build, "/A /T")]) for build in builds
            if (build, "/A") in per_mb and (build, "/A /T") in per_mb]


def main():
    rows = json.load(open(sys.argv[1]))
    wine_output = open(sys.argv[2]).read() if len(sys.argv) > 2 else ""
    print("| target | measured | met |")
    print("|---|---|---|")
    for order in PLAIN_ORDERS:
        one = ratios(rows, order, "one")
        threads = ratios(rows, order, "threads")
        line("%s ≤ %.1f × GNU sort --parallel=1 (CPU)" % (order, ONE_THREAD), shown(one), [v for _, v in one],
             ONE_THREAD)
        line("%s ≤ %.1f × GNU sort, its threads (wall)" % (order, THREADS), shown(threads), [v for _, v in threads],
             THREADS)
    for order in NUMERIC_ORDERS:
        one = ratios(rows, order, "one")
        line("%s ≤ %.2f × GNU sort -V --parallel=1 (CPU)" % (order, NUMERIC), shown(one), [v for _, v in one], NUMERIC)
    full = []
    for text in ("mixed.txt", "long.txt"):
        mine, base = row_of(rows, text, "full-width numeric"), row_of(rows, text, "numeric, locale order")
        if mine and base:
            full.append((text.split(".")[0], mine["ours"]["cpu"] / base["ours"]["cpu"]))
    line("full-width numeric ≤ %.1f × half-width numeric, locale order (CPU)" % FULL_WIDTH, shown(full),
         [v for _, v in full], FULL_WIDTH)
    peaks = [(row["text"].split(".")[0] + " " + row["order"], row["ours"]["peak"] / row["size"]) for row in rows
             if "/E" not in row["switches"]]
    worst = max(peaks, key=lambda p: p[1]) if peaks else ("—", 0)
    line("peak memory ≤ %.1f × the text without /E" % PEAK, "largest %.2f (%s)" % (worst[1], worst[0]),
         [v for _, v in peaks], PEAK)
    channel = channel_ratios(wine_output)
    line("whole run through the channel: cost per MB ≤ %.1f × ordwell-sort.exe's under Wine" % CHANNEL,
         shown(channel), [v for _, v in channel], CHANNEL)
    default = default_order_ratios(wine_output)
    line("whole run through the channel, default order (/A): cost per MB ≤ %.1f × byte order's (/A /T)"
         % DEFAULT_ORDER, shown(default), [v for _, v in default], DEFAULT_ORDER)


if __name__ == "__main__":
    main()
