#!/usr/bin/env python3
"""Regenerates the examples of the user guide from the real programs.

Every example block of docs/guide.ja.md and docs/guide.md stands between
    <!-- example: NAME -->  and  <!-- /example -->
and is rewritten from a run of the real program:
- Ordwell.exe: the shipped i686 build, copied to C:\\Tools\\Ordwell in the
  win32 build's Wine prefix, run by the demo driver against the stand-in
  editor (tools/demo), which also takes the picture docs/guide-editor.png;
  on a machine that cannot run 32-bit code (tools/host.sh i386), the x86_64
  build of the same sources in its own prefix instead;
- ordwell-sort on Windows: ordwell-sort.exe of the same build in cmd under
  Wine, from batch files, as a user's prompt shows them;
- ordwell-sort on Linux: the native build, in ja_JP.UTF-8.
Then every message of res/texts.h must stand in both guides word for word,
and docs/readme.txt is made again from the Japanese guide (readme.py).

Usage:
  tools/guide/make-examples.py            build, run everything, rewrite
  tools/guide/make-examples.py --check --filter PATH
      only the Linux examples (with the filter at PATH), the messages and
      readme.txt, compared with the files as they are; exit 1 when they
      differ or readme.txt would not read well in Notepad
"""
import argparse
import fcntl
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
import unicodedata

import readme

ROOT = os.path.realpath(os.path.join(os.path.dirname(__file__), '..', '..'))
GUIDES = {'ja': os.path.join(ROOT, 'docs', 'guide.ja.md'), 'en': os.path.join(ROOT, 'docs', 'guide.md')}
README = os.path.join(ROOT, 'docs', 'readme.txt')
PICTURE = os.path.join(ROOT, 'docs', 'guide-editor.png')
# The Windows build whose programs make the examples: see choose_build().
BUILD = os.path.join(ROOT, 'build', 'win32')
WORK = os.path.join(ROOT, 'build', 'guide')
INSTALL_DIR = 'C:\\Tools\\Ordwell'
DATA_DIR = 'C:\\data'
LINUX_DIR = '/tmp/ordwell-guide'  # a fixed folder: its path shows in the examples

