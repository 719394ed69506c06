#!/bin/bash
# Shows the work window, with the wait cursor over it, that a run of the
# shipped Ordwell.exe (i686) puts over the editor while it works on a large
# document: under Wine, the stand-in editor holds about 80 MB, the pointer
# is put over the work window, and the editor window is pictured with the X
# cursor drawn in, once during the run (build/demo/work-window-during.png,
# which is docs/work-window.png) and once after it
# (build/demo/work-window-after.png).
# Usage: tools/work-window-shot.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1
# The shipped i686 build where this machine runs it, else the x86_64 one.
state=$(tools/host.sh i386)
kind=$(tools/host.sh get demo_build "$state")
driver=$(tools/host.sh get demo_driver "$state")
probe=() targets=(Ordwell ordwell_work_shot MorvaneStandin)
[ "$kind" = win32 ] && probe=(--probe build/win32/tools/wine-probe/wine_probe.exe) targets+=(wine_probe)
{ cmake --preset $kind >/dev/null &&
  cmake --build --preset $kind --target "${targets[@]}" >/dev/null &&
  cmake --preset $driver >/dev/null &&
  cmake --build --preset $driver --target ordwell_work_shot MorvaneStandin >/dev/null; } || {
  echo "work-window-shot: the build failed" >&2
  exit 1
}
out=$root/build/demo
markers=$out/work-markers
rm -rf "$markers" && mkdir -p "$markers"
export root out markers kind driver
tools/with-wine.sh --prefix build/$kind/wineprefix "${probe[@]}" bash -c '
  build/$driver/wine-run.sh build/$driver/tools/demo/ordwell_work_shot.exe \
    "Z:$root/build/$kind/app/Ordwell.exe" "Z:$markers" > "$markers/said.txt" &
  driver=$!
  for moment in during after; do
    for ((i = 0; i < 600; ++i)); do [ -f "$markers/$moment" ] || ! kill -0 $driver 2>/dev/null && break; sleep 0.1; done
    [ -f "$markers/$moment" ] || break
    read -r _ x0 y0 x1 y1 < <(grep "^editor " "$markers/said.txt")
    import -window root "$markers/screen.png" &&
      tools/demo/cursor_picture.py "$markers/screen.png" "$out/work-window-$moment.png" $x0 $y0 $x1 $y1
    touch "$markers/$moment.taken"
  done
  wait $driver
'
status=$?
cat "$markers/said.txt"
[ $status -eq 0 ] && echo "work-window-shot: $out/work-window-during.png, $out/work-window-after.png"
exit $status
