#!/usr/bin/env bash
# Creates the private Wine prefix once: Japanese fonts mapped, the GDI
# renderer (the only one that shows video under Xvfb). Safe to run again.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

stamp="$WINEPREFIX/.velmora-ready"
[ -f "$stamp" ] && exit 0

mkdir -p "$WINEPREFIX"
echo "wine-prefix: initialising $WINEPREFIX"
# wineboot needs no display; keep any X server out of it.
DISPLAY= wineboot -i >/dev/null 2>&1 || true
wineserver -w || true

font=$(fc-list ':lang=ja' file | grep -i -m1 'ipag\.ttf\|ipagp\.ttf\|ipa' | cut -d: -f1 || true)
regfile="$WINEPREFIX/velmora-setup.reg"
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Direct3D]\r\n"renderer"="gdi"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  # Names of the Japanese faces in UTF-16 are written by regedit from the ANSI
  # file, which it reads in the prefix's code page (932 under LC_ALL=ja_JP).
  printf '"MS UI Gothic"="IPAGothic"\r\n'
  printf '"MS PGothic"="IPAPGothic"\r\n'
  printf '"MS Gothic"="IPAGothic"\r\n'
} > "$regfile"
# The full-width face name, added in Shift-JIS so regedit reads it under ACP 932.
printf '"%s"="IPAPGothic"\r\n"%s"="IPAGothic"\r\n' \
  "$(printf 'ＭＳ Ｐゴシック' | iconv -f UTF-8 -t CP932)" \
  "$(printf 'ＭＳ ゴシック' | iconv -f UTF-8 -t CP932)" >> "$regfile"
printf '\r\n' >> "$regfile"
DISPLAY= wine regedit /S "$regfile" >/dev/null 2>&1 || DISPLAY= wine regedit "$regfile" >/dev/null 2>&1
wineserver -w || true
[ -n "$font" ] || echo "wine-prefix: warning: no Japanese font found" >&2
touch "$stamp"
