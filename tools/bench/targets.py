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
CHANNEL = 1.3
# The whole run in a locale order against the same in byte order, by cost per MB.
LOCALE_ORDERS = [("/A", "/A /T", 5.0), ("/A /N", "/A /T /N", 3.0), ("/A /C /F:5 /W:8", "/A /T /C /F:5 /W:8", 5.0)]

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


def per_mb(wine_output, program):
    """Per (build, switches): the cost per MB of the row that starts with program."""
    found = {}
    table = None
    for text in wine_output.splitlines():
        header = re.match(r"\| under Wine, (.+?) build, (.+?) \|", text)
        if header:
            table = (header.group(1), header.group(2))
        if table and text.startswith("| " + program):
            found[table] = float(text.strip().strip("|").split("|")[-3])
    return found


def channel_ratios(wine_output):
    """Per build: the channel's cost per MB over ordwell-sort.exe's, in byte order."""
    channel, filter = per_mb(wine_output, "Ordwell.exe, shared-memory channel"), per_mb(wine_output, "ordwell-sort.exe")
    return [(build, channel[(build, "/A /T")] / filter[(build, "/A /T")])
            for build in sorted({b for b, _ in channel}) if (build, "/A /T") in channel and (build, "/A /T") in filter]


def locale_order_ratios(wine_output, locale, byte):
    """Per build: the whole run's cost per MB in a locale order over the same in byte order."""
    channel = per_mb(wine_output, "Ordwell.exe, shared-memory channel")
    return [(build, channel[(build, locale)] / channel[(build, byte)]) for build in sorted({b for b, _ in channel})
            if (build, locale) in channel and (build, byte) in channel]


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
    line("whole run through the channel, /A /T: cost per MB ≤ %.1f × ordwell-sort.exe's under Wine" % CHANNEL,
         shown(channel), [v for _, v in channel], CHANNEL)
    for locale, byte, limit in LOCALE_ORDERS:
        found = locale_order_ratios(wine_output, locale, byte)
        line("whole run through the channel, %s: cost per MB ≤ %.0f × %s's" % (locale, limit, byte), shown(found),
             [v for _, v in found], limit)


if __name__ == "__main__":
    main()
