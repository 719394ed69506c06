#!/bin/bash
# Builds the fuzz configuration (clang, libFuzzer, ASan, UBSan) and runs the
# fuzz targets. Usage: tools/run-fuzz.sh [target|all] [seconds per target]
#   tools/run-fuzz.sh                  every target, 600 s each
#   tools/run-fuzz.sh sort_text 3600   one target for an hour
# Each target starts from its committed seeds (tests/fuzz/corpus/<target>)
# and grows a working corpus in build/fuzz/corpus/<target>, kept between
# runs. A failing input lands in build/fuzz/artifacts/<target>/; replay it
# with build/fuzz/fuzz_<target> <file>, and commit it to the seeds once the
# fault is fixed. Exit status 0 when no target found a fault.
set -uo pipefail
cd "$(dirname "$0")/.."
target=${1:-all}
seconds=${2:-600}
build=build/fuzz

{ cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; } || exit 1

if [ "$target" = all ]; then
  targets=$(ls tests/fuzz/corpus)
else
  targets=$target
fi

# Runs one target, its report kept for printing in order; fails on a fault.
run_target() {
  local t=$1 exe=$build/tests/fuzz/fuzz_$1 report=$build/reports/$1.txt
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t" "$build/reports"
  echo "=== fuzz $t for ${seconds} s" >"$report"
  # The last status line tells the executions and the coverage reached.
  if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t/" "$build/corpus/$t" "tests/fuzz/corpus/$t" \
      >"$build/artifacts/$t/log.txt" 2>&1; then
    grep -E 'DONE|stat::number_of_executed_units' "$build/artifacts/$t/log.txt" | sed "s/^/  /" >>"$report"
  else
    echo "  FAULT: see $build/artifacts/$t/log.txt" >>"$report"
    grep -E 'ERROR|invariant broken|SUMMARY|Test unit written' "$build/artifacts/$t/log.txt" | head -n 20 |
      sed "s/^/  /" >>"$report"
    return 1
  fi
}

status=0
for t in $targets; do
  if [ ! -x "$build/tests/fuzz/fuzz_$t" ]; then
    echo "run-fuzz: no target $t" >&2
    status=1
  fi
done
[ $status -eq 0 ] || exit 1
echo "run-fuzz: ${seconds} s each, $(nproc) at a time"

# A target uses one core: as many run at once as there are cores.
running=()
for t in $targets; do
  run_target "$t" &
  running+=($!)
  if [ ${#running[@]} -ge "$(nproc)" ]; then
    wait "${running[0]}" || status=1
    running=("${running[@]:1}")
  fi
done
for pid in "${running[@]}"; do
  wait "$pid" || status=1
done
for t in $targets; do
  cat "$build/reports/$t.txt"
done
exit $status
