#!/bin/bash
# Builds the three configurations and runs every test: natively under
# AddressSanitizer and UBSan, each fuzz target for 20 s, and the Windows
# executables under wine64 inside a virtual display. Usage: tools/run-tests.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1

status=0
step() { echo; echo "=== $*"; }

step "native: build and test"
{ cmake --preset native >/dev/null && cmake --build --preset native; } || exit 1
ctest --preset native || status=1

step "fuzz: every target for 20 s (clang, libFuzzer, ASan, UBSan)"
tools/run-fuzz.sh all 20 || status=1

step "win32 (i686, the shipped executable): build only"
{ cmake --preset win32 >/dev/null && cmake --build --preset win32; } || exit 1

step "win64: build"
{ cmake --preset win64 >/dev/null && cmake --build --preset win64; } || exit 1

step "win64: test under wine64"
tools/with-wine.sh ctest --preset win64 || status=1

exit $status
