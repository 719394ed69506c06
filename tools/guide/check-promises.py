#!/usr/bin/env python3
"""Checks the table of the guides' promises in docs/reliability.md.

Every row of the table under "## Promises the guides make" names where the
guides make a promise about a user's text, the tests that show it, and what
those tests assert:
- 「...」 must be part of a heading of docs/guide.ja.md, "..." part of a
  heading of docs/guide.md;
- `Suite.Name` must be a TEST, TEST_F or TEST_P under tests/;
  `Suite.Name/row` also needs the string "row" in that test's file;
  `ctest:name` must be a test registered under tests/;
- the last cell names the subjects of the promise (SUBJECTS: exit code,
  message, text, file, ...). Each test named must assert one of them, and
  each must be asserted by one of the tests: an EXPECT_ or ASSERT_ (up to
  its message), or the condition of an ADD_FAILURE, in the test's body, or
  for `Suite.Name/row` in the row's entry in the table the suite is
  instantiated on or in a function that entry names, mentions it as
  SUBJECTS says. A ctest script asserts none. A promise shown by a run
  that is no test says "shown by a run:" and names the run's script, which
  must exist.
The check reads C++ as text: an assertion in the body of a table's test
counts for every row, whatever file or text it is about.
Prints one line per fault and exits 1 when there is any.

Usage: tools/guide/check-promises.py [ROOT]
"""
import os
import re
import sys

HEADING = '## Promises the guides make'

# What an assertion about each subject mentions.
SUBJECTS = {
    'exit code': r'(?i)exit_?code|\bk(Sorted|NotSorted|ReadFailed|NoEditor|Cancelled|NotWrittenBack)\b',
    'message': r'\.err\b|box\.text|strayBox|\.message\b|Fault\(|\bkText\w*|FailedText\b',
    'text': r'TextOf\(|EditorText\(|SavedDocument\(|\bafter\b|\bsaved\b|Outcome::',
    'file': r'ReadFile\(|fs::exists\(|ModeOf\(|\.st_(uid|gid|mode)|hard_link_count|GetFileAttributesA\(|'
            r'Dacl|Acl|CheckDuplicatesIn\(',
    'output': r'run\.out\b',
    'selection': r'SelectionOf\(',
    'lines': r'\boutput\b|\bexpected\b|SortedText\(|\.duplicates\b',
    'time': r'\belapsed\b|Elapsed',
    'settings': r'Settings|Profile|FileBytes\(|SameOptions\(',
    'conversion': r'ToCodePage\(|ToUtf8\(',
}
RUN = 'shown by a run:'


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


def block_from(text, at):
    """The text from the first { at or after at to its matching }."""
    open_at = text.find('{', at)
    if open_at < 0:
        return ''
    depth = 0
    for i in range(open_at, len(text)):
        depth += {'{': 1, '}': -1}.get(text[i], 0)
        if depth == 0:
            return text[open_at:i + 1]
    return text[open_at:]


def row_entry(text, row):
    """A table row's entry: from the brace that opens it, before its name."""
    at = text.find('"' + row + '"')
    if at < 0:
        return ''
    opened = text.rfind('{', 0, at)
    return block_from(text, opened) if opened >= 0 else ''


def function_body(text, name):
    """The body of a function of that name defined in the text, or ''."""
    head = re.search(r'^[\w:<>&* ]*\b' + name + r'\s*\([^;{)]*\)\s*\{', text, re.M)
    return block_from(text, head.end() - 1) if head else ''


def table_of(text, suite):
    """The initializer of the table a parameterized suite is instantiated on."""
    used = re.search(r'INSTANTIATE_TEST_SUITE_P\(\s*\w+\s*,\s*' + suite + r'\s*,[^;]*?ValuesIn\((\w+)\)', text)
    defined = used and re.search(r'\b' + used.group(1) + r'\[\]\s*=\s*\{', text)
    return block_from(text, defined.end() - 1) if defined else ''


