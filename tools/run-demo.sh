#!/bin/bash
# The main job, shown end to end under Wine: the stand-in editor opens a
# sample of Japanese and English lines, the shipped Ordwell.exe (the i686
# build, run as WoW64) sorts it, and the demo prints the text before and
# after, the exit code, and where the screenshot of the editor window after
# the run was written. Where 32-bit code runs only by emulation, the shipped
# Ordwell.exe runs EMULATED, driven by the x86_64 driver and stand-in; on a
# machine that runs no 32-bit code the x86_64 build of the same sources runs
# instead. The demo says which.
# Usage: tools/run-demo.sh [SWITCHES...]     (default: /A /N /R)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1
state=$(tools/host.sh i386)
tools/host.sh line
kind=$(tools/host.sh get demo_build "$state")
driver=$(tools/host.sh get demo_driver "$state")
build=build/$kind
driver_build=build/$driver
probe=() targets=(Ordwell ordwell_demo MorvaneStandin)
if [ "$kind" = win32 ]; then
  probe=(--probe $build/tools/wine-probe/wine_probe.exe) targets+=(wine_probe)
else
  echo "demo: $(tools/host.sh get not_run_why "$state"): running the x86_64 Ordwell.exe, built from the same sources"
fi
[ "$state" = emulated ] && echo "demo: EMULATED: the shipped i686 Ordwell.exe runs under qemu-user (a start costs about a second more than natively)"
log=$root/build/demo-build.log
mkdir -p build
{ cmake --preset $kind >"$log" 2>&1 &&
  cmake --build --preset $kind --target "${targets[@]}" >>"$log" 2>&1 &&
  cmake --preset $driver >>"$log" 2>&1 &&
  cmake --build --preset $driver --target ordwell_demo MorvaneStandin >>"$log" 2>&1; } || {
  echo "demo: FAILED: the $kind build; the last lines of $log:" >&2
  tail -n 20 "$log" | sed 's/^/  | /' >&2
  echo "demo: next: fix the build, or run tools/setup.sh if a compiler is missing" >&2
  exit 1
}
out=$root/build/demo
mkdir -p "$out"
# The editor's documents are code page 932 with CR LF line ends.
iconv -f UTF-8 -t CP932 tools/demo/sample.txt | LC_ALL=C sed 's/$/\r/' > "$out/sample.txt"
switches=("$@")
[ ${#switches[@]} -gt 0 ] || switches=(/A /N /R)
rm -f "$out/editor-after.bmp" "$out/editor-after.png"
tools/with-wine.sh --prefix $build/wineprefix "${probe[@]}" \
  $driver_build/wine-run.sh $driver_build/tools/demo/ordwell_demo.exe \
  "Z:$out/sample.txt" "Z:$root/$build/app/Ordwell.exe" "Z:$out/editor-after.bmp" "${switches[@]}"
status=$?
if [ -f "$out/editor-after.bmp" ]; then
  convert "$out/editor-after.bmp" "$out/editor-after.png" && rm -f "$out/editor-after.bmp"
  echo "--- Screenshot of the editor after the run: $out/editor-after.png"
fi
[ $status -eq 0 ] || echo "demo: the run ended with status $status (the driver's output above says which step failed)" >&2
exit $status
