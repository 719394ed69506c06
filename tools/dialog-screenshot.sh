#!/bin/bash
# Takes the picture of the options dialog that the README shows: under Wine
# the real Ordwell.exe /D opens its dialog over the stand-in editor, and the
# screen area of the editor window is saved as docs/options-dialog.png.
# Usage: tools/dialog-screenshot.sh [OUTPUT_PNG]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
output=${1:-$root/docs/options-dialog.png}
tools/setup.sh || exit 1
{ cmake --preset win64 >/dev/null &&
  cmake --build --preset win64 --target Ordwell ordwell_dialog_shot MorvaneStandin >/dev/null; } || {
  echo "dialog-screenshot: the build failed" >&2
  exit 1
}
bmp=$root/build/win64/options-dialog.bmp
rm -f "$bmp"
tools/with-wine.sh build/win64/wine-run.sh build/win64/tools/demo/ordwell_dialog_shot.exe \
  "Z:$root/build/win64/app/Ordwell.exe" "Z:$bmp" || exit 1
# Fixed metadata, so that the same picture gives the same file.
convert "$bmp" -strip "png:$output" && rm -f "$bmp" && echo "dialog-screenshot: $output"
