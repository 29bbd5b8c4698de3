#!/usr/bin/env bash
# Draws the README's pictures of the windows: the window tests save what the windows show
# (offscreen, no display needed) when GLYPHWRIGHT_SCREENSHOTS names a folder.
# Run after a default build: docs/make_screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/docs/images"
mkdir -p "$out"
export GLYPHWRIGHT_SCREENSHOTS="$out" QT_QPA_PLATFORM=offscreen
build/default/bin/ui_setup_windows_test >/dev/null
build/default/bin/ui_main_window_test >/dev/null
ls "$out"
