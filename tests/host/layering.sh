#!/bin/sh
# The floors: the device (device/) includes nothing above it, nothing below the
# front ends includes a front end or a test hook, the rules include nothing of the
# shell above them, and the program carries no test hook: nothing of the test
# library, and no fault injection of its own. Prints which folder includes which, so
# that the house can be seen at a glance.
# Usage: layering.sh SOURCE_DIR PROGRAM TEST_LIBRARY
set -u
src=$1
program=$2
testlib=$3
status=0

echo "folder: the folders whose headers it includes"
for dir in "$src"/game "$src"/view "$src"/shell "$src"/settings "$src"/platform/*/; do
  dir=${dir%/}
  [ "$(basename "$dir")" = include ] && continue
  used=$(grep -rhoE '#include "(platform/)?[a-z_]+/' "$dir" --include='*.cpp' --include='*.h' |
         sed -E 's|#include "(platform/)?||; s|/$||' | sort -u | grep -vx "$(basename "$dir")" |
         tr '\n' ' ')
  printf '  %-20s %s\n' "${dir#"$src"/}" "${used:--}"
done

above=$(grep -rnE '#include "(platform/)?[a-z_]+/' "$src/platform/device" --include='*.cpp' \
          --include='*.h' | grep -vE '#include "(platform/)?(device|common)/')
if [ -n "$above" ]; then
  echo "the device, the floor, includes what lies above it:"
  echo "$above"
  status=1
fi
up=$(grep -rlE '#include "(platform/)?(host|testing)/' "$src/platform" "$src/game" "$src/view" \
       "$src/shell" "$src/settings" --include='*.cpp' --include='*.h' |
     grep -vE "^$src/platform/(host|testing)/")
if [ -n "$up" ]; then
  echo "below the front ends, these include host/ or testing/:"
  echo "$up"
  status=1
fi
shell=$(grep -rlE '#include "shell/' "$src/game" --include='*.cpp' --include='*.h')
if [ -n "$shell" ]; then
  echo "the rules include the shell:"
  echo "$shell"
  status=1
fi

# The program's own symbols: the sanitizers' runtimes have names of their own.
own=$(nm -C "$program" | grep -vE ' (__sanitizer|__asan|__ubsan|__lsan|__interception|__sancov|fuzzer)::')
hooks=$(echo "$own" | grep -E 'platform::test::|Inject|Fault')
# Whatever the test library defines (strong symbols: templates are shared by all).
strong() { nm -C --defined-only "$@" 2>/dev/null | awk '$2 ~ /^[TDBR]$/ { $1 = ""; $2 = ""; print }' | sort -u; }
strong "$testlib" > "${TMPDIR:-/tmp}/layering-testlib.$$"
linked=$(strong "$program" | comm -12 - "${TMPDIR:-/tmp}/layering-testlib.$$")
rm -f "${TMPDIR:-/tmp}/layering-testlib.$$"
if [ -n "$hooks$linked" ]; then
  echo "the program links test hooks:"
  printf '%s\n%s\n' "$hooks" "$linked" | grep . | head -5
  status=1
fi
[ $status -eq 0 ] &&
  echo "the device on the floor; no front end or test hook below the front ends;" \
       "the rules below the shell;" \
       "$(echo "$own" | wc -l) symbols of the program, none a test hook"
exit $status
