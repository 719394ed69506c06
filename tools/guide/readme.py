"""readme.txt from the Japanese guide, for Notepad: code page 932, CR LF,
no line wider than 80 columns of a monospace font (one column a byte).

Each section of the readme takes whole sections of the guide by their
headings (SECTIONS below); paragraphs the guide marks with
    <!-- readme: NAME -->  and  <!-- /readme -->
go to the readme section NAME instead of where they stand. Examples,
pictures and sentences that point at an example are left out.
"""
import re

WIDTH = 80

# Readme section -> what of the guide it takes: '#intro' (the text before
# the first section), 'Heading' (that ## section with its ### parts),
# 'Heading|table' (only its tables) or 'Heading|text' (all but its tables).
SECTIONS = [
    ('概要', ['#intro']),
    ('動作環境', ['動作環境']),
    ('内容物', ['インストール|table']),
    ('インストールとアンインストール', ['インストール|text']),
    ('使い方', ['Morvane から使う', 'よく使うコマンド ライン', 'オプション ダイアログ', '設定ファイル',
             'ordwell-sort: バッチ ファイルとスクリプトで使う']),
    ('スイッチ', ['スイッチ一覧']),
    ('メッセージと終了コード', ['メッセージと終了コード']),
    ('注意事項', ['並べ替えの順序']),
    ('履歴', ['履歴']),
    ('ライセンス', ['ライセンス']),
]
# The parts of the ordwell-sort section that only a Linux user needs.
SKIPPED_PARTS = {'Linux'}

# No line may begin with these, nor end with the opening ones.
NO_LINE_START = set('、。，．,.)）」』】〕・ー…？！?!：:;；%％')
NO_LINE_END = set('(（「『【〔')


def width(text):
    return len(text.encode('cp932'))


# --- Markdown to plain text -------------------------------------------------

# Guide headings -> the readme heading that holds them, while rendering;
# a link to any other heading points into the guide.
HEADINGS = {}


def link_to(match):
    name = match.group(1)
    return '「%s」' % HEADINGS[name] if name in HEADINGS else 'guide.ja.md の「%s」' % name


def inline(text):
    text = re.sub(r'!\[[^\]]*\]\([^)]*\)', '', text)
    text = re.sub(r'\[([^\]]+)\]\(#[^)]*\)', link_to, text)
    text = re.sub(r'\[([^\]]+)\]\([^)]*\)', r'\1', text)
    text = re.sub(r'\*\*(.+?)\*\*', r'\1', text)
    text = re.sub(r'`([^`]+)`', r'\1', text)
    # No-break spaces and word joiners keep a table cell from wrapping.
    text = text.replace('<br>', '、').replace('&nbsp;', ' ').replace('\u2060', '')
    text = re.sub(r'([。、]) +', r'\1', text)
    return re.sub(r'\\([\\|*_`\[\]])', r'\1', text)


def join_lines(lines):
    """Lines of one paragraph: Japanese runs on without a space, a break
    beside a half-width word is a space."""
    text = ''
    for line in lines:
        line = line.strip()
        if text and (re.match(r'[\x21-\x7e]', line[:1]) or re.search(r'[\x21-\x7e]$', text)) \
                and text[-1] not in '、。「（' and line[0] not in '、。」）':
            text += ' '
        text += line
    return text


def drop_example_sentences(text):
    """Sentences that point at an example the readme does not carry."""
    pointer = r'(次の|上の|この|各)例|」 ?の例'
    text = re.sub(r' ?\([^()]*(%s)[^()]*\)' % pointer, '', text)
    sentences = re.findall(r'[^。]*。|[^。]+$', text)
    return ''.join(s for s in sentences if not re.search(pointer, s)).strip()


