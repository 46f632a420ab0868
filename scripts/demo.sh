#!/usr/bin/env bash
# Generates a small demo folder of clips, a player folder with an INI that
# points at it, and starts the screensaver through Velmora.scr under Wine.
# With $DISPLAY it plays on that display until the user ends it (a key or
# the mouse); without, it runs on a virtual screen, writes build/demo.png
# after a few seconds, then opens the configuration sheet and writes
# build/demo-config.png, and ends.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
source "$ROOT/scripts/wine-env.sh"

demo="$BUILD/demo"
clips="$demo/clips"
player="$demo/player"
mkdir -p "$clips" "$player"

# One clip of each extension of the default list, with the streams such
# files usually hold.
declare -A CODECS=(
  [avi]="-c:v mjpeg -q:v 4 -c:a pcm_s16le"
  [mpg]="-c:v mpeg2video -c:a mp2 -f vob"
  [mpeg]="-c:v mpeg1video -c:a mp2 -f mpeg"
  [wmv]="-c:v wmv2 -c:a wmav2 -f asf"
)
CLIPS=("01 テストパターン.avi" "02 カラーバー.mpg" "03 Rainbow.mpeg" "04 Pattern.wmv")
make_clip() {  # name seconds pattern
  [ -f "$clips/$1" ] && return 0
  # shellcheck disable=SC2086  # the codec options are words
  ffmpeg -loglevel error -y -f lavfi -i "$3=size=640x360:rate=25:duration=$2" \
    -f lavfi -i "sine=frequency=440:duration=$2" ${CODECS[${1##*.}]} "$clips/$1"
}
# Clips of an earlier demo that are no longer in the list go.
for f in "$clips"/*; do
  [ -e "$f" ] || continue
  keep=0
  for c in "${CLIPS[@]}"; do [ "$f" = "$clips/$c" ] && keep=1; done
  [ $keep -eq 1 ] || rm -f "$f"
done
make_clip "${CLIPS[0]}" 6 testsrc
make_clip "${CLIPS[1]}" 6 smptebars
make_clip "${CLIPS[2]}" 6 rgbtestsrc
make_clip "${CLIPS[3]}" 6 testsrc2

cp "$BUILD/bin/Quorlin.exe" "$BUILD/bin/Velmora.scr" "$player/"
winclips="Z:${clips//\//\\}"
{
  printf '[VELMORA]\r\n'
  printf 'DIRNAME=%s\r\n' "$winclips"
  printf 'DISP_FILENAME=TRUE\r\n'
  printf 'CONTINUOUS_PLAY=FALSE\r\n'
} | iconv -f UTF-8 -t CP932 > "$player/Velmora.ini"

bash "$ROOT/scripts/wine-prefix.sh"

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: playing $clips on $DISPLAY (move the mouse or press a key to end)"
  (cd "$player" && wine Velmora.scr /s)
  # The stub ends at once; wait for the player it started.
  wineserver -w
  exit 0
fi

# Xvfb picks a free display and writes its number to the given descriptor.
exec 3> "$demo/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
cleanup() { DISPLAY="${display:-}" wineserver -k >/dev/null 2>&1 || true; kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 1 100); do [ -s "$demo/display" ] && break; sleep 0.1; done
display=":$(head -n1 "$demo/display")"
[ "$display" != ":" ] || { echo "demo: Xvfb did not start" >&2; exit 1; }

export DISPLAY="$display"
echo "demo: playing $clips on virtual display $display"
(cd "$player" && wine Velmora.scr /s)
sleep "${DEMO_SECONDS:-8}"
# A shot taken while the next file starts is black: wait until the centre
# of the screen shows a picture.
centre_lit() {
  local mean
  mean=$(/usr/bin/convert "$1" -crop 256x192+384+288 +repage -resize 1x1\! -colorspace Gray -depth 8 \
    -format '%[fx:int(255*mean)]' info: 2>/dev/null) || return 1
  [ "${mean:-0}" -gt 8 ]
}
lit=0
for _ in $(seq 1 40); do
  /usr/bin/import -window root "$BUILD/demo.png"
  if centre_lit "$BUILD/demo.png"; then lit=1; break; fi
  sleep 0.5
done
[ $lit -eq 1 ] || { echo "demo: no picture in the centre of the screen after 20 s (build/demo.png is black)" >&2; exit 1; }
echo "demo: screenshot written to $BUILD/demo.png"

# Then the configuration sheet, as the display settings' "Settings" button
# opens it: the screensaver ends first (only one player runs at a time).
xdotool key --clearmodifiers Escape Escape >/dev/null 2>&1 || true
wineserver -k >/dev/null 2>&1 || true
wineserver -w
(cd "$player" && wine Velmora.scr /c)
sheet=""
for _ in $(seq 1 100); do
  sheet=$(xdotool search --name "^Velmora Configuration$" 2>/dev/null | head -n1) && [ -n "$sheet" ] && break
  sleep 0.2
done
[ -n "$sheet" ] || { echo "demo: the configuration sheet did not open" >&2; exit 1; }
sleep 2
/usr/bin/import -window "$sheet" "$BUILD/demo-config.png"
echo "demo: configuration sheet written to $BUILD/demo-config.png"
