#!/bin/sh
# The floors: nothing below the front ends includes a front end or a test hook, the
# rules include nothing of the shell above them, and the program carries no test
# hook. Usage: layering.sh SOURCE_DIR PROGRAM
set -u
src=$1
program=$2
status=0
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
if nm -C "$program" | grep -q 'platform::test::'; then
  echo "the program links test hooks:"
  nm -C "$program" | grep 'platform::test::' | head -5
  status=1
fi
exit $status
