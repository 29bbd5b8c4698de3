#!/usr/bin/env bash
# Installs what is missing, builds Glyphwright and runs it: packs the example icons into icon
# DLLs with glyphwright-cli and prints what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

cli=build/default/bin/glyphwright-cli
out=build/examples
mkdir -p "$out"
echo
echo "Packing the example icons:"
"$cli" images examples/multi.ico
"$cli" build -t x86 --all-targets -o "$out/Examples.dll" \
  examples/glyph-4bit.ico examples/mono-1bit.ico examples/tile-8bit.ico examples/multi.ico
