#!/bin/bash
# The i686 build's test executables that start no second process, each run
# once as a whole (every test of it in one 32-bit process), for a machine
# that runs 32-bit code only by emulation: one emulated start per
# executable instead of one per test through CTest. The cases of an
# executable that start a process are left out by its filter. Run inside
# tools/with-wine.sh with the win32 prefix. Prints a line per executable and
# an EMULATED total; fails when any test failed or an executable printed no
# count (an i686 program that never ran exits 0 without a word).
# Usage: tools/run-i686-emulated.sh
set -uo pipefail
cd "$(dirname "$0")/.."
build=build/win32
# executable | GoogleTest filter
sets=(
  "tests/platform/platform_tests.exe|*"
  "tests/sort/sort_tests.exe|*"
  "tests/reliability/reliability_tests.exe|*"
  "tests/cmdline/cmdline_tests.exe|-BuildArgList.ReadsTheProcessCommandLine"
  "tests/capture/version_reader_tests.exe|*"
  "tests/ui/ui_tests.exe|*"
  "tests/ui/options_dialog_tests.exe|*"
)
log_dir=$build/emulated
mkdir -p "$log_dir"
rm -f "$log_dir/summary.txt"
passed=0 failed=0 executables=0 status=0
for entry in "${sets[@]}"; do
  exe=${entry%%|*} filter=${entry#*|}
  log=$log_dir/$(basename "$exe" .exe).log
  begin=$SECONDS
  # A hung executable must not hold the test command for ever: the same
  # bound as CTest gives each test, times ten for a whole executable.
  # Once more when Wine failed the program at its start (no test ran).
  for attempt in 1 2; do
    timeout -k 10 1200 "$build/wine-run.sh" "$build/$exe" "--gtest_filter=$filter" </dev/null >"$log" 2>&1
    rc=$?
    [ $rc -eq 124 ] && echo "(timed out after 1200 s)" >> "$log"
    tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
    ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log" | tail -n 1)
    [ -n "$ran" ] || [ $rc -eq 124 ] || grep -q '^\[==========\]' "$log" && break
  done
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -n 1)
  executables=$((executables + 1))
  if [ -z "$ran" ]; then
    echo "FAILED   EMULATED $exe: no test ran (exit $rc); the log: $log"
    tail -n 15 "$log" | sed 's/^/  | /'
    status=1
    continue
  fi
  bad=${bad:-0}
  passed=$((passed + ran - bad)) failed=$((failed + bad))
  if [ "$rc" -ne 0 ] || [ "$bad" -ne 0 ]; then
    echo "FAILED   EMULATED $exe: $bad of $ran tests failed (exit $rc, $((SECONDS - begin)) s); the log: $log"
    grep '^\[  FAILED  \]' "$log" | sed 's/^/  | /'
    status=1
  else
    echo "PASSED   EMULATED $exe: $ran tests ($((SECONDS - begin)) s)"
  fi
done
echo "i686 EMULATED: $executables executables, $passed passed, $failed failed" | tee "$log_dir/summary.txt"
exit $status
