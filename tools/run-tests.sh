#!/bin/bash
# Builds the configurations and runs every test: natively under AddressSanitizer
# and UBSan, each fuzz target for 20 s, the whole Windows suite under Wine
# twice, once on the i686 build that ships (as WoW64) and once on the x86_64
# build, each in the prefix of its own build tree inside a virtual display,
# and last the release test on the zip. Usage: tools/run-tests.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1

status=0
started=$SECONDS
step_name=
# Ends the last step with its time and, given a title, starts the next.
step() {
  [ -z "$step_name" ] || echo "--- $step_name: $((SECONDS - step_start)) s"
  step_name=$*
  step_start=$SECONDS
  [ $# -eq 0 ] || { echo; echo "=== $*"; }
}
# Before each Windows suite an i686 probe must print its line: Wine without
# its 32-bit loader runs a 32-bit program as a silent success.
probe=build/win32/tools/wine-probe/wine_probe.exe

step "native: build and test"
{ cmake --preset native >/dev/null && cmake --build --preset native; } || exit 1
ctest --preset native || status=1

step "fuzz: every target for 20 s (clang, libFuzzer, ASan, UBSan)"
tools/run-fuzz.sh all 20 || status=1

step "win32 (i686, the shipped executable): build"
{ cmake --preset win32 >/dev/null && cmake --build --preset win32; } || exit 1

step "win64 (x86_64): build"
{ cmake --preset win64 >/dev/null && cmake --build --preset win64; } || exit 1

step "win32: test under Wine (WoW64)"
tools/with-wine.sh --prefix build/win32/wineprefix --probe "$probe" ctest --preset win32 || status=1

step "win64: test under Wine"
tools/with-wine.sh --prefix build/win64/wineprefix --probe "$probe" ctest --preset win64 || status=1

step "release: the win32 zip, unpacked under a Japanese path, run under Wine"
tools/run-release-test.sh || status=1

step
echo "--- whole run: $((SECONDS - started)) s"
exit $status
