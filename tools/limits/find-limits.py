#!/usr/bin/env python3
"""The largest document the shipped (i686) Ordwell.exe sorts, found by
bisection under Wine against the x86_64 stand-in editor, and what a run just
beyond it does. Not part of the tests: it takes from minutes to hours.

Run inside the test display, in a prefix of its own (made after wine32 was
installed, so that it runs the i686 Ordwell.exe), so that tests may run meanwhile:

  tools/with-wine.sh --prefix build/limits/wineprefix \\
      --probe build/win32/tools/wine-probe/wine_probe.exe \\
      tools/limits/find-limits.py channel short [--extract] [--laa] [--sizes 1,10,100]

PATH is channel (an editor of 0.73.0.1), messages (0.72.0.5) or filter
(the i686 ordwell-sort.exe on a file, --output to a file of its own, the
duplicates to a file with --extract); SHAPE is short (lines of 40 bytes) or
long (10,240 bytes). Without --sizes it
brackets the limit by doubling from --start MB and bisects to --precision MB.
Ordwell.exe runs as a copy marked large-address-aware with --laa (as it
ships) and unmarked without (2 GB of address space). Each run's line
says how it ended, the seconds of its parts (read, sort, write-back), the
editor's longest silence, the work window's longest wait for an answer
(work_silence), and whether the editor's text is sorted exactly, untouched,
or damaged. Documents go to build/limits/.
"""
import argparse
import math
import os
import shutil
import struct
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WORK = os.path.join(ROOT, "build", "limits")
DRIVER = os.path.join(ROOT, "build", "win64", "tools", "limits", "limit_run.exe")
ORDWELL = os.path.join(ROOT, "build", "win32", "app", "Ordwell.exe")
FILTER = os.path.join(ROOT, "build", "win32", "filter", "ordwell-sort.exe")
LOADER_WIN32 = "/usr/lib/wine/wine"
STANDINS = os.path.join(ROOT, "build", "win64", "tools", "standin")
LINE = {"short": 40, "long": 10240}
PRIMES = [1000003, 999983, 999979, 65537]


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def line_of(key, width, fillers):
    return b"%010d " % key + fillers[key % 26] + b"\r\n"


def fillers_for(width):
    return [bytes([97 + k]) * (width - 13) for k in range(26)]


def step_of(n):
    return next(p for p in PRIMES if math.gcd(p, n) == 1)


def write_document(path, n, width):
    """n lines whose keys 0..n-1 stand in a scrambled order."""
    fillers, step = fillers_for(width), step_of(n)
    with open(path, "wb") as out:
        for first in range(0, n, 65536):
            out.write(b"".join(line_of(i * step % n, width, fillers) for i in range(first, min(n, first + 65536))))


def is_sorted_result(path, n, width):
    """Whether the file holds the n lines in key order, each with CR LF."""
    fillers = fillers_for(width)
    if os.path.getsize(path) != n * width:
        return False
    with open(path, "rb") as got:
        for first in range(0, n, 65536):
            want = b"".join(line_of(k, width, fillers) for k in range(first, min(n, first + 65536)))
            if got.read(len(want)) != want:
                return False
    return True


def same_file_bytes_kept(path, n, width):
    """Whether the document is still the one write_document made."""
    fresh = os.path.join(WORK, "document-again.txt")
    write_document(fresh, n, width)
    kept = same_file(path, fresh)
    os.remove(fresh)
    return kept


def same_file(a, b):
    return subprocess.run(["cmp", "-s", a, b]).returncode == 0


def ordwell_copy(exe, laa):
    """A copy of the executable, so that a build meanwhile changes nothing
    under test, marked IMAGE_FILE_LARGE_ADDRESS_AWARE with laa and unmarked
    without, whatever the build says."""
    folder = os.path.join(WORK, "laa" if laa else "plain")
    os.makedirs(folder, exist_ok=True)
    copy = os.path.join(folder, os.path.basename(exe))
    shutil.copyfile(exe, copy)
    with open(copy, "r+b") as exe:
        exe.seek(0x3C)
        characteristics = struct.unpack("<I", exe.read(4))[0] + 4 + 18
        exe.seek(characteristics)
        flags = struct.unpack("<H", exe.read(2))[0] & ~0x0020 | (0x0020 if laa else 0)
        exe.seek(characteristics)
        exe.write(struct.pack("<H", flags))
    return copy


def big_stack_standins():
    """Copies of the x86_64 stand-ins with an 8 GB stack reserve. Wine puts
    the data of a message from another process on the receiving thread's
    stack, and a write-back through EM_REPLACESEL of hundreds of megabytes
    would otherwise end the stand-in before Ordwell meets its own limit."""
    folder = os.path.join(WORK, "standins")
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(STANDINS):
        if not name.endswith(".exe"):
            continue
        copy = os.path.join(folder, name)
        shutil.copyfile(os.path.join(STANDINS, name), copy)
        with open(copy, "r+b") as exe:
            exe.seek(0x3C)
            optional = struct.unpack("<I", exe.read(4))[0] + 24
            exe.seek(optional)
            if struct.unpack("<H", exe.read(2))[0] != 0x20B:
                sys.exit("find-limits: %s is no PE32+ executable" % copy)
            exe.seek(optional + 72)
            exe.write(struct.pack("<Q", 8 << 30))
    return folder


