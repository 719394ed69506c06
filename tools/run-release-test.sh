#!/bin/bash
# The release test: the zip of the i686 build, its file names first checked
# against README.md's list of them (tools/guide/zip-listing.py), then
# unpacked where a user might put it, in a folder whose path has spaces and
# Japanese characters (表, ソ and 能 end in the byte of a backslash in code
# page 932), with the stand-in editors copied under such a path too; then
# tests/release checks the packaged executables' images and version
# resources and runs the release flows from there under Wine. On a machine
# that runs no 32-bit code the flows run the x86_64 executables of the same
# sources, placed under the same kind of path, and the images are still read
# from the zip. Where 32-bit code runs only by emulation, the test and the
# stand-ins are the x86_64 ones, so that the packaged executables are the
# only 32-bit processes. Last, the packaged ordwell-sort.exe is compared byte
# for byte with the x86_64 build on a set of texts
# (tests/release/filter_differential.sh).
# Usage: tools/run-release-test.sh
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
zip_build=$root/build/win32
state=$(tools/host.sh i386)
kind=$(tools/host.sh get release_run "$state")
driver=$(tools/host.sh get release_driver "$state")
build=$root/build/$kind
driver_build=$root/build/$driver
prefix=$build/wineprefix
app_dir='Program Files (x86)/ツール 表示/ソート 機能/Ordwell'
run_dir=$app_dir
[ "$kind" = win32 ] || run_dir='Program Files/ツール 表示/ソート 機能/Ordwell'
editor_dir='Program Files (x86)/ツール 表示/ソフト 機能/Morvane 表'
# The zip's name, as the win32 build's package configuration gives it.
zip_name() { sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$zip_build/CPackConfig.cmake"; }

if [ "${1:-}" != --inside ]; then
  { cmake --preset win32 >/dev/null && cmake --build --preset win32 --target package >/dev/null; } || {
    echo "release-test: FAILED: the win32 build or its package; run 'cmake --build --preset win32 --target package' to see why" >&2
    exit 1
  }
  # README.md lists the names of the zip's files.
  zip=$zip_build/$(zip_name).zip
  tools/guide/zip-listing.py --check "$zip" || {
    echo "release-test: FAILED: README.md's list of the files in $(basename "$zip") is not the zip's" >&2
    exit 1
  }
  echo "release-test: README.md lists the files of $(basename "$zip")"
  probe=()
  [ "$kind" = win32 ] && probe=(--probe "$build/tools/wine-probe/wine_probe.exe")
  [ "$kind" = win32 ] || echo "release-test: $(tools/host.sh get not_run_why "$state"): the flows run the x86_64 executables"
  [ "$state" = emulated ] && echo "release-test: EMULATED: the packaged i686 executables run under qemu-user, driven by the x86_64 test"
  { cmake --preset win64 >/dev/null &&
    cmake --build --preset win64 --target Ordwell ordwell-sort release_tests MorvaneStandin MorvaneStandin_0_72_0_6 >/dev/null; } || {
    echo "release-test: FAILED: the win64 build of the release test's programs" >&2
    exit 1
  }
  exec tools/with-wine.sh --prefix "$prefix" "${probe[@]}" "$0" --inside
fi

# Inside the test display, the prefix ready: a fresh folder for each run.
rm -f "$zip_build/release-summary.txt"
name=$(zip_name)
zip=$zip_build/$name.zip
drive=$prefix/drive_c
rm -rf "$drive/Program Files (x86)/ツール 表示" "$drive/Program Files/ツール 表示"
mkdir -p "$drive/$app_dir" "$drive/$run_dir" "$drive/$editor_dir"
(cd "$drive/$app_dir" && cmake -E tar xf "$zip" && sha256sum --quiet -c SHA256SUMS) || {
  echo "release-test: FAILED: $zip did not unpack, or its SHA256SUMS do not match" >&2
  exit 1
}
echo "release-test: $name.zip unpacked into C:/$app_dir, SHA256SUMS match"
if [ "$run_dir" != "$app_dir" ]; then
  cp "$build/app/Ordwell.exe" "$build/filter/ordwell-sort.exe" "$drive/$run_dir/" || exit 1
  echo "release-test: the $kind Ordwell.exe and ordwell-sort.exe placed in C:/$run_dir"
fi
cp "$driver_build/tools/standin/MorvaneStandin.exe" "$driver_build/tools/standin/MorvaneStandin_0_72_0_6.exe" \
  "$drive/$editor_dir/" || exit 1
windows() { local p="C:\\$1"; echo "${p//\//\\}"; }
export ORDWELL_RELEASE_DIR=$(windows "$app_dir")
export ORDWELL_RELEASE_RUN_DIR=$(windows "$run_dir")
export ORDWELL_RELEASE_EDITOR_DIR=$(windows "$editor_dir")
# The test runs in this prefix under the loader of its own build.
# What ran is counted in $summary, for the test command's summary.
summary=$zip_build/release-summary.txt
"$driver_build/wine-run.sh" "$driver_build/tests/release/release_tests.exe" |
  tee "$summary.log"
status=$?
tr -d '\r' < "$summary.log" | sed -n 's/^\[==========\] \([0-9]*\) tests\? .* ran.*/release test: \1 tests ran/p;s/^\[  PASSED  \] \([0-9]*\) tests\?.*/release test: \1 passed/p' > "$summary"
if [ "$kind" = win32 ]; then
  tests/release/filter_differential.sh "$drive/$app_dir/ordwell-sort.exe" "$root/build/win64/filter/ordwell-sort.exe" \
    "$build/filter-differential" | tee "$summary.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  grep '^filter differential:' "$summary.log" >> "$summary"
else
  echo "release-test: NOT RUN: the packaged ordwell-sort.exe against the x86_64 build: $(tools/host.sh get not_run_why "$state")"
fi
exit $status