def blocks(markdown):
    """The guide's blocks: (kind, lines) with kind heading2, heading3,
    paragraph, list, table, code; examples, pictures and captions gone."""
    # An example with a table is too wide; one of code blocks alone stays.
    markdown = re.sub(r'<!-- example: [\w-]+ -->\n(.*?)<!-- /example -->\n?',
                      lambda m: '' if '\n|---' in m.group(1) else m.group(1), markdown, flags=re.S)
    result, current, kind, fence = [], [], None, False

    def close():
        nonlocal current, kind
        if current:
            result.append((kind, current))
        current, kind = [], None

    for line in markdown.split('\n'):
        if fence:
            if line.startswith('```'):
                fence = False
                close()
            else:
                current.append(line)
            continue
        if line.startswith('```'):
            close()
            kind, fence = 'code', True
            continue
        if line.startswith('> '):
            line = line[2:]
        elif line == '>':
            line = ''
        stripped = line.strip()
        if not stripped or re.fullmatch(r'<!--.*-->', stripped):
            close()
            if stripped.startswith('<!-- readme: ') or stripped == '<!-- /readme -->':
                result.append(('marker', [stripped]))
            continue
        if re.fullmatch(r'!?\[[^\]]*\]\([^)]*\)', stripped) or re.fullmatch(r'\*[^*].*\*', stripped):
            close()
            continue
        heading = re.match(r'(#{1,3}) (.*)', line)
        if heading:
            close()
            result.append(('heading%d' % len(heading.group(1)), [heading.group(2)]))
            continue
        line_kind = 'table' if line.startswith('|') else 'list' if line.startswith('- ') else None
        if line_kind == 'list' and kind == 'list':
            current.append(line)
            continue
        if line_kind and line_kind != kind:
            close()
            kind = line_kind
        elif not line_kind and kind is None:
            kind = 'paragraph'
        current.append(line)
    close()
    return result


def list_items(lines):
    items = []
    for line in lines:
        if line.startswith('- '):
            items.append([line[2:]])
        else:
            items[-1].append(line)
    return [inline(join_lines(item)) for item in items]


def table_rows(lines):
    cells = [[c.strip() for c in line.strip().strip('|').split('|')] for line in lines]
    header, rows = cells[0], [row for row in cells[2:]]
    return [inline(h) for h in header], [[inline(c) for c in row] for row in rows]


# --- Layout -----------------------------------------------------------------

def units(text):
    return re.findall(r'[\x21-\x7e]+| +|.', text)


def wrap(text, first, rest):
    """Lines of at most WIDTH columns: first and rest are the prefixes of the
    first and the later lines. Breaks at spaces and between Japanese
    characters, never before closing or after opening punctuation."""
    def breakable(before, after):
        return before == ' ' or (after[0] not in NO_LINE_START and before[-1] not in NO_LINE_END)

    lines, line, prefix = [], [], first
    for unit in units(text):
        if unit.startswith(' '):
            if line and line[-1] != ' ':
                line.append(' ')
            continue
        if line and width(prefix + ''.join(line) + unit) > WIDTH:
            carried = [unit]
            while len(line) > 1 and not breakable(line[-1], carried[0]):
                carried.insert(0, line.pop())
            lines.append(prefix + ''.join(line).rstrip())
            line = carried[:-1]
            while line and line[0] == ' ':
                line.pop(0)
            prefix = rest
        line.append(unit)
    lines.append(prefix + ''.join(line).rstrip())
    return lines


def render_block(kind, lines):
    if kind == 'heading3' or kind == 'heading2':
        return ['◆ ' + inline(lines[0])]
    if kind == 'code':
        return [('    ' + line).rstrip() for line in lines]
    if kind == 'paragraph':
        text = drop_example_sentences(inline(join_lines(lines)))
        return wrap(text, '', '') if text else []
    if kind == 'list':
        out = []
        for item in list_items(lines):
            item = drop_example_sentences(item)
            if item:
                out += wrap(item, '・', '  ')
        return out
    if kind == 'table':
        header, rows = table_rows(lines)
        out = []
        for row in rows:
            if len(row) == 2:
                out += wrap('%s：%s' % (row[0], row[1]), '・', '  ')
                continue
            out += wrap(row[0], '・', '  ')
            for name, value in zip(header[1:], row[1:]):
                if value and value != '—':
                    out += wrap('%s：%s' % (name, value), '    ', '      ')
        return out
    return []


