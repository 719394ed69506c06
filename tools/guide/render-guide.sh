#!/bin/bash
# Shows the user guide as a reader will see it: each guide is rendered from
# Markdown to HTML (tables and pictures as a Markdown viewer shows them) and
# headless Chromium takes screenshots of the pages, a few sections to each so
# that every picture stays within what ImageMagick takes. Not part of the
# tests; look at the pictures.
# Output: build/guide-render/GUIDE.html and GUIDE-N.png for guide.ja and guide.
# Usage: tools/guide/render-guide.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
out=$PWD/build/guide-render
tools/setup.sh
missing=()
for p in chromium python3-markdown; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
rm -rf "$out"
mkdir -p "$out"
cp docs/*.png "$out/"
# Debian's Python, which has the Markdown package.
/usr/bin/python3 - "$out" docs/guide.ja.md docs/guide.md <<'EOF'
import os
import re
import sys
import markdown

out = sys.argv[1]
STYLE = '''body { font-family: "IPAPGothic", sans-serif; width: 60em; margin: 1em 2em; line-height: 1.6; }
table { border-collapse: collapse; } th, td { border: 1px solid #999; padding: .3em .6em; vertical-align: top; }
pre { background: #f4f4f4; padding: .6em; } pre, code { font-family: "IPAGothic", monospace; }'''
PAGE = '<!DOCTYPE html><html><head><meta charset="utf-8"><style>%s</style></head><body>%s</body></html>'
PART_BYTES = 12000  # of Markdown: about 5000 pixels of page

def write(path, body):
    with open(path, 'w', encoding='utf-8') as f:
        f.write(PAGE % (STYLE, body))

for source in sys.argv[2:]:
    name = os.path.basename(source)[:-3]
    with open(source, encoding='utf-8') as f:
        text = f.read()
    render = lambda t: markdown.markdown(t, extensions=['tables', 'fenced_code'])
    write(os.path.join(out, name + '.html'), render(text))
    parts, current = [], ''
    for section in re.split(r'(?m)^(?=## )', text):
        if current and len((current + section).encode()) > PART_BYTES:
            parts.append(current)
            current = ''
        current += section
    parts.append(current)
    for n, part in enumerate(parts, 1):
        write(os.path.join(out, '%s-%d.html' % (name, n)), render(part))
EOF
for page in "$out"/*-[0-9]*.html; do
  picture=${page%.html}.png
  # A window taller than the part, then the blank around it trimmed away.
  chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$out/profile" \
    --hide-scrollbars --window-size=1100,12000 --screenshot="$picture" "file://$page" >/dev/null 2>&1
  convert "$picture" -trim +repage "$picture"
  rm "$page"
  echo "render-guide: $picture"
done
rm -rf "$out/profile"
