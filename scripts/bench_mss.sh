#!/usr/bin/env bash
# Measures how fast the SQL Server side reads a table through FreeTDS.
#   bash scripts/bench_mss.sh [ROWS]
# Builds mss_read_bench (Release, in build-bench/), starts the TDS test
# server with its benchmark table (Bench.dbo.Sales) cut to ROWS generated
# rows (50000 by default) on a free loopback port, reads the whole table
# and prints the figures.  The server's own speed bounds the figure: it is
# a Python program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=$root/build-bench
rows=${1:-50000}

echo "bench: building mss_read_bench (Release) in $builddir"
cmake -S "$root" -B "$builddir" -DCMAKE_BUILD_TYPE=Release >/dev/null
log=$builddir/bench-build.log
if ! cmake --build "$builddir" --target mss_read_bench -j2 >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi

state=$(mktemp -d)
trap 'kill "$(cat "$state/pid")" 2>/dev/null || true; rm -rf "$state"' EXIT
python3 - "$root/testserver/fixtures/bench.json" "$state/bench.json" "$rows" <<'PY'
import json, sys
fixture = json.load(open(sys.argv[1]))
for db in fixture["databases"]:
    for table in db["tables"]:
        if "generate" in table:
            table["generate"]["rows"] = int(sys.argv[3])
json.dump(fixture, open(sys.argv[2], "w"))
PY
port=$(bash "$root/testserver/run_server.sh" "$state/bench.json" "$state")
"$builddir/bench/mss_read_bench" "127.0.0.1,$port" quill Secret-1 Bench Sales
