#!/usr/bin/env bash
# Draws the wizard's artwork (icon, wait-animation frames, watermark,
# header picture) into GUI2/art/ with a small Qt program.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
nice cmake --build build --target quill_make_art -j2
QT_QPA_PLATFORM=offscreen ./build/GUI2/quill_make_art GUI2/art
