#!/bin/bash
# Builds ordwell-sort optimised (preset release), generates the benchmark
# texts once (build/bench), and prints the table of ordwell-sort against GNU
# sort (median wall and CPU time of alternating runs, ratios, peak memory),
# the whole run of Ordwell.exe under Wine for both Windows builds, and the
# table of targets met or not. Not part of tools/run-tests.sh.
# Usage: tools/run-benchmarks.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target ordwell-sort >/dev/null
data=build/bench
runs=${1:-5}
[ -f $data/mixed.txt ] && [ -f $data/long.txt ] || python3 tools/bench/generate.py $data

echo "machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p'), $(free -g | awk '/^Mem:/ {print $2}') GB; $(date -u +%Y-%m-%d)"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "texts: $(stat -c '%n %s bytes' $data/mixed.txt $data/long.txt | paste -sd ';')"
echo "GNU sort: $(sort --version | head -1), LC_ALL=C; Wine $(dpkg-query -W -f='${Version}' wine64)"
echo
python3 tools/bench/run.py build/release/filter/ordwell-sort $data "$runs" $data/native-results.json
echo
tools/bench/wine-run.sh "$runs" | tee $data/wine-results.md
echo
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
python3 tools/bench/targets.py $data/native-results.json $data/wine-results.md
