#!/usr/bin/env bash
# ctest's way into Wine for the Windows test program: wine-test.sh WINE PROGRAM [ARGS...]
# Now and then, on a loaded machine, Wine ends a start at once, failing, before the program has
# printed a byte; Google Test always prints before it runs a test. Only such a start is made once
# more, and says so: a program that printed anything keeps its result, and so does a second
# silent failure.
set -uo pipefail
wine=$1
shift
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
"$wine" "$@" | tee "$out"
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "Wine ended with $status before the program printed anything; starting it once more"
  "$wine" "$@"
  status=$?
fi
exit "$status"
