#!/bin/bash
# What the scripts decide for each answer of the host check: what setup
# installs, which loader each build runs under, what runs and what is
# reported NOT RUN. The real check is not asked: each row gives the state.
set -uo pipefail
host=$(dirname "$0")/../../tools/host.sh
failed=0
# state | wine32 | qemu | loader_win32 | loader_win64 | win32_suite | release_run | release_driver |
#   demo_build | demo_driver | bench_win32 | a word of not_run_why
rows=(
  "runs|yes|no|/usr/lib/wine/wine|/usr/lib/wine/wine64|run|win32|win32|win32|win32|measured|"
  "emulated|yes|no|/usr/lib/wine/wine|/usr/lib/wine/wine64|emulated|win32|win64|win32|win64|not-measured|emulation"
  "cannot|no|yes|none|/usr/lib/wine/wine64|not-run|win64|win64|win64|win64|not-measured|kernel"
  "loader-missing|yes|no|/usr/lib/wine/wine|/usr/lib/wine/wine64|fail|win32|win32|win32|win32|not-measured|setup.sh"
)
keys=(wine32 qemu loader_win32 loader_win64 win32_suite release_run release_driver demo_build demo_driver bench_win32)
for row in "${rows[@]}"; do
  IFS='|' read -r state wine32 qemu loader_win32 loader_win64 win32_suite release_run release_driver \
    demo_build demo_driver bench_win32 why <<< "$row"
  plan=$("$host" plan "$state") || { echo "FAILED $state: plan exited non-zero"; failed=$((failed + 1)); continue; }
  for key in "${keys[@]}"; do
    got=$(sed -n "s/^$key=//p" <<< "$plan")
    [ "$got" = "${!key}" ] || { echo "FAILED $state: $key is '$got', not '${!key}'"; failed=$((failed + 1)); }
  done
  got=$(sed -n 's/^not_run_why=//p' <<< "$plan")
  if [ -z "$why" ]; then
    [ -z "$got" ] || { echo "FAILED $state: a reason '$got' where everything runs"; failed=$((failed + 1)); }
  else
    [[ $got == *"$why"* ]] || { echo "FAILED $state: the reason '$got' does not say '$why'"; failed=$((failed + 1)); }
  fi
  "$host" plan "$state" >/dev/null && [ -n "$("$host" get demo_build "$state")" ] ||
    { echo "FAILED $state: get"; failed=$((failed + 1)); }
done
# An unknown state is refused, never taken for one of the three.
"$host" plan sometimes >/dev/null 2>&1 && { echo "FAILED: an unknown state was planned"; failed=$((failed + 1)); }
# The real check answers one of the four words.
real=$("$host" i386)
case $real in runs | emulated | cannot | loader-missing) ;; *) echo "FAILED: the check said '$real'"; failed=$((failed + 1)) ;; esac

# The emulator's registration, in a folder laid out as binfmt_misc: an
# entry for i386 programs, enabled or not and under whatever name, is left
# alone; one for another machine is not taken for it.
emulation=$(dirname "$0")/../../tools/emulation.sh
magic_i386=7f454c4601010100000000000000000002000300
magic_arm=7f454c4601010100000000000000000002002800
# entries present (name:state:magic, space-separated) | handler found | registered anew |
#   register's exit (0, or 1 where nothing runs i386 programs afterwards)
registration_rows=(
  "|-|yes|0"
  "qemu-i386:enabled:$magic_i386|qemu-i386|no|0"
  "box86:disabled:$magic_i386|-|no|1"
  "qemu-arm:enabled:$magic_arm|-|yes|0"
)
fake=$(mktemp -d)
for row in "${registration_rows[@]}"; do
  IFS='|' read -r entries handler registered register_exit <<< "$row"
  rm -rf "${fake:?}"/*
  echo enabled > "$fake/status"
  : > "$fake/register"
  for entry in $entries; do
    IFS=':' read -r name entry_state magic <<< "$entry"
    printf '%s\ninterpreter /usr/bin/x\nflags: F\noffset 0\nmagic %s\n' "$entry_state" "$magic" > "$fake/$name"
  done
  before=$(cat "$fake"/* | sha256sum)
  got=$(ORDWELL_BINFMT_DIR=$fake "$emulation" handler)
  [ "${got:--}" = "$handler" ] || { echo "FAILED [$entries]: handler '$got', not '$handler'"; failed=$((failed + 1)); }
  ORDWELL_BINFMT_DIR=$fake ORDWELL_QEMU_I386=/bin/true "$emulation" register >/dev/null 2>&1
  got=$?
  [ "$got" = "$register_exit" ] || { echo "FAILED [$entries]: register exited $got"; failed=$((failed + 1)); }
  if [ "$registered" = yes ]; then
    grep -q '^:qemu-i386:M::.*:/bin/true:F$' "$fake/register" ||
      { echo "FAILED [$entries]: no registration written"; failed=$((failed + 1)); }
  else
    [ "$(cat "$fake"/* | sha256sum)" = "$before" ] ||
      { echo "FAILED [$entries]: a registration was touched"; failed=$((failed + 1)); }
  fi
done
# binfmt_misc switched off as a whole runs nothing, whatever its entries.
echo disabled > "$fake/status"
[ -z "$(ORDWELL_BINFMT_DIR=$fake "$emulation" handler)" ] ||
  { echo "FAILED: a handler named while binfmt_misc is off"; failed=$((failed + 1)); }
: > "$fake/register"
ORDWELL_BINFMT_DIR=$fake ORDWELL_QEMU_I386=/bin/true "$emulation" register >/dev/null 2>&1 &&
  { echo "FAILED: registered while binfmt_misc is off"; failed=$((failed + 1)); }
[ -s "$fake/register" ] && { echo "FAILED: a registration written while binfmt_misc is off"; failed=$((failed + 1)); }
rm -rf "$fake"
echo "host plan: ${#rows[@]} states and ${#registration_rows[@]} registrations checked, $failed failures (this machine: $real)"
[ $failed -eq 0 ]
