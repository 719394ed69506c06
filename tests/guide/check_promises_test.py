#!/usr/bin/env python3
"""tools/guide/check-promises.py against rows made to fail: each row of
CASES must give exactly the faults it names (by a part of their text)."""
import importlib.util
import os
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
spec = importlib.util.spec_from_file_location('check', os.path.join(ROOT, 'tools', 'guide', 'check-promises.py'))
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)

SOURCE = '''
TEST(Filter, ExitAndFile) {
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(ReadFile(dir / "d.txt"), "old");
}
TEST(Filter, NothingOfIt) {
  Helper(run.exitCode);
  EXPECT_TRUE(started);
}
void CheckKept(const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "d.txt"), "old"); }
const Row kRows[] = {
    {"BareRow", nullptr},
    {"KeptRow", CheckKept},
};
const Row kOtherRows[] = {
    {"OtherRow", [](const fs::path& dir) { EXPECT_EQ(ReadFile(dir / "o.txt"), "o"); }},
};
TEST_P(Table, RunsAsTheRowSays) {
  const Row& row = GetParam();
  EXPECT_EQ(run.exitCode, row.exitCode) << ReadFile(dir / "x.txt");
  if (after != row.text) {
    ADD_FAILURE() << "damaged";
  }
}
INSTANTIATE_TEST_SUITE_P(Rows, Table, ::testing::ValuesIn(kRows));
TEST(Filter, Later) {
  EXPECT_EQ(ReadFile(dir / "o.txt"), "sorted");
}
'''
CMAKE = 'add_test(NAME guide_script COMMAND check.py)\n'
WHERE = '「見出し」 "Heading"'
CASES = [
    # tests, subjects, the faults expected
    ('`Filter.ExitAndFile`', 'exit code, file', []),
    ('`Filter.ExitAndFile`, `Filter.NothingOfIt`', 'exit code', ['Filter.NothingOfIt asserts none of']),
    ('`Filter.ExitAndFile`', 'exit code, time', ['no test named asserts the time']),
    ('`Filter.ExitAndFile`', 'exit code, colour', ['no such subject "colour"']),
    ('`Filter.ExitAndFile`', '', ['nothing said to be asserted']),
    ('`Table.RunsAsTheRowSays/KeptRow`', 'file', []),
    ('`Table.RunsAsTheRowSays/BareRow`', 'exit code, text', []),
    ('`Table.RunsAsTheRowSays/BareRow`', 'file', ['asserts none of', 'no test named asserts the file']),
    ('`Table.RunsAsTheRowSays/OtherRow`', 'file', ['no test Table', 'no test named asserts the file']),
    ('`Filter.Missing`', 'file', ['no test Filter.Missing', 'no test named asserts the file']),
    ('`ctest:guide_script`', 'file', ['asserts none of', 'no test named asserts the file']),
    ('shown by a run: `tools/guide/check-promises.py`', 'file', []),
    ('shown by a run: `tools/none.py`', 'file', ['no run tools/none.py']),
]


def main():
    failures = 0
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, 'tests'))
        os.makedirs(os.path.join(root, 'tools', 'guide'))
        open(os.path.join(root, 'tools', 'guide', 'check-promises.py'), 'w').close()
        path = os.path.join(root, 'tests', 'x_test.cpp')
        with open(path, 'w') as f:
            f.write(SOURCE)
        sources = {path: SOURCE, os.path.join(root, 'tests', 'CMakeLists.txt'): CMAKE}
        headings = {'ja': ['見出し'], 'en': ['Heading']}
        for tests, subjects, expected in CASES:
            faults = check.faults_of_row(['a promise', WHERE, tests, subjects], headings, sources, root)
            missed = [e for e in expected if not any(e in fault for fault in faults)]
            if missed or len(faults) != len(expected):
                failures += 1
                print('FAILED %s | %s: got %s, expected %s' % (tests, subjects, faults, expected))
    print('%d cases, %d failed' % (len(CASES), failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
