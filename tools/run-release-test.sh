#!/bin/bash
# The release test: the zip of the i686 build, unpacked where a user might
# put it, in a folder whose path has spaces and Japanese characters (表, ソ
# and 能 end in the byte of a backslash in code page 932), with the stand-in
# editors copied under such a path too; then tests/release runs the packaged
# executables from there under Wine. Usage: tools/run-release-test.sh
set -uo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build/win32
prefix=$build/wineprefix
app_dir='Program Files (x86)/ツール 表示/ソート 機能/Ordwell'
editor_dir='Program Files (x86)/ツール 表示/ソフト 機能/Morvane 表'

if [ "${1:-}" != --inside ]; then
  { cmake --preset win32 >/dev/null && cmake --build --preset win32 --target package >/dev/null; } || {
    echo "release-test: the build or the package failed" >&2
    exit 1
  }
  exec tools/with-wine.sh --prefix "$prefix" --probe "$build/tools/wine-probe/wine_probe.exe" "$0" --inside
fi

# Inside the test display, the prefix ready: a fresh folder for each run.
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$build/$name.zip
drive=$prefix/drive_c
rm -rf "$drive/Program Files (x86)/ツール 表示"
mkdir -p "$drive/$app_dir" "$drive/$editor_dir"
(cd "$drive/$app_dir" && cmake -E tar xf "$zip" && sha256sum --quiet -c SHA256SUMS) || {
  echo "release-test: $zip did not unpack, or its SHA256SUMS do not match" >&2
  exit 1
}
echo "release-test: $name.zip unpacked into C:/$app_dir"
cp "$build/tools/standin/MorvaneStandin.exe" "$build/tools/standin/MorvaneStandin_0_72_0_6.exe" \
  "$drive/$editor_dir/" || exit 1
export ORDWELL_RELEASE_DIR="C:\\${app_dir//\//\\}"
export ORDWELL_RELEASE_EDITOR_DIR="C:\\${editor_dir//\//\\}"
"$build/wine-run.sh" "$build/tests/release/release_tests.exe"