# Ordwell.exe against the editor: a sample document (lines; CR LF is added)
# and the runs made on it, each a list of switches; demo options apply to
# every run of the example.
TOOL_EXAMPLES = {
    'ascending': {'lines': ['さくら', 'Banana', 'あおい', 'apple', 'かえで', 'Cherry'], 'runs': [['/A'], ['/a']]},
    'numbers': {'lines': ['第10章 まとめ', '第2章 準備', '第1章 はじめに', '第3章 実践'], 'runs': [['/A'], ['/A', '/N']]},
    'full-width-numbers': {'lines': ['第１０章 まとめ', '第２章 準備', '第１章 はじめに', '第3章 実践'],
                           'runs': [['/A', '/N'], ['/A', '/N', '/Z']]},
    'column': {'lines': ['A-102 みかん', 'C-007 りんご', 'B-350 ぶどう'], 'runs': [['/A'], ['/A', '/C', '/F:3', '/W:3']]},
    'column-bytes': {'lines': ['山田 太郎 45', '佐藤 花子 32', '鈴木 一郎 28'], 'runs': [['/A', '/C', '/F:11']]},
    # A window of one byte: the lead byte of each line's first character.
    'column-duplicates': {'lines': ['いちご', 'あんず', 'うめ', 'かき'], 'runs': [['/A', '/C', '/W:1', '/R']]},
    'remove-duplicates': {'lines': ['東京', '大阪', '名古屋', '東京', '大阪', '福岡'], 'runs': [['/A', '/R']]},
    # .1, .10 and .100 are one number.
    'numbers-duplicates': {'lines': ['Vol.1', 'Vol.10', 'Vol.100', 'Vol.2'], 'runs': [['/A', '/N'], ['/A', '/N', '/R']]},
    'extract-duplicates': {'lines': ['東京', '大阪', '名古屋', '東京', '大阪', '福岡'],
                           'runs': [['/A', '/E'], ['/A', '/R', '/E']]},
    'dialog': {'lines': ['第10章 まとめ', '第2章 準備', '第1章 はじめに'], 'runs': [['/D', '/A', '/N']],
               'options': ['--dialog-ok'], 'settings': 'settings-file'},
    'selection': {'lines': ['果物の一覧', 'みかん', 'りんご', 'いちご', '以上'], 'runs': [['/A']],
                  'select': (1, 4)},
    # The selection stops before the line end of its last line.
    'selection-line-end': {'lines': ['果物の一覧', 'りんご', 'みかん', 'りんご', '以上'], 'runs': [['/A', '/R']],
                           'select': (1, 4), 'select-line-end': False},
    'order-case': {'lines': ['b', 'A', 'a', 'B'], 'runs': [['/A'], ['/a'], ['/A', '/T'], ['/A', '/N'], ['/a', '/N']]},
    'order-width': {'lines': ['イチゴ', 'ichigo', 'いちご', 'ｲﾁｺﾞ', 'ICHIGO', 'ｉｃｈｉｇｏ'], 'runs': [['/A'], ['/A', '/R']]},
    'order-numbers': {'lines': ['file10.txt', 'file9.txt', '重さ 10.5kg', '重さ 9.75kg', '気温 12度', '気温 -3度',
                                '気温 5度', '版 1.9', '版 1.10'],
                      'runs': [['/A'], ['/A', '/N']]},
    'order-dates': {'lines': ['2023-12-20 忘年会', '2024-01-10 会議', '2024-03-01 締め切り', '2023-05-01 打ち合わせ'],
                    'runs': [['/A'], ['/A', '/N']]},
    'order-number-reading': {'lines': ['Vol.9', 'Vol.10', 'Vol.2', '2D3', '150', '1E2A'], 'runs': [['/A'], ['/A', '/N']]},
    'order-survivor': {'lines': ['Tokyo 1', 'TOKYO 1', 'tokyo 1'],
                       'runs': [['/A', '/R'], ['/a', '/R'], ['/A', '/N', '/R'], ['/a', '/N', '/R']]},
    'faulty-switch': {'lines': ['b', 'a'], 'runs': [['/A', '/Q']]},
    'faulty-letters': {'lines': ['b', 'a'], 'runs': [['/AX'], ['/XY']]},
    'one-line': {'lines': ['一行だけ'], 'runs': [['/A']]},
}

# The picture of the editor before and after one run.
PICTURE_EXAMPLE = {'lines': ['りんご 120円', 'みかん 80円', 'バナナ 98円', 'いちご 450円', 'りんご 120円', 'ぶどう 380円'],
                   'switches': ['/A', '/R'], 'window': '300x210'}

# ordwell-sort in cmd: files of C:\data (code page 932, CR LF) and batch
# files whose echoed lines make the transcript.
WINDOWS_FILES = {'在庫.txt': ['みかん 12', 'りんご 3', 'バナナ 10', 'りんご 3', 'いちご 5']}
WINDOWS_EXAMPLES = {
    'windows-sort': ['type 在庫.txt', 'ordwell-sort /A /N 在庫.txt'],
    'windows-duplicates': ['ordwell-sort /A /R /E 在庫.txt --duplicates=重複.txt > 整理済み.txt',
                           'type 整理済み.txt', 'type 重複.txt'],
    'windows-fault': ['ordwell-sort /A /Q 在庫.txt', 'echo %ERRORLEVEL%'],
}
# A batch file shown whole, then run with echo off.
WINDOWS_BATCH = {'windows-batch': ('並べ替え.bat', [
    '@echo off',
    'ordwell-sort /A /N 在庫.txt > 在庫-並べ替え済み.txt',
    'if errorlevel 2 (',
    '  echo 並べ替えに失敗しました。',
    '  exit /b 1',
    ')',
    'type 在庫-並べ替え済み.txt',
])}

# Ordwell.exe from a batch file, against an editor that holds one line: the
# exit code without a message box in the way.
TOOL_BATCH = {'windows-exit-code': (['一行だけ'], [
    f'start "" /wait {INSTALL_DIR}\\Ordwell.exe /A',
    'echo %ERRORLEVEL%',
    'if errorlevel 1 echo 1 以上',
    'if not errorlevel 0 echo 負の値',
])}

