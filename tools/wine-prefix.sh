#!/bin/bash
# Prepares a Wine prefix for the tests: created once, inside the test display,
# with a virtual desktop made the default so that every program runs in it and
# foreground windows are seen as a user would see them.
# Usage: tools/wine-prefix.sh PREFIX   (DISPLAY must be set)
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
# The 32-bit loader: it runs i686 programs as WoW64 and x86_64 ones too.
wine=/usr/bin/wine
stamp=$prefix/.ordwell-ready
# A prefix made before wine32 was installed has no 32-bit system files, and
# the 32-bit loader cannot start anything in it (c0000135): make it again.
wow64_kernel=$prefix/drive_c/windows/syswow64/kernel32.dll
if [ -f "$stamp" ] && [ ! -f "$wow64_kernel" ]; then
  echo "wine-prefix: $prefix predates wine32; making it again" >&2
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
if [ ! -f "$stamp" ]; then
  mkdir -p "$prefix"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
fi
# Fonts, checked on every start so that a prefix made before a font was
# installed gets it too:
# - a Japanese font stands in for the dialog's face name, so that its text
#   draws (fc-list, unlike fc-match, names no look-alike when it is missing);
# - Wine's own symbol font, which it does not find in its data folder here,
#   draws the caption buttons (without it they show letters).
fonts=$prefix/drive_c/windows/Fonts
japanese=$(fc-list -f '%{file}\n' ':family=IPAPGothic' 2>/dev/null | head -n 1)
if [ -n "$japanese" ] && [ ! -f "$fonts/$(basename "$japanese")" ]; then
  cp "$japanese" "$fonts/"
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null 2>&1
  wineserver -w
fi
for data in /usr/share/wine/fonts /usr/lib/wine/fonts; do
  if [ -f "$data/marlett.ttf" ] && [ ! -f "$fonts/marlett.ttf" ]; then cp "$data/marlett.ttf" "$fonts/"; fi
done
