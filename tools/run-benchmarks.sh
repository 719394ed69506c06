#!/bin/bash
# Builds ordwell-sort optimised (preset release), generates the benchmark
# texts once (build/bench), and prints the table of ordwell-sort against GNU
# sort: median wall time of alternating runs, ratio, peak memory. Not part of
# tools/run-tests.sh. Usage: tools/run-benchmarks.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target ordwell-sort >/dev/null
data=build/bench
[ -f $data/mixed.txt ] && [ -f $data/long.txt ] || python3 tools/bench/generate.py $data

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -g | awk '/^Mem:/ {print $2}') GB; $(date -u +%Y-%m-%d)"
echo "texts: $(stat -c '%n %s bytes' $data/mixed.txt $data/long.txt | paste -sd ';')"
echo "GNU sort: $(sort --version | head -1), LC_ALL=C --parallel=1"
echo
python3 tools/bench/run.py build/release/tools/ordwell-sort/ordwell-sort $data "${1:-5}"
echo
tools/bench/wine-run.sh "${1:-5}"