# ordwell-sort on Linux, in LINUX_DIR, with these files: the encoding as
# Python names it (utf-8-sig: UTF-8 with a byte order mark, as Notepad saves
# it), the lines, and their line end.
LINUX_FILES = {'名簿.txt': ('utf-8', ['すずき いちろう', 'あおき たろう', 'さとう はなこ', 'Suzuki Ichiro'], '\n'),
               '品目.txt': ('utf-8', ['みかん', 'Ａ４用紙', 'りんご', 'いちご'], '\n'),
               'メモ.txt': ('utf-8-sig', ['りんご 3', 'いちご 5'], '\r\n'),
               '予定.txt': ('utf-8', ['会議', '打ち合わせ \U0001F4C5'], '\r\n')}
LINUX_EXAMPLES = {
    'linux-version': ['ordwell-sort --version'],
    'linux-help': ['ordwell-sort --help'],
    'linux-pipe': ['set -o pipefail',
                   "sed 's/$/\\r/' 名簿.txt | ordwell-sort /A --encoding=utf-8 | sed 's/\\r$//' > 名簿-並べ替え済み.txt",
                   'echo $?', 'cat 名簿-並べ替え済み.txt'],
    'linux-encoding': ["sed 's/$/\\r/' 品目.txt | ordwell-sort /A | sed 's/\\r$//'",
                       "sed 's/$/\\r/' 品目.txt | ordwell-sort /A --encoding=utf-8 | sed 's/\\r$//'",
                       'ordwell-sort /A メモ.txt', 'ordwell-sort /A --encoding=utf-8 予定.txt', 'echo $?'],
    'linux-fault': ['ordwell-sort /Q 名簿.txt', 'echo $?'],
    'linux-slash-path': [f'ordwell-sort /A {LINUX_DIR}/名簿.txt', 'echo $?'],
}

LABELS = {
    'ja': {'before': '並べ替える前', 'new': '新しい Morvane', 'exit': '終了コード', 'message': 'メッセージ',
           'dialog-ok': 'オプション ダイアログを OK で閉じた', 'dialog-cancel': 'オプション ダイアログをキャンセルした',
           'empty': '(空行)', 'selected': '%d～%d 行目を選択', 'without-end': '、最後の改行は含めない', 'nothing': '(なし)', 'join': '、', 'said': '%s「%s」'},
    'en': {'before': 'Before', 'new': 'New Morvane', 'exit': 'exit code', 'message': 'message',
           'dialog-ok': 'options dialog closed with OK', 'dialog-cancel': 'options dialog cancelled',
           'empty': '(empty line)', 'selected': 'lines %d–%d selected', 'without-end': ', not the last line end',
           'nothing': '(none)', 'join': '; ', 'said': '%s "%s"'},
}


def run(command, **kwargs):
    return subprocess.run(command, check=True, **kwargs)


def cp932_lines(lines):
    return ''.join(line + '\r\n' for line in lines).encode('cp932')


# --- Inside the Wine session ----------------------------------------------

def wine_path(path):
    return 'Z:' + path


def prefix_path(windows_path):
    return os.path.join(BUILD, 'wineprefix', 'drive_c', *windows_path[3:].split('\\'))


def parse_demo(output):
    """The demo's report: exit code, texts after the run, what it showed."""
    result = {'exit': None, 'after': [], 'duplicates': None, 'messages': [], 'dialog': None}
    section = None
    for line in output.splitlines():
        if line.startswith('--- '):
            section = None
            if line.startswith('--- Exit code: '):
                result['exit'] = int(line[len('--- Exit code: '):])
            elif line.startswith('--- After'):
                section = 'after'
            elif line.startswith('--- Duplicates'):
                section = 'duplicates'
                result['duplicates'] = []
            elif line.startswith('--- Ordwell showed its options dialog: '):
                result['dialog'] = line.rsplit(' ', 1)[1]
            elif line.startswith('--- Ordwell showed: '):
                result['messages'].append(line[len('--- Ordwell showed: '):])
        elif section:
            result[section].append(line)
    return result


def run_demo(sample, switches, options, picture):
    demo = os.path.join(BUILD, 'tools', 'demo', 'ordwell_demo.exe')
    command = [os.path.join(BUILD, 'wine-run.sh'), demo, *options, wine_path(sample),
               INSTALL_DIR + '\\Ordwell.exe', wine_path(picture), *switches]
    output = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    return parse_demo(output.decode('utf-8', 'replace'))


