#!/usr/bin/env bash
# Installs what is missing, builds Glyphwright three times and runs every test in each:
# a release build, one with AddressSanitizer and UndefinedBehaviorSanitizer, and a Windows
# build (MinGW-w64) run under Wine: the core, the CLI and their tests, and the window program
# and its tests when the Qt for MinGW that scripts/build-qt-mingw.sh makes is there. Then it
# makes the packages and checks what they hold.
#
# Usage: scripts/test.sh [--with-windows-qt]
#   --with-windows-qt  first build that Qt when it is missing (about an hour on two cores;
#                      reused by every later run)
set -euo pipefail
cd "$(dirname "$0")/.."

with_windows_qt=0
for arg in "$@"; do
  case $arg in
  --with-windows-qt) with_windows_qt=1 ;;
  *)
    echo "usage: scripts/test.sh [--with-windows-qt]" >&2
    exit 2
    ;;
  esac
done

scripts/install-deps.sh
if [ $with_windows_qt -eq 1 ]; then
  scripts/build-qt-mingw.sh
fi
for preset in default sanitize; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset tests"
  ctest --preset "$preset"
done

echo "== mingw build (Windows x86_64)"
stage_start=$SECONDS
scripts/build-libpng-mingw.sh
# Wine runs in a prefix of its own inside the build folder (the preset sets WINEPREFIX and
# friends), with its server and services started here for the whole stage so that each test
# program starts quickly.
source scripts/wine-display.sh
trap stop_wine_session EXIT
if qt_prefix=$(scripts/build-qt-mingw.sh --print-prefix); then
  echo "== the window program is built for Windows too (Qt from $qt_prefix)"
  start_wine_display
else
  echo "== NOTE: the window program is NOT built for Windows: no Qt for MinGW-w64 in $qt_prefix."
  echo "   scripts/build-qt-mingw.sh makes it (about an hour on two cores, once), or run"
  echo "   scripts/test.sh --with-windows-qt; the core, the CLI and their tests run as always."
fi
start_wine_prefix "$PWD/build/mingw/wineprefix"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
echo "== mingw tests (under Wine)"
ctest --preset mingw
echo "== mingw stage: $((SECONDS - stage_start)) s"

echo "== packages"
scripts/check-packages.sh
