#!/bin/bash
# What the scripts decide for each answer of the host check: what setup
# installs, which loader each build runs under, what runs and what is
# reported NOT RUN. The real check is not asked: each row gives the state.
set -uo pipefail
host=$(dirname "$0")/../../tools/host.sh
failed=0
# state | wine32 | loader_win32 | loader_win64 | win32_suite | release_run | demo_build | a word of not_run_why
rows=(
  "runs|yes|/usr/lib/wine/wine|/usr/lib/wine/wine64|run|win32|win32|"
  "cannot|no|none|/usr/lib/wine/wine64|not-run|win64|win64|kernel"
  "loader-missing|yes|/usr/lib/wine/wine|/usr/lib/wine/wine64|fail|win32|win32|setup.sh"
)
keys=(wine32 loader_win32 loader_win64 win32_suite release_run demo_build)
for row in "${rows[@]}"; do
  IFS='|' read -r state wine32 loader_win32 loader_win64 win32_suite release_run demo_build why <<< "$row"
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
# The real check answers one of the three words.
real=$("$host" i386)
case $real in runs | cannot | loader-missing) ;; *) echo "FAILED: the check said '$real'"; failed=$((failed + 1)) ;; esac
echo "host plan: ${#rows[@]} states checked, $failed failures (this machine: $real)"
[ $failed -eq 0 ]
