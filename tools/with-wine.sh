#!/bin/bash
# Runs a command inside a fresh virtual display with this build tree's Wine
# prefix ready: the prefix prepared, one persistent wineserver, and the Wine
# desktop already up, started with its output detached so that no Wine
# service holds a test's output pipe open. The server is stopped afterwards.
# Usage: tools/with-wine.sh [--prefix DIR] COMMAND [ARGS...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$root/build/win64/wineprefix
if [ "${1:-}" = "--prefix" ]; then prefix=$2; shift 2; fi
[ -n "${WITH_WINE_INSIDE:-}" ] || {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  exec env WITH_WINE_INSIDE=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --prefix "$prefix" "$@"
}
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
"$root/tools/wine-prefix.sh" "$prefix" || exit 1
wineserver -p
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
"$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
