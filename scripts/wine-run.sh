#!/usr/bin/env bash
# Runs a Windows executable in the project's Wine prefix (ctest's emulator).
# A test program that Wine ends abruptly (a fatal stack overflow, say) can
# report exit code 0: without GoogleTest's closing summary it has failed.
source "$(dirname "$0")/wine-env.sh"
"$(dirname "$0")/wine-prefix.sh" || exit 1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine "$@" | tee "$out"
rc=${PIPESTATUS[0]}
if [ "$rc" -eq 0 ] && ! grep -q '^\[  PASSED  \]' "$out"; then
  echo "wine-run: $1 ended before its tests finished" >&2
  rc=1
fi
exit "$rc"
