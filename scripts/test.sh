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
ctest --test-dir "$builddir" --output-on-failure -j"$jobs"
