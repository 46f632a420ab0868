#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12
# machine. Does nothing when all of it is already there.
set -euo pipefail

PACKAGES=(
  cmake make python3 g++-mingw-w64-x86-64 googletest
  wine wine64 xvfb xdotool x11-utils imagemagick ffmpeg locales
  # xrandr and xsetroot: the two-monitor display of the integration tests.
  x11-xserver-utils
  fonts-ipafont-gothic
  gstreamer1.0-plugins-good gstreamer1.0-plugins-base gstreamer1.0-libav
  # The ASF (.wmv) and MPEG program stream (.mpg) demuxers of the default
  # extension list. GStreamer notices new plugins itself and rebuilds its
  # registry (~/.cache/gstreamer-1.0) on its next use.
  gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine reports code page 932 only under a Japanese locale; the tests of a
# program that asks for it in its manifest also run under an English one.
for loc in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
    echo "setup: generating $loc.UTF-8"
    $SUDO sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done
