#!/bin/bash
# Installs everything a fresh Debian machine needs to build and test Ordwell.
# Idempotent and cheap when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 xvfb xauth x11-utils imagemagick locales fonts-ipafont-gothic fontconfig time python3
)

# wine32:i386 is the 32-bit loader that runs the shipped i686 build; its
# packages come from the i386 architecture, added once.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture"
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine takes code page 932 from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