def sections_of(guide):
    """The guide's blocks by ## section ('#intro' for those before the
    first), and the marked blocks by readme section."""
    parts, marked = {'#intro': []}, {}
    name, target = '#intro', None
    for kind, lines in blocks(guide):
        if kind == 'marker':
            target = lines[0][len('<!-- readme: '):-len(' -->')] if lines[0] != '<!-- /readme -->' else None
            continue
        if kind == 'heading1':
            continue
        if kind == 'heading2':
            name = inline(lines[0])
            parts[name] = []
            continue
        (marked.setdefault(target, []) if target else parts[name]).append((kind, lines))
    return parts, marked


def pick(blocks_, part):
    if part == 'table':
        return [b for b in blocks_ if b[0] == 'table']
    if part == 'text':
        return [b for b in blocks_ if b[0] != 'table']
    return blocks_


def without_skipped_parts(blocks_):
    kept, skipping = [], False
    for kind, lines in blocks_:
        if kind == 'heading3':
            skipping = inline(lines[0]) in SKIPPED_PARTS
        if not skipping:
            kept.append((kind, lines))
    return kept


def make_readme(guide, version):
    """The readme's text (str, LF line ends) and what of the guide it missed."""
    parts, marked = sections_of(guide)
    faults = []
    HEADINGS.clear()
    for title, sources in SECTIONS:
        for source in sources:
            heading = source.partition('|')[0]
            HEADINGS[heading] = title if len(sources) == 1 else heading
            HEADINGS.update((inline(b[1][0]), inline(b[1][0])) for b in parts.get(heading, [])
                            if b[0] == 'heading3' and inline(b[1][0]) not in SKIPPED_PARTS)
    out = ['Ordwell %s' % version, '', 'Morvane で編集中のテキストを行単位で並べ替えるツール', '']
    for title, sources in SECTIONS:
        chosen = []
        for source in sources:
            heading, _, part = source.partition('|')
            if heading not in parts:
                faults.append('readme.txt: the guide has no section %s' % heading)
                continue
            body = without_skipped_parts(pick(parts[heading], part))
            if len(sources) > 1 and heading != '#intro':
                body = [('heading2', [heading])] + body
            chosen += body
        chosen = marked.pop(title, []) + chosen
        if not chosen:
            faults.append('readme.txt: nothing for its section %s' % title)
        out += ['=' * WIDTH, '■ ' + title, '=' * WIDTH, '']
        for kind, lines in chosen:
            rendered = render_block(kind, lines)
            if rendered:
                out += rendered + ['']
    faults += ['readme.txt: the guide marks text for %s, which the readme does not have' % name for name in marked]
    return '\n'.join(out).rstrip('\n') + '\n', faults


def encode_readme(text):
    """The bytes of the readme, and the characters code page 932 lacks
    (each written as '?')."""
    missing = sorted({c for c in text if c.encode('cp932', 'replace') == b'?' and c != '?'})
    faults = ['readme.txt: %r (U+%04X) is not in code page 932' % (c, ord(c)) for c in missing]
    return text.replace('\n', '\r\n').encode('cp932', 'replace'), faults


def check_readme(data):
    """What Notepad would show wrong: faults of the bytes as they stand."""
    faults = []
    try:
        text = data.decode('cp932')
    except UnicodeDecodeError as e:
        return ['readme.txt: byte %d is not code page 932' % e.start]
    if '\n' in text.replace('\r\n', ''):
        faults.append('readme.txt: a line ends without CR LF')
    for number, line in enumerate(text.split('\r\n'), 1):
        if width(line) > WIDTH:
            faults.append('readme.txt:%d: %d columns, more than %d' % (number, width(line), WIDTH))
    return faults
