#!/bin/bash
# The main job, shown end to end under Wine: the stand-in editor opens a
# sample of Japanese and English lines, the shipped Ordwell.exe (the i686
# build, run as WoW64) sorts it, and
# the demo prints the text before and after, the exit code, and where the
# screenshot of the editor window after the run was written.
# Usage: tools/run-demo.sh [SWITCHES...]     (default: /A /N /R)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1
{ cmake --preset win32 >/dev/null &&
  cmake --build --preset win32 --target Ordwell ordwell_demo MorvaneStandin wine_probe >/dev/null; } || {
  echo "demo: the build failed" >&2
  exit 1
}
out=$root/build/demo
mkdir -p "$out"
# The editor's documents are code page 932 with CR LF line ends.
iconv -f UTF-8 -t CP932 tools/demo/sample.txt | LC_ALL=C sed 's/$/\r/' > "$out/sample.txt"
switches=("$@")
[ ${#switches[@]} -gt 0 ] || switches=(/A /N /R)
rm -f "$out/editor-after.bmp" "$out/editor-after.png"
tools/with-wine.sh --prefix build/win32/wineprefix --probe build/win32/tools/wine-probe/wine_probe.exe \
  build/win32/wine-run.sh build/win32/tools/demo/ordwell_demo.exe \
  "Z:$out/sample.txt" "Z:$root/build/win32/app/Ordwell.exe" "Z:$out/editor-after.bmp" "${switches[@]}"
status=$?
if [ -f "$out/editor-after.bmp" ]; then
  convert "$out/editor-after.bmp" "$out/editor-after.png" && rm -f "$out/editor-after.bmp"
  echo "--- Screenshot of the editor after the run: $out/editor-after.png"
fi
exit $status
