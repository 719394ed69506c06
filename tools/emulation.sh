#!/bin/bash
# 32-bit x86 code by emulation, where the kernel has no 32-bit user mode:
# qemu-user registered for i386 ELF programs through binfmt_misc, and the
# preload that makes Wine's address-space reservation cheap under it.
#
# Usage:
#   tools/emulation.sh handler    the enabled binfmt_misc entry that runs i386
#                                 ELF programs, or nothing (exit 1)
#   tools/emulation.sh register   mounts binfmt_misc where needed and registers
#                                 qemu-i386 unless an entry for i386 ELF
#                                 already exists (it is then left alone)
#   tools/emulation.sh env        the variables a Wine run sets so that each
#                                 32-bit process gets the preload (builds it)
# ORDWELL_BINFMT_DIR names another folder than /proc/sys/fs/binfmt_misc and
# ORDWELL_QEMU_I386 another emulator, for tests/tools/host_plan_test.sh.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
binfmt=${ORDWELL_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}
qemu=${ORDWELL_QEMU_I386:-/usr/bin/qemu-i386}
# The ELF identification of a 32-bit x86 executable or shared object, as
# qemu-user's own registration reads it.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# Prints the name of each entry for i386 ELF (e_ident class 1, e_machine 3,
# read from the start of the file), with "enabled" or "disabled" after it.
i386_entries() {
  local entry state hex
  for entry in "$binfmt"/*; do
    case ${entry##*/} in register | status | '*') continue ;; esac
    [ -f "$entry" ] || continue
    hex=$(sed -n 's/^magic //p' "$entry")
    [ "$(sed -n 's/^offset //p' "$entry")" = 0 ] || continue
    [[ $hex == 7f454c4601* && ${hex:36:4} == 0300 ]] || continue
    state=$(head -n 1 "$entry")
    echo "${entry##*/} $state"
  done
}

handler() {
  [ "$(head -n 1 "$binfmt/status" 2>/dev/null)" = enabled ] || return 1
  local name
  name=$(i386_entries | sed -n 's/ enabled$//p' | head -n 1)
  [ -n "$name" ] && echo "$name"
}

register() {
  if [ -z "${ORDWELL_BINFMT_DIR:-}" ] && ! mountpoint -q "$binfmt"; then
    mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
      { echo "emulation: binfmt_misc cannot be mounted at $binfmt (no privilege in this container?)" >&2; return 1; }
  fi
  [ "$(head -n 1 "$binfmt/status" 2>/dev/null)" = enabled ] ||
    { echo "emulation: binfmt_misc is switched off ($binfmt/status); left as it is" >&2; return 1; }
  local existing
  existing=$(i386_entries)
  if [ -n "$existing" ]; then
    echo "emulation: an entry for i386 programs is registered already, left as it is: $existing"
    [[ $existing == *" enabled"* ]] && return 0
    echo "emulation: it is disabled, so nothing runs i386 programs; 'echo 1 > $binfmt/NAME' enables it" >&2
    return 1
  fi
  [ -x "$qemu" ] || { echo "emulation: $qemu is missing (apt-get install qemu-user)" >&2; return 1; }
  # F: the emulator is opened now, so that it also serves programs started
  # inside other mount namespaces or with another root.
  printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" > "$binfmt/register" ||
    { echo "emulation: $binfmt/register refused the registration" >&2; return 1; }
  echo "emulation: registered $qemu for i386 programs"
}

# The preload, built with the host compiler for i386; no C library files are
# needed for that. LD_PRELOAD splits at spaces and colons and QEMU_SET_ENV at
# commas, so a build folder with any of them gets it in a folder of /tmp.
preload() {
  local source=$root/tools/emulation/noreplace_i386.c out=$root/build/emulation/noreplace-i386.so
  [[ $out == *[[:space:],:]* ]] && out=/tmp/ordwell-emulation-$(id -u)/noreplace-i386.so
  if [ ! -f "$out" ] || [ "$source" -nt "$out" ]; then
    mkdir -p "${out%/*}"
    gcc -m32 -O2 -fPIC -shared -nostdlib -fno-stack-protector -o "$out" "$source" >&2 ||
      { echo "emulation: the i386 preload did not build" >&2; return 1; }
  fi
  echo "$out"
}

# QEMU_* are read by qemu-user alone; the 64-bit loader and wineserver ignore
# them. The reserved space is the whole 4 GB, as Windows gives a
# large-address-aware 32-bit process.
environment() {
  local shim
  shim=$(preload) || return 1
  echo "QEMU_SET_ENV=LD_PRELOAD=$shim"
  echo "QEMU_RESERVED_VA=0xffff0000"
}

case ${1:-} in
  handler) handler ;;
  register) register ;;
  env) environment ;;
  *) sed -n '5,15p' "$0" >&2; exit 2 ;;
esac