def assertions(code):
    """Each assertion up to its message (<<), which is no assertion; a
    failure added under a condition is that condition."""
    said = [statement.split('<<')[0] for statement in re.findall(r'\b(?:EXPECT_\w+|ASSERT_\w+)\b[^;]*;', code)]
    return said + re.findall(r'\bif\s*(\((?:[^()]|\([^()]*\))*\))\s*\{?\s*ADD_FAILURE\(\)', code)


def row_assertions(text, suite, body, row):
    """What a row of a table asserts: the test's body, the row's entry and
    the functions the entry names. None when the row is not in the table
    the suite is instantiated on."""
    entry = row_entry(table_of(text, suite), row)
    if not entry:
        return None
    named = set(re.findall(r'\b([A-Z]\w+)\b', entry))
    return assertions(body + entry + ''.join(function_body(text, name) for name in named))


def found_test(name, sources):
    """(found, the assertions that show it); a ctest script shows none."""
    if name.startswith('ctest:'):
        pattern = r'add_test\(\s*NAME\s+' + re.escape(name[len('ctest:'):]) + r'\b'
        found = any(re.search(pattern, text) for path, text in sources.items() if path.endswith('CMakeLists.txt'))
        return found, []
    match = re.fullmatch(r'(\w+)\.(\w+)(?:/(.+))?', name)
    if not match:
        return False, None
    suite, test, row = match.groups()
    pattern = r'\bTEST(_F|_P)?\(\s*' + suite + r'\s*,\s*' + test + r'\s*\)'
    for text in sources.values():
        head = re.search(pattern, text)
        if not head or (row is not None and '"' + row + '"' not in text):
            continue
        body = block_from(text, head.end())
        if row is None:
            return True, assertions(body)
        said = row_assertions(text, suite, body, row)
        return said is not None, said
    return False, None


def subjects_of(cell):
    return [subject.strip() for subject in cell.split(',') if subject.strip()]


def faults_of_row(row, guide_headings, sources, root):
    if len(row) != 4:
        return ['a row without four cells: ' + ' | '.join(row)]
    promise, where, tests, asserted = row
    faults = []
    places = [('ja', text) for text in re.findall(r'「([^」]+)」', where)]
    places += [('en', text) for text in re.findall(r'"([^"]+)"', where)]
    if not places:
        faults.append('no heading named for: ' + promise)
    for guide, text in places:
        if not any(text in heading for heading in guide_headings[guide]):
            faults.append('no heading of the %s guide holds "%s" (%s)' % (guide, text, promise))
    names = re.findall(r'`([^`]+)`', tests.split(RUN)[0])
    if not names and RUN not in tests:
        faults.append('no test named for: ' + promise)
    for run in re.findall(r'`([^`]+)`', tests.split(RUN, 1)[1]) if RUN in tests else []:
        if not os.path.exists(os.path.join(root, run.split()[0])):
            faults.append('no run %s (%s)' % (run, promise))
    subjects = subjects_of(asserted)
    for subject in subjects:
        if subject not in SUBJECTS:
            faults.append('no such subject "%s" (%s)' % (subject, promise))
    if not subjects and names:
        faults.append('nothing said to be asserted for: ' + promise)
    shown = set()
    for name in names:
        found, said = found_test(name, sources)
        if not found:
            faults.append('no test %s (%s)' % (name, promise))
            continue
        asserted = {subject for subject in subjects if subject in SUBJECTS and
                    any(re.search(SUBJECTS[subject], statement) for statement in said)}
        if subjects and not asserted:
            faults.append('%s asserts none of: %s (%s)' % (name, ', '.join(subjects), promise))
        shown |= asserted
    for subject in subjects:
        if names and subject in SUBJECTS and subject not in shown:
            faults.append('no test named asserts the %s (%s)' % (subject, promise))
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
    faults = [fault for row in rows for fault in faults_of_row(row, guide_headings, sources, root)]
    for fault in faults:
        print(fault)
    print('%d promises, %d faults' % (len(rows), len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