def selection_bytes(lines, first, end, line_end=True):
    """Byte offsets of lines [first, end) in the code page 932 document,
    the last line's CR LF left out when line_end is false."""
    start = len(cp932_lines(lines[:first]))
    return start, start + len(cp932_lines(lines[first:end])) - (0 if line_end else 2)


def run_tool_examples():
    results = {}
    settings = prefix_path(INSTALL_DIR + '\\Ordwell.ini')
    for name, example in TOOL_EXAMPLES.items():
        sample = os.path.join(WORK, name + '.txt')
        with open(sample, 'wb') as f:
            f.write(cp932_lines(example['lines']))
        options = list(example.get('options', []))
        if 'select' in example:
            options.append('--select=%d,%d' % selection_bytes(example['lines'], *example['select'],
                                                              example.get('select-line-end', True)))
        if os.path.exists(settings):
            os.remove(settings)
        results[name] = [run_demo(sample, switches, options, os.path.join(WORK, 'shot.bmp'))
                         for switches in example['runs']]
        if 'settings' in example:
            with open(settings, 'rb') as f:
                results[example['settings']] = f.read().decode('cp932').replace('\r\n', '\n')
            os.remove(settings)
    return results


def make_picture():
    sample = os.path.join(WORK, 'picture.txt')
    with open(sample, 'wb') as f:
        f.write(cp932_lines(PICTURE_EXAMPLE['lines']))
    before, after = os.path.join(WORK, 'before.bmp'), os.path.join(WORK, 'after.bmp')
    options = ['--window=' + PICTURE_EXAMPLE['window'], '--before=' + wine_path(before)]
    result = run_demo(sample, PICTURE_EXAMPLE['switches'], options, after)
    if result['exit'] != 0 or not os.path.exists(before) or not os.path.exists(after):
        sys.exit('make-examples: the picture run failed')
    # Side by side with a gap; few colours keep the file small, and no
    # metadata keeps the same picture the same file.
    run(['convert', before, '-background', 'white', '-gravity', 'east', '-splice', '24x0', after, '+append',
         '-strip', '-colors', '32', 'PNG8:' + PICTURE])
    return {'picture-run': [result]}


def run_batch(file_name, lines, echoed=False):
    """Runs the lines as a batch file in C:\\data; what cmd prints. With
    echoed, each command cmd echoes after its prompt is shown as typed: a
    batch file echoes it with %ERRORLEVEL% and the like already expanded,
    the prompt a user types at does not."""
    batch = os.path.join(prefix_path(DATA_DIR), file_name)
    with open(batch, 'wb') as f:
        f.write(''.join(line + '\r\n' for line in lines).encode('cp932'))
    command = f'set PATH={INSTALL_DIR};%PATH%& cd /d {DATA_DIR} & {file_name}'
    output = subprocess.run([os.path.join(BUILD, 'wine-run.sh'), 'cmd', '/c', command], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT).stdout
    os.remove(batch)
    printed = [line.rstrip() for line in output.decode('cp932', 'replace').replace('\r\n', '\n').split('\n')]
    if echoed:
        typed = iter(lines)
        prompt = DATA_DIR + '>'
        printed = [prompt + next(typed) if line.startswith(prompt) else line for line in printed]
    return '\n'.join(printed).strip('\n')


def run_windows_examples():
    data = prefix_path(DATA_DIR)
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    for name, lines in WINDOWS_FILES.items():
        with open(os.path.join(data, name), 'wb') as f:
            f.write(cp932_lines(lines))
    results = {}
    # With echo on, cmd shows each command after its prompt, as typed.
    for name, commands in WINDOWS_EXAMPLES.items():
        results[name] = run_batch('example.bat', commands, echoed=True)
    for name, (file_name, lines) in WINDOWS_BATCH.items():
        results[name] = {'file': file_name, 'lines': lines, 'output': run_batch(file_name, lines)}
    results.update(run_tool_batch())
    shutil.rmtree(data, ignore_errors=True)
    return results


