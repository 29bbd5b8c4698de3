#!/usr/bin/env bash
# Installs what is missing, builds Glyphwright three times and runs every test in each:
# a release build, one with AddressSanitizer and UndefinedBehaviorSanitizer, and a Windows
# build of the core, the CLI and their tests (MinGW-w64), run under Wine. Then it makes the
# packages (the Windows ZIP of the CLI, the Debian package) and checks what they hold.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in default sanitize; do
  echo "== $preset build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset tests"
  ctest --preset "$preset"
done

echo "== mingw build (Windows x86_64)"
stage_start=$SECONDS
# Wine runs in a prefix of its own inside the build folder (the preset sets WINEPREFIX and
# friends). Its server and services start here, detached from this script's output, and stay
# for the whole stage so that each test program starts quickly and ctest is not kept waiting
# by services holding its pipes.
export WINEPREFIX="$PWD/build/mingw/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
wineserver -p </dev/null >/dev/null 2>&1
timeout 300 wine wineboot -i </dev/null >/dev/null 2>&1 || true
cmake --preset mingw >/dev/null
cmake --build --preset mingw
echo "== mingw tests (under Wine)"
ctest --preset mingw
echo "== mingw stage: $((SECONDS - stage_start)) s"

echo "== packages"
scripts/check-packages.sh
