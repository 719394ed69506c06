#!/bin/bash
# Installs everything a fresh Debian machine needs to build and test Ordwell.
# Idempotent and cheap when everything is already there. Where the kernel
# runs no 32-bit code, qemu-user (without its recommends, which would
# register emulators for every architecture) is installed and registered for
# i386 programs alone, unless an entry for them exists already; Wine's 32-bit
# loader (wine32:i386) then runs EMULATED. No script calls /usr/bin/wine,
# which becomes that loader.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
log=$root/build/setup
mkdir -p "$log"

packages=(
  cmake ninja-build g++ clang libclang-rt-dev googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 xvfb xauth x11-utils imagemagick locales fonts-ipafont-gothic fontconfig time python3 ccache
)

fail() {
  echo "setup: FAILED: $1" >&2
  [ -z "${2:-}" ] || { echo "setup: the last lines of $2:" >&2; tail -n 15 "$2" | sed 's/^/  | /' >&2; }
  [ -z "${3:-}" ] || echo "setup: next: $3" >&2
  exit 1
}

# Retried, since a mirror may be mid-sync; a failure of some indexes is
# borne when every package wanted is still known to apt.
update_indexes() {
  local try
  for try in 1 2 3; do
    apt-get update -qq >"$log/apt-update.log" 2>&1 && return 0
    echo "setup: apt-get update failed (try $try of 3)" >&2
    sleep $((try * 5))
  done
  local p unknown=()
  for p in "$@"; do
    apt-cache show "$p" >/dev/null 2>&1 || unknown+=("$p")
  done
  [ ${#unknown[@]} -eq 0 ] || fail "apt-get update failed and apt knows no ${unknown[*]}" \
    "$log/apt-update.log" "run tools/setup.sh again in a few minutes (a mirror may be mid-sync)"
  echo "setup: some package indexes could not be updated; going on with those apt has" >&2
}

# The i386 twins of amd64 libraries must be at the same version; when the
# security suite has only one of them yet, the base suite has both.
install_packages() {
  local base
  base=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  apt-get install -y -qq "$@" >"$log/apt-install.log" 2>&1 && return 0
  if [ -n "$base" ]; then
    echo "setup: the install failed; trying again preferring the base suite $base" >&2
    apt-get install -y -qq -t "$base" "$@" >"$log/apt-install.log" 2>&1 && return 0
  fi
  local p failed=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
      apt-get install -y -qq ${base:+-t "$base"} "$p" >"$log/apt-install-one.log" 2>&1 || failed+=("$p")
  done
  [ ${#failed[@]} -eq 0 ] && return 0
  fail "apt-get could not install ${failed[*]}" "$log/apt-install-one.log" \
    "apt-get install ${failed[*]} by hand shows why; run tools/setup.sh again afterwards"
}

# The emulator first, where the kernel runs no 32-bit code: Wine's 32-bit
# loader is installed only where 32-bit programs then run. Without it the
# run goes on, and the i686 rows are reported NOT RUN with the reason that
# tools/host.sh line gives.
state=$("$root/tools/host.sh" i386)
if [ "$("$root/tools/host.sh" get qemu "$state")" = yes ]; then
  if ! dpkg-query -W -f='${Status}' qemu-user 2>/dev/null | grep -q "install ok installed"; then
    echo "setup: installing qemu-user (this machine's kernel runs no 32-bit code)"
    export DEBIAN_FRONTEND=noninteractive
    { apt-get install -y -qq --no-install-recommends qemu-user >"$log/apt-install-qemu.log" 2>&1 ||
      { update_indexes qemu-user &&
        apt-get install -y -qq --no-install-recommends qemu-user >"$log/apt-install-qemu.log" 2>&1; }; } ||
      fail "apt-get could not install qemu-user" "$log/apt-install-qemu.log"
  fi
  "$root/tools/emulation.sh" register || echo "setup: 32-bit programs cannot be emulated here; the i686 build will not run" >&2
  state=$("$root/tools/host.sh" i386)
fi
if [ "$("$root/tools/host.sh" get wine32 "$state")" = yes ]; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup: adding the i386 architecture"
    dpkg --add-architecture i386
  fi
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  update_indexes "${missing[@]}"
  install_packages "${missing[@]}"
fi


# Wine takes code page 932 from a Japanese locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >"$log/locale-gen.log" 2>&1 || fail "locale-gen failed" "$log/locale-gen.log"
fi
exit 0