def run_tool_batch():
    """Each batch file against a stand-in editor started just before: the
    tool waits for it to come to the foreground, and the editor closes once
    it has handed out its text."""
    results = {}
    for name, (document, commands) in TOOL_BATCH.items():
        sample = os.path.join(WORK, name + '.txt')
        with open(sample, 'wb') as f:
            f.write(cp932_lines(document))
        standin = os.path.join(BUILD, 'tools', 'standin', 'MorvaneStandin.exe')
        editor = subprocess.Popen([os.path.join(BUILD, 'wine-run.sh'), standin, '--close-after-read',
                                   '--file=' + wine_path(sample)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        results[name] = run_batch('example.bat', commands, echoed=True)
        try:
            editor.wait(timeout=20)
        except subprocess.TimeoutExpired:
            editor.kill()
    return results


def inside_wine(results_path):
    install = prefix_path(INSTALL_DIR)
    shutil.rmtree(install, ignore_errors=True)
    os.makedirs(install)
    for exe in ('app/Ordwell.exe', 'filter/ordwell-sort.exe'):
        shutil.copy(os.path.join(BUILD, exe), install)
    results = {}
    results.update(make_picture())
    results.update(run_tool_examples())
    results.update(run_windows_examples())
    shutil.rmtree(install, ignore_errors=True)
    with open(results_path, 'w', encoding='utf-8') as f:
        json.dump(results, f, ensure_ascii=False, indent=1)


# --- Linux ------------------------------------------------------------------

def run_linux_examples(filter_path):
    # The folder is fixed, so runs from other work trees take turns.
    with open(LINUX_DIR + '.lock', 'w') as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        return run_linux_examples_in_folder(filter_path)


def run_linux_examples_in_folder(filter_path):
    shutil.rmtree(LINUX_DIR, ignore_errors=True)
    os.makedirs(LINUX_DIR)
    for name, (encoding, lines, end) in LINUX_FILES.items():
        with open(os.path.join(LINUX_DIR, name), 'w', encoding=encoding, newline='') as f:
            f.write(''.join(line + end for line in lines))
    env = dict(os.environ, LC_ALL='ja_JP.UTF-8',
               PATH=os.path.dirname(os.path.realpath(filter_path)) + os.pathsep + os.environ['PATH'])
    env.pop('LANGUAGE', None)
    results = {}
    for name, commands in LINUX_EXAMPLES.items():
        # One shell for the whole example, so that $? is the last command's;
        # each prompt line is printed with $? kept.
        script = ''.join('s=$?; printf \'$ %%s\\n\' %s; (exit $s)\n%s\n' % (shlex.quote(c), c) for c in commands)
        output = subprocess.run(['bash', '-c', script], cwd=LINUX_DIR, env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT).stdout.decode('utf-8', 'replace')
        results[name] = output.rstrip('\n')
    shutil.rmtree(LINUX_DIR, ignore_errors=True)
    return results


# --- Rendering ----------------------------------------------------------------

def cell(lines, label):
    if not lines:
        return label['nothing']
    escaped = []
    for line in lines:
        line = line.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')
        line = re.sub(r'([\\|*_`\[\]])', r'\\\1', line)
        escaped.append(line or label['empty'])
    return '<br>'.join(escaped)


def code_block(text):
    return '```text\n' + text + '\n```'


def command_line(switches):
    return ('"%s\\Ordwell.exe" %s' % (INSTALL_DIR, ' '.join(switches))).rstrip()


def notes(switches, result, label):
    said = []
    said.extend(label['said'] % (label['message'], m) for m in result['messages'])
    if result['dialog']:
        said.append(label['dialog-ok'] if result['dialog'] == 'OK' else label['dialog-cancel'])
    if said or result['exit'] != 0:
        said.append('%s %d' % (label['exit'], result['exit']))
        return ['- `%s`: %s' % (' '.join(switches), label['join'].join(said))]
    return []


def render_tool_example(name, example, results, label):
    runs = results[name]
    header = [label['before']]
    row = [cell(example['lines'], label)]
    if 'select' in example:
        first, end = example['select']
        without = '' if example.get('select-line-end', True) else label['without-end']
        header[0] += ' (%s%s)' % (label['selected'] % (first + 1, end), without)
    for switches, result in zip(example['runs'], runs):
        header.append('`%s`' % ' '.join(switches))
        row.append(cell(result['after'], label))
        if result['duplicates'] is not None:
            header.append('%s (`%s`)' % (label['new'], ' '.join(switches)))
            row.append(cell(result['duplicates'], label))
    parts = [code_block('\n'.join(command_line(s) for s in example['runs'])), '',
             '| ' + ' | '.join(header) + ' |', '|' + '---|' * len(header), '| ' + ' | '.join(row) + ' |']
    said = [line for s, r in zip(example['runs'], runs) for line in notes(s, r, label)]
    if said:
        parts += [''] + said
    return '\n'.join(parts)


def render_blocks(results, language):
    label = LABELS[language]
    blocks = {}
    for name, example in TOOL_EXAMPLES.items():
        if name in results:
            blocks[name] = render_tool_example(name, example, results, label)
    if 'settings-file' in results:
        blocks['settings-file'] = code_block(results['settings-file'].rstrip('\n'))
    for name in list(WINDOWS_EXAMPLES) + list(TOOL_BATCH):
        if name in results:
            blocks[name] = code_block(results[name])
    for name in WINDOWS_BATCH:
        if name in results:
            batch = results[name]
            blocks[name] = '\n'.join([code_block('\n'.join(batch['lines'])), '', code_block(
                '%s>%s\n%s' % (DATA_DIR, batch['file'], batch['output']))])
    for name in LINUX_EXAMPLES:
        if name in results:
            blocks[name] = code_block(terminal_lines(results[name]))
    return blocks


def terminal_lines(text, columns=100):
    """The output as a terminal as wide as the guide's page shows it (100
    columns, a wide character taking two), cut where the terminal wraps, so
    that no line runs off the page; the commands typed after '$ ' stay
    whole, to be copied."""
    shown = []
    for line in text.split('\n'):
        if line.startswith('$ '):
            shown.append(line)
            continue
        row, used = '', 0
        for c in line:
            w = 2 if unicodedata.east_asian_width(c) in 'WF' else 1
            if used + w > columns:
                shown.append(row)
                row, used = '', 0
            row, used = row + c, used + w
        shown.append(row)
    return '\n'.join(shown)


MARKER = re.compile(r'(<!-- example: ([\w-]+) -->\n)(.*?)(<!-- /example -->)', re.S)


def fill_guide(text, blocks, only_known):
    missing = []

    def replace(match):
        name = match.group(2)
        if name not in blocks:
            if not only_known:
                missing.append(name)
            return match.group(0)
        return match.group(1) + blocks[name] + '\n' + match.group(4)

    return MARKER.sub(replace, text), missing


# --- The messages -------------------------------------------------------------

def read_texts():
    """Every text of res/texts.h: name -> its bytes as a str."""
    with open(os.path.join(ROOT, 'res', 'texts.h'), encoding='utf-8') as f:
        source = f.read()
    texts = {}
    for m in re.finditer(r'inline constexpr char (kText\w+)\[\] =\s*((?:"(?:[^"\\]|\\.)*"\s*)+);', source):
        literal = ''.join(re.findall(r'"((?:[^"\\]|\\.)*)"', m.group(2)))
        texts[m.group(1)] = re.sub(r'\\(.)', lambda e: {'n': '\n', 't': '\t'}.get(e.group(1), e.group(1)), literal)
    return texts


def message_pattern(text):
    pattern = ''
    for piece in re.split(r'(%[dus%])', text):
        pattern += {'%d': r'-?\d+', '%u': r'\d+', '%s': r'.+?', '%%': '%'}.get(piece, re.escape(piece))
    return re.compile(pattern)


def check_messages(guide_texts):
    faults = []
    for name, text in read_texts().items():
        pattern = message_pattern(text)
        for language, guide in guide_texts.items():
            if not pattern.search(guide):
                faults.append('%s is missing from %s' % (name, os.path.relpath(GUIDES[language], ROOT)))
    return faults


# --- readme.txt ---------------------------------------------------------------

def project_version():
    with open(os.path.join(ROOT, 'CMakeLists.txt'), encoding='utf-8') as f:
        return re.search(r'project\(Ordwell VERSION ([\d.]+)', f.read()).group(1)


def update_readme(guide, check):
    text, faults = readme.make_readme(guide, project_version())
    data, unencoded = readme.encode_readme(text)
    faults += unencoded + readme.check_readme(data)
    old = open(README, 'rb').read() if os.path.exists(README) else b''
    if check:
        faults += readme.check_readme(old)
        if old != data:
            faults.append('docs/readme.txt is not up to date: run tools/guide/make-examples.py')
    elif old != data:
        with open(README, 'wb') as f:
            f.write(data)
        print('make-examples: rewrote docs/readme.txt')
    return faults


# --- Main -------------------------------------------------------------------

def choose_build():
    """The i686 build where this machine runs 32-bit code under Wine, else
    the x86_64 build of the same sources: (preset, whether to probe)."""
    host = os.path.join(ROOT, 'tools', 'host.sh')
    answer = 'cannot'
    if os.path.exists(host):
        answer = subprocess.run([host, 'i386'], stdout=subprocess.PIPE).stdout.decode().strip()
    if answer == 'runs':
        return 'win32', True
    print('make-examples: 32-bit code does not run here (host.sh i386: %s); '
          'the Windows examples come from the x86_64 build, build/win64' % answer)
    return 'win64', False


def build(preset, probe, setup):
    if setup:
        run(['tools/setup.sh'], cwd=ROOT)
    quiet = {'cwd': ROOT, 'stdout': subprocess.DEVNULL}
    run(['cmake', '--preset', preset], **quiet)
    run(['cmake', '--build', '--preset', preset, '--target', 'Ordwell', 'ordwell-sort', 'ordwell_demo',
         'MorvaneStandin'] + (['wine_probe'] if probe else []), **quiet)
    run(['cmake', '--preset', 'native'], **quiet)
    run(['cmake', '--build', '--preset', 'native', '--target', 'ordwell-sort'], **quiet)
    return os.path.join(ROOT, 'build', 'native', 'filter', 'ordwell-sort')


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--check', action='store_true')
    parser.add_argument('--filter', help='the native ordwell-sort to run the Linux examples with')
    parser.add_argument('--no-setup', action='store_true', help='do not run tools/setup.sh first')
    parser.add_argument('--inside-wine', nargs=2, metavar=('BUILD', 'RESULTS'), help=argparse.SUPPRESS)
    args = parser.parse_args()
    global BUILD
    if args.inside_wine:
        BUILD = args.inside_wine[0]
        inside_wine(args.inside_wine[1])
        return 0
    if args.check and not args.filter:
        parser.error('--check needs --filter')
    if not args.check:
        preset, probe = choose_build()
        BUILD = os.path.join(ROOT, 'build', preset)
    filter_path = args.filter or build(preset, probe, not args.no_setup)
    results = run_linux_examples(filter_path)
    if not args.check:
        os.makedirs(WORK, exist_ok=True)
        wine_results = os.path.join(WORK, 'wine-results.json')
        probe_option = ['--probe', os.path.join(BUILD, 'tools', 'wine-probe', 'wine_probe.exe')] if probe else []
        run(['tools/with-wine.sh', '--prefix', os.path.join(BUILD, 'wineprefix'), *probe_option, sys.executable,
             os.path.abspath(__file__), '--inside-wine', BUILD, wine_results], cwd=ROOT)
        with open(wine_results, encoding='utf-8') as f:
            results.update(json.load(f))
    faults = []
    guide_texts = {}
    for language, path in GUIDES.items():
        with open(path, encoding='utf-8') as f:
            old = f.read()
        new, missing = fill_guide(old, render_blocks(results, language), args.check)
        faults += ['%s: no example named %s' % (os.path.relpath(path, ROOT), name) for name in missing]
        guide_texts[language] = new
        if args.check and new != old:
            faults.append('%s is not up to date: run tools/guide/make-examples.py' % os.path.relpath(path, ROOT))
        elif not args.check and new != old:
            with open(path, 'w', encoding='utf-8') as f:
                f.write(new)
            print('make-examples: rewrote %s' % os.path.relpath(path, ROOT))
    faults += check_messages(guide_texts)
    faults += update_readme(guide_texts['ja'], args.check)
    for fault in faults:
        print('make-examples: ' + fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
