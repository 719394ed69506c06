#!/bin/bash
# Prepares a Wine prefix for the tests: created once per kind of machine,
# inside the test display, with a virtual desktop made the default so that
# every program runs in it and foreground windows are seen as a user would
# see them. Where the machine runs 32-bit code the 32-bit loader makes it,
# as WoW64 with the 32-bit parts; where it runs them by emulation, the
# 64-bit loader makes the same (its 32-bit programs run emulated);
# elsewhere the 64-bit loader makes a prefix without them.
# Usage: tools/wine-prefix.sh PREFIX STATE   (DISPLAY must be set; STATE is
# what `tools/host.sh i386` answered)
set -uo pipefail
prefix=$1 state=${2:?usage: tools/wine-prefix.sh PREFIX STATE}
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
root=$(cd "$(dirname "$0")/.." && pwd)
stamp=$prefix/.ordwell-ready
log=$prefix.log

fail() {
  echo "wine-prefix: FAILED: $1" >&2
  [ -f "$log" ] && { echo "wine-prefix: the last lines of $log:" >&2; tail -n 15 "$log" | sed 's/^/  | /' >&2; }
  echo "wine-prefix: next: remove $prefix and run again; 'tools/host.sh line' tells what this machine runs" >&2
  wineserver -k 2>/dev/null
  exit 1
}

# The prefix's kind: wow64 where it was made with the 32-bit parts, else 64.
# A prefix made without them cannot start a 32-bit program (c0000135): on a
# machine that runs them now it is made again; elsewhere it is kept.
wanted=64 wine=$("$root/tools/host.sh" get loader_win64 "$state")
[ "$state" = runs ] && { wanted=wow64 wine=$("$root/tools/host.sh" get loader_win32 "$state"); }
[ "$state" = emulated ] && wanted=wow64
export WINELOADER=$wine
if [ -f "$stamp" ]; then
  made=$(cat "$stamp")
  [ -n "$made" ] || { made=64; [ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ] && made=wow64; }
  if [ "$made" = 64 ] && [ "$wanted" = wow64 ]; then
    echo "wine-prefix: $prefix was made without Wine's 32-bit parts; making it again" >&2
    wineserver -k 2>/dev/null
    rm -rf "$prefix"
  fi
fi
if [ ! -f "$stamp" ]; then
  mkdir -p "$prefix"
  echo "wine-prefix: making $prefix with $wine" >&2
  {
    "$wine" wineboot -i &&
      "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
      "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f &&
      wineserver -w
  } >"$log" 2>&1 || fail "wineboot or reg in $prefix"
  [ -f "$prefix/drive_c/windows/system32/kernel32.dll" ] || fail "wineboot made no system folder in $prefix"
  if [ "$wanted" = wow64 ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
    fail "the prefix has no 32-bit system files though this machine runs 32-bit code"
  fi
  echo "$wanted" > "$stamp"
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
  { "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f &&
    wineserver -w; } >>"$log" 2>&1 || fail "the font replacement in $prefix"
fi
for data in /usr/share/wine/fonts /usr/lib/wine/fonts; do
  if [ -f "$data/marlett.ttf" ] && [ ! -f "$fonts/marlett.ttf" ]; then cp "$data/marlett.ttf" "$fonts/"; fi
done
exit 0
