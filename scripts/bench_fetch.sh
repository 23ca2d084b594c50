#!/usr/bin/env bash
# Measures a plain fetch of the benchmark table through the FreeTDS ODBC
# driver from the TDS test server: the baseline a conversion is compared with.
#   bash scripts/bench_fetch.sh [--rows N] [--runs N] [--tds 7.4]
# Builds odbc_fetch (Release, in build-bench/), starts the test server with a
# generated table of N rows (1,000,000 unless told), fetches every row N runs
# times and prints the seconds, rows per second and the CPU seconds the
# server and the client spent (a server using less CPU than the client is
# not what limits the figure).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=$root/build-bench
rows=1000000
runs=3
tds=7.4
while [ $# -gt 0 ]; do
  case $1 in
    --rows) rows=${2:?}; shift 2 ;;
    --runs) runs=${2:?}; shift 2 ;;
    --tds) tds=${2:?}; shift 2 ;;
    *) echo "usage: $0 [--rows N] [--runs N] [--tds 7.x]" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$builddir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$builddir" --target odbc_fetch -j2 >/dev/null

state=$(mktemp -d)
trap 'kill "$(cat "$state/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$state"' EXIT
python3 "$root/testserver/make_bench_fixture.py" --rows "$rows" >"$state/bench.json"
port=$("$root/testserver/run_server.sh" "$state/bench.json" "$state")
pid=$(cat "$state/pid")
conn="DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;SERVER=127.0.0.1;PORT=$port;UID=quill;PWD=Secret-1;DATABASE=Bench;TDS_Version=$tds"
ticks=$(getconf CLK_TCK)
server_cpu() { awk -v t="$ticks" '{printf "%.2f", ($14 + $15) / t}' "/proc/$pid/stat"; }

echo "bench_fetch: $rows rows of Bench.dbo.Sales through FreeTDS ODBC, TDS $tds"
for run in $(seq "$runs"); do
  before=$(server_cpu)
  /usr/bin/time -f "%U %S" -o "$state/client_cpu" \
    "$builddir/testserver/odbc_fetch" --quiet "$conn" "[dbo].[Sales]" >"$state/out"
  after=$(server_cpu)
  read -r fetched seconds < <(sed -n 's/^rows=\([0-9]*\) seconds=\([0-9.]*\)$/\1 \2/p' "$state/out")
  client=$(awk '{printf "%.2f", $1 + $2}' "$state/client_cpu")
  awk -v r="$run" -v n="$fetched" -v s="$seconds" -v sc="$(awk -v a="$before" -v b="$after" 'BEGIN{printf "%.2f", b - a}')" -v cc="$client" \
    'BEGIN{printf "run %d: %d rows in %.2f s (%.0f rows/s); cpu: server %.2f s, client %.2f s\n", r, n, s, n / s, sc, cc}'
done
