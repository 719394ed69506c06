#!/bin/bash
# Prepares a Wine prefix for the tests: created once, inside the test display,
# with a virtual desktop made the default so that every program runs in it and
# foreground windows are seen as a user would see them.
# Usage: tools/wine-prefix.sh PREFIX   (DISPLAY must be set)
set -euo pipefail
prefix=$1
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
stamp=$prefix/.ordwell-ready
if [ ! -f "$stamp" ]; then
  mkdir -p "$prefix"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  # A Japanese font stands in for the dialog's face name, so its text draws.
  font=$(fc-match -f '%{file}' 'IPAPGothic' 2>/dev/null || true)
  if [ -n "$font" ] && [ -f "$font" ]; then
    cp "$font" "$prefix/drive_c/windows/Fonts/"
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >/dev/null 2>&1 || true
  fi
  wineserver -w
  touch "$stamp"
fi
