# Sourced: the environment every Wine run of the project uses.
# VLM_ROOT is the repository; the prefix lives under build/ unless overridden.
VLM_ROOT="${VLM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
export WINEPREFIX="${VLM_WINEPREFIX:-$VLM_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL=ja_JP.UTF-8
export LANG=ja_JP.UTF-8
