#!/usr/bin/env bash
# CTest's emulator for the Windows test programs: runs one under Wine in the prefix and display
# that the test script prepared, and hands back its result.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: WINEPREFIX and DISPLAY are set by scripts/test.sh; run the tests through it" >&2
  exit 2
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
/usr/lib/wine/wine64 "$@" 2>&1 | tee "$log"
rc=${PIPESTATUS[0]}
# A program that crashes under Wine's debugger can still end with 0: judge by what it printed.
if grep -q 'Unhandled exception\|Unhandled page fault' "$log"; then
  echo "wine-run.sh: the program crashed" >&2
  exit 3
fi
if grep -q '^\[==========\] Running' "$log"; then
  grep -q '^\[  FAILED  \]' "$log" && exit 1
  grep -q '^\[  PASSED  \]' "$log" || { echo "wine-run.sh: the test program did not finish" >&2; exit 4; }
fi
exit "$rc"
