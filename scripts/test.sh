#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test.
#   bash scripts/test.sh              plain build in build/
#   bash scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

builddir=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
  builddir=build-asan
  flags=(-DQUILL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$builddir" "${flags[@]}"
cmake --build "$builddir" -j"$jobs"
# mdb-reader, the second independent reader of written files, is installed
# once here, before tests that use it run side by side.
if [ ! -f "$builddir/mdb-reader/node_modules/mdb-reader/package.json" ]; then
  npm install --prefix "$builddir/mdb-reader" mdb-reader@3.2.0 --no-audit --no-fund >/dev/null
fi
ctest --test-dir "$builddir" --output-on-failure -j"$jobs"
