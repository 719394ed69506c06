#!/bin/bash
# The Wine half of tools/run-benchmarks.sh: builds Ordwell.exe, ordwell-sort.exe
# and the drivers for x86_64 (win64) and for the shipped i686 build (win32),
# cuts documents of 1 and 10 MB from the generated text (the whole text is
# the 40 MB one), and prints for each build the whole run of Ordwell.exe
# against the stand-in editor through each channel beside ordwell-sort.exe on
# the same texts, with peak memory: in the default order (/A, locale order),
# numbers by value (/A /N) and a column window (/A /C /F:5 /W:8), each beside
# the same in byte order (/T); then whether the system's sort keys order
# texts as the locale comparison does.
# x86_64 runs under wine64 in the win64 build's prefix; i686 under the 32-bit
# loader in a prefix of its own inside the win32 build tree, where the
# machine runs 32-bit code (else its rows are reported as not run).
# Usage: tools/bench/wine-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${1:-5}
data=$root/build/bench
state=$(tools/host.sh i386)
loader32=$(tools/host.sh get loader_win32 "$state")
presets=(win64 win32)
[ "$state" = runs ] || presets=(win64)
for preset in "${presets[@]}"; do
  cmake --preset $preset >/dev/null
  targets=(wine_bench collate_keys)
  [ $preset = win32 ] && targets+=(wine_probe)  # only the 32-bit build has the probe
  cmake --build --preset $preset --target "${targets[@]}" >/dev/null
done
[ -f "$data/document-1mb.txt" ] || head -n 24500 "$data/mixed.txt" > "$data/document-1mb.txt"
[ -f "$data/document-10mb.txt" ] || head -n 250000 "$data/mixed.txt" > "$data/document-10mb.txt"
documents=("Z:$data/document-1mb.txt" "Z:$data/document-10mb.txt" "Z:$data/mixed.txt")

orders=("/A /T" "/A" "/A /T /N" "/A /N" "/A /T /C /F:5 /W:8" "/A /C /F:5 /W:8")

run_x86_64() { tools/with-wine.sh build/win64/wine-run.sh "$@"; }
# The i686 rows, where this machine runs them.
run_i686() {
  if [ "$state" = runs ]; then
    tools/with-wine.sh --prefix "$root/build/win32/bench-wineprefix" \
      --probe build/win32/tools/wine-probe/wine_probe.exe env WINELOADER="$loader32" "$loader32" "$@"
  elif [ "$state" = emulated ]; then
    echo "i686: NOT MEASURED (emulated): an emulated time says nothing about Windows"
  else
    echo "i686: NOT RUN: $(tools/host.sh get not_run_why "$state")"
  fi
}
for build in x86_64 i686; do
  tree=build/win64
  [ $build = i686 ] && tree=build/win32
  if [ $build = i686 ] && [ "$state" = emulated ]; then
    echo "i686: NOT MEASURED (emulated): an emulated time says nothing about Windows; measure on a machine that runs 32-bit code"
    echo
    continue
  elif [ $build = i686 ] && [ "$state" != runs ]; then
    echo "i686: NOT RUN: $(tools/host.sh get not_run_why "$state")"
    echo
    continue
  fi
  bench=$tree/tools/bench/wine_bench.exe
  sorter="Z:$root/$tree/filter/ordwell-sort.exe"
  for switches in "${orders[@]}"; do
    run_$build "$bench" "$sorter" "$runs" "$switches" "${documents[@]}"
    echo
  done
done
echo "| sort keys (LCMapStringA) against CompareStringA | pairs | other answers | CompareStringA µs per pair | LCMapStringA µs per text |"
echo "|---|---:|---:|---:|---:|"
tools/with-wine.sh build/win64/wine-run.sh build/win64/tools/bench/collate_keys.exe 1000000 "Z:$data/mixed.txt"
run_i686 build/win32/tools/bench/collate_keys.exe 1000000 "Z:$data/mixed.txt"
