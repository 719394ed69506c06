#!/bin/bash
# What this machine can run of the Windows builds, and what follows from it.
# Some machines run 32-bit x86 code (then Wine's 32-bit loader runs the
# shipped i686 build as WoW64); others have a kernel without 32-bit user
# mode, where only the x86_64 build runs. The answer comes from running a
# tiny 32-bit program, never from a version or a kernel flag: a kernel built
# with 32-bit support may still have it switched off. Where the kernel has
# none, tools/setup.sh registers qemu-user for i386 programs
# (tools/emulation.sh); the program then runs by emulation, and so does
# every 32-bit process of Wine, which this check then says.
#
# Usage:
#   tools/host.sh i386             one word: runs | emulated | cannot |
#                                  loader-missing
#   tools/host.sh line             the state in one line, for a person
#   tools/host.sh plan [STATE]     what follows from STATE (default: this
#                                  machine's), one KEY=VALUE a line
#   tools/host.sh get KEY [STATE]  one value of the plan
# The scripts call `get` without STATE; tests/tools/host_plan_test.sh gives
# each STATE to see what each would decide.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64

# A static i386 Linux program of 125 bytes: write(1, "i386 runs\n"), exit(0).
probe_hex=7f454c46010101000000000000000000020003000100000054800408340000000000000000000000\
340020000100000000000000010000000000000000800408008004087d0000007d0000000500000000100000\
b804000000bb01000000b973800408ba0a000000cd80b80100000031dbcd80693338362072756e730a

# Runs the 32-bit program; prints runs or cannot, and why on standard error.
kernel_state() {
  local dir=$root/build/host probe said
  mkdir -p "$dir" || { echo "host: cannot make $dir" >&2; echo cannot; return; }
  probe=$dir/i386-probe
  printf "$(sed 's/../\\x&/g' <<< "$probe_hex")" > "$probe" && chmod +x "$probe"
  said=$("$probe" 2>"$dir/i386-probe.err")
  if [ "$said" = "i386 runs" ]; then
    echo runs
  else
    echo "host: a 32-bit x86 program did not run: $(tr -d '\n' < "$dir/i386-probe.err")" >&2
    echo cannot
  fi
}

# runs | emulated | cannot | loader-missing: the 32-bit program first (an
# enabled binfmt_misc entry for i386 takes it before the kernel's own
# loader, so it then ran by emulation), then Wine's 32-bit loader, which
# must start and print its version.
i386_state() {
  local kernel ran=runs
  kernel=$(kernel_state 2>/dev/null)
  [ "$kernel" = runs ] || { echo cannot; return; }
  "$root/tools/emulation.sh" handler >/dev/null && ran=emulated
  if [ -x "$loader32" ] && "$loader32" --version 2>/dev/null | grep -q '^wine-'; then
    echo $ran
  else
    echo loader-missing
  fi
}

# Why no emulator runs 32-bit programs here, for the line of a machine that
# cannot.
why_not_emulated() {
  if [ ! -x /usr/bin/qemu-i386 ]; then
    echo "qemu-user is not installed (tools/setup.sh installs and registers it)"
  elif [ "$(head -n 1 "${ORDWELL_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}/status" 2>/dev/null)" != enabled ]; then
    echo "binfmt_misc is not mounted or is switched off, so qemu-user cannot be registered"
  elif grep -qx disabled "${ORDWELL_BINFMT_DIR:-/proc/sys/fs/binfmt_misc}"/* 2>/dev/null; then
    echo "a binfmt_misc entry is disabled (tools/setup.sh leaves registrations it did not make alone; enable an i386 one by hand)"
  else
    echo "no enabled binfmt_misc entry runs i386 programs (tools/setup.sh registers qemu-i386)"
  fi
}

state_line() {
  case $1 in
    runs) echo "host: this machine runs 32-bit x86 code; the shipped i686 build runs under Wine as WoW64" ;;
    emulated) echo "host: this machine runs 32-bit x86 code only by emulation (qemu-user through binfmt_misc); the shipped i686 build runs EMULATED, on a chosen set" ;;
    cannot) echo "host: this machine runs no 32-bit x86 code (its kernel has no 32-bit user mode, and $(why_not_emulated)); only the x86_64 build and native code run here" ;;
    loader-missing) echo "host: this machine runs 32-bit x86 code, but Wine's 32-bit loader ($loader32) is missing or does not start (tools/setup.sh installs wine32:i386)" ;;
    *) echo "host: unknown state '$1'" >&2; return 2 ;;
  esac
}

# The decisions, one KEY=VALUE a line:
#   wine32         install wine32:i386 (yes/no)
#   qemu           install qemu-user and register it for i386 (yes/no)
#   loader_win32   the loader of the i686 build (none: it cannot run here)
#   loader_win64   the loader of the x86_64 build
#   win32_suite    run | emulated | not-run | fail (emulated: the set that
#                  starts few 32-bit processes; fail: it should run, but cannot)
#   release_run    the build whose executables the release flows run
#   release_driver the build of the release test and its stand-in editors
#   demo_build     the build whose Ordwell.exe the demo runs
#   demo_driver    the build of the demo's driver and stand-in editor
#   bench_win32    measured | not-measured (an emulated time says nothing
#                  about Windows)
#   not_run_why    why i686 runs are left out, where they are
plan() {
  local state=$1
  echo "loader_win64=$loader64"
  case $state in
    runs)
      echo "wine32=yes"; echo "qemu=no"; echo "loader_win32=$loader32"; echo "win32_suite=run"
      echo "release_run=win32"; echo "release_driver=win32"
      echo "demo_build=win32"; echo "demo_driver=win32"; echo "bench_win32=measured"; echo "not_run_why=" ;;
    emulated)
      echo "wine32=yes"; echo "qemu=no"; echo "loader_win32=$loader32"; echo "win32_suite=emulated"
      echo "release_run=win32"; echo "release_driver=win64"
      echo "demo_build=win32"; echo "demo_driver=win64"; echo "bench_win32=not-measured"
      echo "not_run_why=this machine runs 32-bit code only by emulation: the i686 rows that start a process for each case are left to machines that run it natively" ;;
    cannot)
      echo "wine32=no"; echo "qemu=yes"; echo "loader_win32=none"; echo "win32_suite=not-run"
      echo "release_run=win64"; echo "release_driver=win64"
      echo "demo_build=win64"; echo "demo_driver=win64"; echo "bench_win32=not-measured"
      echo "not_run_why=this machine's kernel runs no 32-bit x86 code, and no emulator runs it either" ;;
    loader-missing)
      echo "wine32=yes"; echo "qemu=no"; echo "loader_win32=$loader32"; echo "win32_suite=fail"
      echo "release_run=win32"; echo "release_driver=win32"
      echo "demo_build=win32"; echo "demo_driver=win32"; echo "bench_win32=not-measured"
      echo "not_run_why=Wine's 32-bit loader is missing: run tools/setup.sh (dpkg --add-architecture i386; apt-get install wine32:i386)" ;;
    *) echo "host: unknown state '$state'" >&2; return 2 ;;
  esac
}

case ${1:-} in
  i386) i386_state ;;
  line) state_line "$(i386_state)" ;;
  plan) plan "${2:-$(i386_state)}" ;;
  get)
    [ -n "${2:-}" ] || { echo "usage: tools/host.sh get KEY [STATE]" >&2; exit 2; }
    value=$(plan "${3:-$(i386_state)}") || exit 2
    value=$(sed -n "s/^$2=//p" <<< "$value")
    echo "$value" ;;
  *) sed -n '12,20p' "$0" >&2; exit 2 ;;
esac
