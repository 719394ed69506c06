#!/bin/bash
# Builds the configurations and runs every test: natively under AddressSanitizer
# and UBSan, each fuzz target for 20 s, the whole Windows suite under Wine
# twice, once on the i686 build that ships (as WoW64) and once on the x86_64
# build, each in the prefix of its own build tree inside a virtual display,
# and last the release test on the zip. Where 32-bit code runs only by
# emulation (qemu-user), the i686 part is a chosen set, reported EMULATED:
# the i686 test executables that start no second process, each run whole
# (tools/run-i686-emulated.sh), and the release test with the packaged
# executables; the rest of the i686 suite is reported NOT RUN (emulated).
# On a machine that runs no 32-bit code at all the i686 runs are reported
# as NOT RUN, with the reason, and the run passes when everything that could
# run passed. Usage: tools/run-tests.sh
set -uo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh || exit 1

state=$(tools/host.sh i386)
tools/host.sh line
win32_suite=$(tools/host.sh get win32_suite "$state")
not_run_why=$(tools/host.sh get not_run_why "$state")

status=0
started=$SECONDS
results=()
# Runs one step: its title, then the command; records PASSED or FAILED with
# its time, and fails as the command did.
step() {
  local title=$1 begin=$SECONDS rc=0
  shift
  echo; echo "=== $title"
  "$@" || rc=1
  if [ $rc -eq 0 ]; then
    results+=("PASSED   $title ($((SECONDS - begin)) s)")
  else
    results+=("FAILED   $title ($((SECONDS - begin)) s)")
    status=1
  fi
  echo "--- $title: $((SECONDS - begin)) s"
  return $rc
}
not_run() {
  echo; echo "=== $1"; echo "--- NOT RUN: $2"
  results+=("NOT RUN  $1: $2")
}
build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}
summary() {
  echo
  echo "=== summary ($((SECONDS - started)) s)"
  tools/host.sh line
  printf '%s\n' "${results[@]}"
  if [ "$win32_suite" = emulated ]; then
    local counts
    for counts in build/win32/emulated/summary.txt build/win32/release-summary.txt; do
      [ -f "$counts" ] && sed 's/^/EMULATED counts: /' "$counts"
    done
  fi
}
# A build that fails ends the run: nothing after it could be trusted.
build_or_end() {
  step "$1: build" build "$1" || { summary; exit 1; }
}

build_or_end native
step "native: test (ASan, UBSan)" ctest --preset native
step "fuzz: every target for 20 s (clang, libFuzzer, ASan, UBSan)" tools/run-fuzz.sh all 20
build_or_end win32
build_or_end win64

probe=build/win32/tools/wine-probe/wine_probe.exe
# Wine now and then fails a test program at its very start (it ends at once,
# having printed nothing): a Windows test fails the run only when it fails
# twice.
again=(--repeat until-pass:2)
# Counts of an earlier run must not stand for this one's.
rm -f build/win32/emulated/summary.txt build/win32/release-summary.txt
title="win32 (i686, the shipped executable): test under Wine (WoW64)"
case $win32_suite in
  run) step "$title" tools/with-wine.sh --prefix build/win32/wineprefix --probe "$probe" ctest --preset win32 "${again[@]}" ;;
  emulated)
    step "win32 (i686, the shipped executable) EMULATED: the test executables that start no second process, each whole" \
      tools/with-wine.sh --prefix build/win32/wineprefix --probe "$probe" tools/run-i686-emulated.sh
    not_run "win32 (i686) the rest of the suite (the cases that start processes: filter, e2e, editor, support) (emulated)" "$not_run_why" ;;
  not-run) not_run "$title" "$not_run_why" ;;
  *) echo; echo "=== $title"; echo "--- FAILED: $not_run_why"; results+=("FAILED   $title: $not_run_why"); status=1 ;;
esac
step "win64 (x86_64): test under Wine" tools/with-wine.sh --prefix build/win64/wineprefix ctest --preset win64 "${again[@]}"
release_title="release: the win32 zip, unpacked under a Japanese path"
[ "$win32_suite" = emulated ] && release_title="release EMULATED: the win32 zip's executables, unpacked under a Japanese path, driven by the x86_64 test"
step "$release_title" tools/run-release-test.sh
if [ "$(tools/host.sh get release_run "$state")" != win32 ]; then
  results+=("NOT RUN  release: the packaged i686 executables' own runs (the x86_64 ones ran in their place): $not_run_why")
fi

summary
exit $status
