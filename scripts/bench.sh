#!/usr/bin/env bash
# Measures how fast the Jet engine reads and checks databases.
#   bash scripts/bench.sh [--runs N] [FILE.mdb...]
# Builds jet_read_bench (Release, in build-bench/) and runs it on the files
# given, or, with none, on every .mdb under ../shared/jet-reference/samples
# when that folder exists beside the project. Then measures writing:
# jet_bench writes WRITE_ROWS rows (default 1000000) in Jet 4 and Jet 3
# (set WRITE_ROWS=0 to skip), and scripts/bench_e2e.sh converts E2E_ROWS
# rows (default 1000000) from the test server beside the plain fetch (set
# E2E_ROWS=0 to skip). Each file runs in its own
# process, so its peak memory is its own. Prints one line per file and a
# total; exits 0 when there is nothing to measure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=$root/build-bench

runs=5
if [ "${1:-}" = "--runs" ]; then
  runs=${2:?--runs needs a number}
  shift 2
fi

files=("$@")
samples=$(dirname "$root")/shared/jet-reference/samples
if [ ${#files[@]} -eq 0 ] && [ -d "$samples" ]; then
  mapfile -t files < <(find "$samples" -name '*.mdb' -type f | sort)
fi
write_rows=${WRITE_ROWS:-1000000}
e2e_rows=${E2E_ROWS:-1000000}

echo "bench: building jet_read_bench (Release) in $builddir"
cmake -S "$root" -B "$builddir" -DCMAKE_BUILD_TYPE=Release >/dev/null
log=$builddir/bench-build.log
if ! cmake --build "$builddir" --target jet_read_bench jet_bench -j2 >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
bin=$builddir/bench/jet_read_bench

if [ "$write_rows" -gt 0 ]; then
  for format in 4 3; do
    "$builddir/bench/jet_bench" --format "$format" --rows "$write_rows" --out "$builddir/jet_bench_$format.mdb"
    rm -f "$builddir/jet_bench_$format.mdb"
  done
fi
if [ "$e2e_rows" -gt 0 ]; then
  bash "$root/scripts/bench_e2e.sh" --rows "$e2e_rows"
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "bench: no .mdb files given and no samples at $samples; no read figures"
  exit 0
fi

echo "bench: ${#files[@]} file(s), best of $runs runs each"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
failed=0
header=()
for f in "${files[@]}"; do
  if ! "$bin" --runs "$runs" "${header[@]}" "$f" | tee -a "$out"; then
    failed=$((failed + 1))
  fi
  header=(--no-header)
done

# Columns: pages tables rows values MB read_ms MB/s rows/s check_ms damage rss_MiB file
awk -v failed="$failed" '
  $1 ~ /^[0-9]+$/ {
    n++; pages += $1; tables += $2; rows += $3; values += $4; mb += $5; ms += $6
    check += $9; damage += $10; if ($11 > rss) rss = $11
  }
  END {
    mbs = ms > 0 ? mb / (ms / 1000) : 0; rps = ms > 0 ? rows / (ms / 1000) : 0
    printf "%7d %6d %9d %10d %8.3f %9.3f %8.1f %11.0f %9.3f %6d %8.1f  ",
           pages, tables, rows, values, mb, ms, mbs, rps, check, damage, rss
    printf "total (%d files, %d failed)\n", n, failed
  }' "$out"
[ "$failed" -eq 0 ]
