#!/usr/bin/env python3
"""Writes the benchmark texts (code page 932, lines ending in CR LF).

  mixed.txt  1,000,000 lines of Japanese and English, about 40 MB: words,
             half-width and full-width numbers, dates, names with version
             numbers, and one line in ten a repeat of an earlier one.
  long.txt   1,000 lines of 10 kB each: ten long bodies of words and numbers
             shared by a hundred lines each, which differ only near their
             ends, so that every comparison walks most of the line.

The same seed gives the same bytes on every machine.
Usage: generate.py OUTPUT_DIR
"""
import os
import random
import sys

ENGLISH = ("apple banana cherry delta echo file folder report summary total item order invoice "
           "customer address version release build test value price north south east west "
           "Alpha Beta Gamma Tokyo Osaka Kyoto Sapporo Nagoya Fukuoka").split()
JAPANESE = ("東京 大阪 京都 札幌 名古屋 福岡 横浜 神戸 仙台 広島 "
            "りんご みかん ぶどう いちご さくら もみじ やま かわ うみ そら "
            "リンゴ ミカン ブドウ イチゴ サクラ モミジ ヤマ カワ ウミ ソラ "
            "報告書 請求書 見積書 会議 議事録 売上 在庫 顧客 住所 電話 "
            "ｱｲｳ ｶﾀｶﾅ ﾃｽﾄ").split()
FULL_DIGITS = "０１２３４５６７８９"


def full_width(number):
    return "".join(FULL_DIGITS[int(d)] if d.isdigit() else {"-": "－", ".": "．"}[d] for d in str(number))


def number(r):
    kind = r.random()
    if kind < 0.45:
        return str(r.randrange(100000))
    if kind < 0.6:
        return "%d.%d" % (r.randrange(1000), r.randrange(100))
    if kind < 0.75:
        return full_width(r.randrange(100000))
    if kind < 0.85:
        return "%04d-%02d-%02d" % (r.randrange(1990, 2030), r.randrange(1, 13), r.randrange(1, 29))
    return "v%d.%d.%d" % (r.randrange(10), r.randrange(20), r.randrange(100))


def word(r):
    return r.choice(JAPANESE) if r.random() < 0.5 else r.choice(ENGLISH)


def mixed_line(r):
    parts = []
    for _ in range(r.randrange(3, 10)):
        parts.append(number(r) if r.random() < 0.35 else word(r))
    return " ".join(parts)


def write_mixed(path, count=1000000):
    r = random.Random(20240105)
    lines = []
    for i in range(count):
        if i > 10 and r.random() < 0.1:
            lines.append(lines[r.randrange(len(lines))])
        else:
            lines.append(mixed_line(r))
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def write_long(path, count=1000, length=10000, groups=10):
    r = random.Random(4097)
    bodies = []
    for _ in range(groups):
        body = ""
        while len(body.encode("cp932")) < length - 40:
            body += (number(r) if r.random() < 0.35 else word(r)) + " "
        bodies.append(body)
    lines = []
    for i in range(count):
        body = bodies[i % groups]
        tail = " %s %s" % (number(r), word(r))
        line = body + tail
        encoded = line.encode("cp932")
        line = encoded[:length].decode("cp932", errors="ignore") if len(encoded) > length else line
        lines.append(line)
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    write_mixed(os.path.join(out, "mixed.txt"))
    write_long(os.path.join(out, "long.txt"))


if __name__ == "__main__":
    main()
