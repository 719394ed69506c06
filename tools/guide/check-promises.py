#!/usr/bin/env python3
"""Checks the table of the guides' promises in docs/reliability.md.

Every row of the table under "## Promises the guides make" names where the
guides make a promise about a user's text and the tests that show it:
- 「...」 must be part of a heading of docs/guide.ja.md, "..." part of a
  heading of docs/guide.md;
- `Suite.Name` must be a TEST, TEST_F or TEST_P under tests/;
  `Suite.Name/row` also needs the string "row" in that test's file;
  `ctest:name` must be a test registered under tests/.
Prints one line per fault and exits 1 when there is any.

Usage: tools/guide/check-promises.py [ROOT]
"""
import os
import re
import sys

HEADING = '## Promises the guides make'


def read(path):
    with open(path, encoding='utf-8') as f:
        return f.read()


def table_rows(text):
    """The table's rows under the heading, each a list of its cells."""
    at = text.find('\n' + HEADING + '\n')
    if at < 0:
        return None
    rows = []
    for line in text[at + len(HEADING) + 2:].splitlines():
        if line.startswith('#'):
            break
        if not line.startswith('|') or re.match(r'^\|[\s|:-]+\|$', line):
            continue
        rows.append([cell.strip() for cell in line.strip().strip('|').split('|')])
    return rows[1:]  # the first row is the header


def headings(path):
    return [line.lstrip('#').strip() for line in read(path).splitlines() if line.startswith('#')]


def test_sources(root):
    """Every test file under tests/, by path, with its text."""
    sources = {}
    for folder, _, names in os.walk(os.path.join(root, 'tests')):
        for name in names:
            if name.endswith(('.cpp', '.h', '.txt', '.sh', '.cmake')):
                path = os.path.join(folder, name)
                sources[path] = read(path)
    return sources


def test_found(name, sources):
    if name.startswith('ctest:'):
        wanted = re.escape(name[len('ctest:'):])
        pattern = r'(add_test\(\s*NAME\s+|ordwell_add_test\(\s*)' + wanted + r'\b'
        return any(re.search(pattern, text) for path, text in sources.items() if path.endswith('CMakeLists.txt'))
    match = re.fullmatch(r'(\w+)\.(\w+)(?:/(.+))?', name)
    if not match:
        return False
    suite, test, row = match.groups()
    pattern = r'\bTEST(_F|_P)?\(\s*' + suite + r'\s*,\s*' + test + r'\s*\)'
    return any(re.search(pattern, text) and (row is None or '"' + row + '"' in text)
               for text in sources.values())


def faults_of_row(row, guide_headings, sources):
    if len(row) != 3:
        return ['a row without three cells: ' + ' | '.join(row)]
    promise, where, tests = row
    faults = []
    places = [('ja', text) for text in re.findall(r'「([^」]+)」', where)]
    places += [('en', text) for text in re.findall(r'"([^"]+)"', where)]
    if not places:
        faults.append('no heading named for: ' + promise)
    for guide, text in places:
        if not any(text in heading for heading in guide_headings[guide]):
            faults.append('no heading of the %s guide holds "%s" (%s)' % (guide, text, promise))
    names = re.findall(r'`([^`]+)`', tests)
    if not names:
        faults.append('no test named for: ' + promise)
    for name in names:
        if not test_found(name, sources):
            faults.append('no test %s (%s)' % (name, promise))
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..')
    rows = table_rows(read(os.path.join(root, 'docs', 'reliability.md')))
    if not rows:
        print('docs/reliability.md has no rows under "%s"' % HEADING)
        return 1
    guide_headings = {'ja': headings(os.path.join(root, 'docs', 'guide.ja.md')),
                      'en': headings(os.path.join(root, 'docs', 'guide.md'))}
    sources = test_sources(root)
    faults = [fault for row in rows for fault in faults_of_row(row, guide_headings, sources)]
    for fault in faults:
        print(fault)
    print('%d promises, %d faults' % (len(rows), len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
