#!/usr/bin/env python3
"""README.md's list of the files in the release zip, against the zip.

The list is the fenced block between <!-- zip listing --> and
<!-- /zip listing --> in README.md, one name a line. It holds names only:
sizes and dates change with every build (unzip -l shows them, SHA256SUMS
the sums).

  --check ZIP   prints one line for each name that the list and the zip do
                not share, and exits 1 when there is any
  --write ZIP   puts the zip's names into the list, in the zip's order

The order is not compared: the zip takes its files in the order the build
folder lists them, which differs from one file system to another.

Usage: tools/guide/zip-listing.py --check|--write ZIP
"""
import os
import re
import sys
import zipfile

README = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'README.md')
LISTING = re.compile(r'(<!-- zip listing -->\n```text\n)(.*?)(```\n<!-- /zip listing -->)', re.S)


def zip_names(path):
    with zipfile.ZipFile(path) as archive:
        return [name for name in archive.namelist() if not name.endswith('/')]


def differences(listed, held, zip_name):
    faults = ['README.md lists %s twice' % name for name in sorted({n for n in listed if listed.count(n) > 1})]
    faults += ['README.md lists %s, which %s does not hold' % (name, zip_name) for name in listed if name not in held]
    faults += ['README.md does not list %s, which %s holds' % (name, zip_name) for name in held if name not in listed]
    return faults


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ('--check', '--write'):
        print(__doc__.strip().splitlines()[-1])
        return 2
    mode, zip_path = sys.argv[1:]
    zip_name = os.path.basename(zip_path)
    try:
        held = zip_names(zip_path)
    except (OSError, zipfile.BadZipFile) as e:
        print('%s: cannot be read: %s' % (zip_path, e))
        return 1
    with open(README, encoding='utf-8', newline='') as f:
        text = f.read()
    found = LISTING.search(text)
    if not found:
        print('README.md has no listing between <!-- zip listing --> and <!-- /zip listing -->')
        return 1
    if mode == '--write':
        text = text[:found.start(2)] + ''.join(name + '\n' for name in held) + text[found.end(2):]
        with open(README, 'w', encoding='utf-8', newline='') as f:
            f.write(text)
        print('README.md lists the %d files of %s' % (len(held), zip_name))
        return 0
    faults = differences([line for line in found.group(2).splitlines() if line.strip()], held, zip_name)
    for fault in faults:
        print(fault)
    if faults:
        print('(tools/guide/zip-listing.py --write %s puts its names into README.md)' % zip_path)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
