#!/usr/bin/env bash
# Installs what is missing, builds Glyphwright and runs it: the window program where there is a
# display to show it on, else a demonstration of glyphwright-cli that packs the example icons
# into icon DLLs and prints what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

bin=build/default/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/glyphwright"
fi

cli=$bin/glyphwright-cli
out=build/examples
mkdir -p "$out"
echo
echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): showing the command-line tool instead."
echo "Packing the example icons:"
"$cli" images examples/multi.ico
"$cli" build -t x86 --all-targets -o "$out/Examples.dll" \
  examples/glyph-4bit.ico examples/mono-1bit.ico examples/tile-8bit.ico examples/multi.ico