def run_filter(args, exe, document, output):
    """The filter on the document: how it ended, its seconds and its message."""
    duplicates = os.path.join(WORK, "duplicates.txt")
    switches = ["/A"] + ([] if args.locale else ["/T"]) + (
        ["/E", "--duplicates=" + windows_path(duplicates)] if args.extract else [])
    started = time.monotonic()
    ran = subprocess.run([LOADER_WIN32, exe] + switches + ["--output=" + windows_path(output), windows_path(document)],
                         capture_output=True, env=dict(os.environ, WINELOADER=LOADER_WIN32, WINEDEBUG="-all"))
    said = ran.stderr.decode("cp932", errors="replace").strip().replace("\n", " ")
    return {"exit": str(ran.returncode), "total": "%.1f" % (time.monotonic() - started)}, said


def run_once(args, ordwell, megabytes):
    width = LINE[args.shape]
    n = max(2, int(megabytes * (1 << 20)) // width)
    os.makedirs(WORK, exist_ok=True)
    document, output = os.path.join(WORK, "document.txt"), os.path.join(WORK, "editor-after.txt")
    write_document(document, n, width)
    if os.path.exists(output):
        os.remove(output)
    if args.path == "filter":
        fields, said = run_filter(args, ordwell, document, output)
        held = "sorted" if os.path.exists(output) and is_sorted_result(output, n, width) else (
            "not written" if not os.path.exists(output) else "DAMAGED")
        if held == "not written" and not same_file_bytes_kept(document, n, width):
            held = "INPUT DAMAGED"
        print("%9.1f MB %9d lines  %-11s exit=%s total=%s  %s" % (n * width / (1 << 20), n, held, fields["exit"],
              fields["total"], said), flush=True)
        os.remove(document)
        return held == "sorted" and fields["exit"] == "0", held
    switches = ["/A"] + ([] if args.locale else ["/T"]) + (["/E"] if args.extract else [])
    command = ["/usr/lib/wine/wine64", DRIVER, windows_path(ordwell), windows_path(args.standins), args.path,
               windows_path(document), windows_path(output)] + switches
    ran = subprocess.run(command, capture_output=True)
    said = ran.stdout.decode("cp932", errors="replace").strip()
    fields = dict(f.split("=", 1) for f in said.split(" ") if "=" in f and not f.startswith("\""))
    if "exit" not in fields:
        sys.exit("find-limits: the driver said nothing: %s" % ran.stderr.decode(errors="replace").strip())
    if not os.path.exists(output):
        held = "not saved"
    elif is_sorted_result(output, n, width):
        held = "sorted"
    elif same_file(output, document):
        held = "untouched"
    else:
        held = "DAMAGED"
    boxes = said[said.find("boxes="):] if "boxes=" in said else ""
    print("%9.1f MB %9d lines  %-9s %s  %s" % (n * width / (1 << 20), n, held, " ".join(
        "%s=%s" % (k, fields.get(k, "?")) for k in
        ("exit", "total", "read", "sort", "write", "silence", "answers", "ordwell_left", "peak_mb", "work",
         "work_silence", "work_silence_at", "work_pings", "work_slow")), boxes),
        flush=True)
    os.remove(document)
    return held == "sorted" and fields.get("exit") == "0", held


def find_limit(args, ordwell):
    low, high, size = 0.0, None, args.start
    while high is None:
        ok, _ = run_once(args, ordwell, size)
        if not ok:
            high = size
        elif size >= args.ceiling:
            print("largest sorted: %.0f MB or more (nothing larger tried)" % size, flush=True)
            return
        else:
            low, size = size, min(size * 2, args.ceiling)
    while high - low > args.precision:
        middle = (low + high) / 2
        ok, _ = run_once(args, ordwell, middle)
        low, high = (middle, high) if ok else (low, middle)
    print("largest sorted: %.0f MB; first refused: %.0f MB" % (low, high), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("path", choices=["channel", "messages", "filter"])
    parser.add_argument("shape", choices=sorted(LINE))
    parser.add_argument("--extract", action="store_true", help="run with /E")
    parser.add_argument("--locale", action="store_true",
                        help="sort in locale order (/A), the default order, instead of byte order (/A /T); the "
                             "keys, ten digits each, come out in the same order either way")
    parser.add_argument("--laa", action="store_true", help="Ordwell.exe marked large-address-aware, as it ships")
    parser.add_argument("--exe", help="the Ordwell.exe or ordwell-sort.exe to measure (default: the win32 build's)")
    parser.add_argument("--sizes", help="comma-separated sizes in MB to run once each, instead of a search")
    parser.add_argument("--start", type=float, default=64, help="first size of the search, MB")
    parser.add_argument("--ceiling", type=float,
                        help="try no size above this, MB (default 1536, the filter 3072): beside Ordwell, the "
                             "stand-in and Wine hold several copies of the text (about 9 in all for a write-back "
                             "through messages)")
    parser.add_argument("--precision", type=float, default=16, help="bisect until the bracket is this narrow, MB")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY") or not os.environ.get("WINEPREFIX"):
        sys.exit("find-limits: run inside tools/with-wine.sh (see the usage above)")
    if args.path != "filter" and not os.path.exists(DRIVER):
        sys.exit("find-limits: no %s; build it: cmake --build --preset win64 --target limit_run" % DRIVER)
    ordwell = ordwell_copy(args.exe or (FILTER if args.path == "filter" else ORDWELL), args.laa)
    args.ceiling = args.ceiling or (3072 if args.path == "filter" else 1536)
    args.standins = None if args.path == "filter" else big_stack_standins()
    print("# %s, %s lines, %s, %s" % (args.path, args.shape, " ".join(
        ["/A"] + ([] if args.locale else ["/T"]) + (["/E"] if args.extract else [])),
                                      "large-address-aware" if args.laa else "2 GB"), flush=True)
    if args.sizes:
        for size in args.sizes.split(","):
            run_once(args, ordwell, float(size))
    else:
        find_limit(args, ordwell)


if __name__ == "__main__":
    main()
