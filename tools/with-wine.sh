#!/bin/bash
# Runs a command inside a fresh virtual display with a build tree's Wine
# prefix ready: the prefix prepared, one persistent wineserver, and the Wine
# desktop already up, started with its output detached so that no Wine
# service holds a test's output pipe open. The server is stopped afterwards.
# WINELOADER is the 64-bit loader for the command; each build tree's
# wine-run.sh runs its program in this prefix (ORDWELL_DISPLAY_PREFIX), with
# the loader of its own build, so that a program of one build can drive
# those of another in one prefix.
# Usage: tools/with-wine.sh [--prefix DIR] [--probe EXE] COMMAND [ARGS...]
#   --prefix DIR  the prefix (default build/win64/wineprefix)
#   --probe EXE   an i686 program that must print its line under the prefix
#                 before the command runs; the run fails loudly when it does
#                 not, for then no 32-bit program really runs
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$root/build/win64/wineprefix
probe=
while [ $# -gt 0 ]; do
  case $1 in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --probe) probe=${2:+$(realpath -m "$2")}; shift 2 ;;
    *) break ;;
  esac
done
[ -n "${WITH_WINE_INSIDE:-}" ] || {
  WINEPREFIX=$prefix wineserver -k 2>/dev/null
  command -v xvfb-run >/dev/null || { echo "with-wine: FAILED: xvfb-run is missing; run tools/setup.sh" >&2; exit 1; }
  exec env WITH_WINE_INSIDE=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --prefix "$prefix" --probe "$probe" "$@"
}
state=$("$root/tools/host.sh" i386)
loader64=$("$root/tools/host.sh" get loader_win64 "$state")
[ -x "$loader64" ] || { echo "with-wine: FAILED: Wine's 64-bit loader $loader64 is missing; run tools/setup.sh" >&2; exit 1; }
export WINEPREFIX=$prefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINELOADER=$loader64 ORDWELL_DISPLAY_PREFIX=$prefix
# Under emulation every 32-bit process of Wine, the prefix's own included,
# gets the preload that keeps its start short.
if [ "$state" = emulated ]; then
  settings=$("$root/tools/emulation.sh" env) || { echo "with-wine: FAILED: the emulation's settings" >&2; exit 1; }
  while read -r setting; do export "$setting"; done <<< "$settings"
fi
"$root/tools/wine-prefix.sh" "$prefix" "$state" || exit 1
wineserver -p
"$loader64" cmd /c exit </dev/null >/dev/null 2>&1
if [ -n "$probe" ]; then
  # Wine without its 32-bit loader runs an i686 program as a silent success:
  # only the probe's line counts.
  loader32=$("$root/tools/host.sh" get loader_win32 "$state")
  said=
  [ "$loader32" = none ] || said=$(WINELOADER=$loader32 "$loader32" "$probe" </dev/null 2>/dev/null | tr -d '\r')
  if [ "$said" != "wine-probe: i686 runs" ]; then
    echo "with-wine: FAILED: the i686 probe did not print its line under $prefix." >&2
    "$root/tools/host.sh" line >&2
    echo "with-wine: next: run tools/setup.sh where the machine runs 32-bit code, and build the probe ($probe)." >&2
    wineserver -k 2>/dev/null
    exit 1
  fi
fi
"$@"
rc=$?
wineserver -k 2>/dev/null
exit $rc
