#!/usr/bin/env bash
# Takes a picture of every page and dialog of the wizard, driven over the
# test doubles on the offscreen platform, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
nice cmake --build build --target quill_wiz_screens -j2
mkdir -p docs
QT_QPA_PLATFORM=offscreen ./build/GUI2/quill_wiz_screens docs 2> >(grep -v "This plugin does not support" >&2)
