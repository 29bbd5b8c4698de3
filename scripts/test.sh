#!/usr/bin/env bash
# Installs what is missing, builds Glyphwright twice (a release build and one with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test in both.
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
