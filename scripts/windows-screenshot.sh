#!/usr/bin/env bash
# Makes docs/images/windows-main-window.png: the Windows build of the window program as it looks
# under Wine with its real "windows" platform plugin, on a virtual display of its own, started
# with the example icons on its command line and the first one selected.
#
# Needs the mingw preset built with the Qt for MinGW (scripts/build-qt-mingw.sh) and ImageMagick
# (Debian package imagemagick) for the picture.
set -euo pipefail
cd "$(dirname "$0")/.."

exe=build/mingw/bin/glyphwright.exe
out=docs/images/windows-main-window.png
[ -f "$exe" ] || {
  echo "windows-screenshot: no $exe: build the mingw preset after scripts/build-qt-mingw.sh" >&2
  exit 1
}
command -v import >/dev/null || {
  echo "windows-screenshot: import is not installed (Debian package imagemagick)" >&2
  exit 1
}
command -v xdotool >/dev/null || {
  echo "windows-screenshot: xdotool is not installed (Debian package xdotool)" >&2
  exit 1
}

source scripts/wine-display.sh
trap stop_wine_session EXIT
scratch=$(mktemp -d)
trap 'stop_wine_session; rm -rf "$scratch"' EXIT
start_wine_display
start_wine_prefix "$scratch/wineprefix"
# Past the first start's licence, as a user who has started it before.
wine reg add 'HKCU\Software\VB and VBA Program Settings\Glyphwright\Options' \
  /v FistExec /d False /f >/dev/null 2>&1

icons=()
for icon in examples/*.ico; do
  icons+=("$(winepath -w "$icon")")
done
# Wine's own desktop window draws the program's frame as Windows would.
wine explorer /desktop=Glyphwright,528x572 "$(winepath -w "$exe")" "${icons[@]}" \
  >/dev/null 2>&1 &
timeout 60 xdotool search --sync --onlyvisible --name "VBCE Icon DLL's" >/dev/null || {
  echo "windows-screenshot: the main window did not show within 60 s" >&2
  exit 1
}
sleep 2
# The list has the focus after the files were added: select the first entry.
xdotool key Home
sleep 2
desktop=$(xdotool search --onlyvisible --name "Glyphwright - Wine desktop" | head -1)
import -window "$desktop" "$scratch/shot.png"
mkdir -p "$(dirname "$out")"
cp "$scratch/shot.png" "$out"
echo "windows-screenshot: wrote $out"
