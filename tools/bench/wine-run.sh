#!/bin/bash
# The Wine half of tools/run-benchmarks.sh: builds Ordwell.exe, ordwell-sort.exe
# and the driver (win64), cuts a 10 MB document from the generated text, and
# prints the whole run of Ordwell.exe against the stand-in editor through
# each channel as a ratio to ordwell-sort.exe on the same text.
# Usage: tools/bench/wine-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${1:-5}
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target wine_bench >/dev/null
doc=$root/build/bench/document-10mb.txt
[ -f "$doc" ] || head -n 250000 build/bench/mixed.txt > "$doc"
tools/with-wine.sh build/win64/wine-run.sh build/win64/tools/bench/wine_bench.exe \
  "Z:$doc" "Z:$root/build/win64/tools/ordwell-sort/ordwell-sort.exe" "$runs" /A /T
