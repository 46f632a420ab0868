#!/usr/bin/env bash
# Runs a Windows executable in the project's Wine prefix (ctest's emulator).
source "$(dirname "$0")/wine-env.sh"
"$(dirname "$0")/wine-prefix.sh" || exit 1
exec wine "$@"
