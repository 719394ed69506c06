#!/usr/bin/env python3
"""How alike two sorts of the same text are: of the adjacent pairs of lines
in each result, the share that the other result also has in that order (a
line and its repeat count as alike). Lines are matched by occurrence, so
repeats and lines that one order takes as equal are told apart.

Usage: order_agreement.py FIRST SECOND   (code page 932, CR LF)
"""
import sys
from collections import defaultdict


def read_lines(path):
    with open(path, 'rb') as f:
        return f.read().split(b'\r\n')[:-1]


def positions_in(lines, other):
    where = defaultdict(list)
    for i, line in enumerate(other):
        where[line].append(i)
    seen = defaultdict(int)
    found = []
    for line in lines:
        found.append(where[line][seen[line]])
        seen[line] += 1
    return found


def share_alike(lines, other):
    at = positions_in(lines, other)
    pairs = len(lines) - 1
    alike = sum(1 for i in range(pairs) if lines[i] == lines[i + 1] or at[i] < at[i + 1])
    return alike / pairs if pairs > 0 else 1.0


def main():
    first, second = read_lines(sys.argv[1]), read_lines(sys.argv[2])
    if sorted(first) != sorted(second):
        sys.exit('order_agreement: the two files do not hold the same lines')
    print('%s: %.2f%% of its adjacent pairs in the same order in %s' % (sys.argv[1], 100 * share_alike(first, second), sys.argv[2]))
    print('%s: %.2f%% of its adjacent pairs in the same order in %s' % (sys.argv[2], 100 * share_alike(second, first), sys.argv[1]))


if __name__ == '__main__':
    main()
