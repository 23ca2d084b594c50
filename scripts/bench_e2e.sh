#!/usr/bin/env bash
# Measures whole conversions: QUILLAGENT converts the generated benchmark
# table Bench.dbo.Sales from the TDS test server into an Access 95/97 and an
# Access 2000 file, beside the plain FreeTDS fetch of the same rows from the
# same server (odbc_fetch), the conversion's baseline.
#   bash scripts/bench_e2e.sh [--rows N]      (1,000,000 rows unless told)
# Builds QUILLAGENT, odbc_fetch and jetcheck in Release (build-bench/) and
# prints, per run: seconds, rows per second, the ratio to the plain fetch
# and the agent's peak memory (maximum resident set size).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=$root/build-bench
rows=1000000
while [ $# -gt 0 ]; do
  case $1 in
    --rows) rows=${2:?}; shift 2 ;;
    *) echo "usage: $0 [--rows N]" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$builddir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$builddir" --target QUILLAGENT odbc_fetch jetcheck -j2 >/dev/null

state=$(mktemp -d)
trap 'kill "$(cat "$state/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$state"' EXIT
python3 "$root/testserver/make_bench_fixture.py" --rows "$rows" >"$state/bench.json"
port=$("$root/testserver/run_server.sh" "$state/bench.json" "$state")
conn="DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;SERVER=127.0.0.1;PORT=$port;UID=quill;PWD=Secret-1;DATABASE=Bench;TDS_Version=7.4;ClientCharset=UTF-8"

echo "bench_e2e: $rows rows of Bench.dbo.Sales from the test server"
/usr/bin/time -f "%e %M" -o "$state/fetch_time" \
  "$builddir/testserver/odbc_fetch" --quiet "$conn" "[dbo].[Sales]" >"$state/fetch_out"
read -r fetch_s fetch_kb <"$state/fetch_time"
printf '%-22s %8.2f s %10.0f rows/s %6s %8.1f MiB\n' "plain FreeTDS fetch" "$fetch_s" \
  "$(awk -v n="$rows" -v s="$fetch_s" 'BEGIN{print n / s}')" "1.00x" "$(awk -v k="$fetch_kb" 'BEGIN{print k / 1024}')"

for acc_ver in 0 1; do
  dest=$state/bench$acc_ver.mdb
  /usr/bin/time -f "%e %M" -o "$state/agent_time" "$builddir/agent/QUILLAGENT" "--mssqlh=127.0.0.1,$port" \
    --mssqlu=quill --mssqlp=Secret-1 --src=Bench "--dest=$dest" "--acc_ver=$acc_ver" >"$state/agent_out"
  read -r agent_s agent_kb <"$state/agent_time"
  written=$(mdb-count "$dest" Sales)
  [ "$written" -eq "$rows" ] || { echo "bench_e2e: $written rows written, $rows expected" >&2; cat "$state/agent_out" >&2; exit 1; }
  label=$([ "$acc_ver" = 0 ] && echo "agent, Access 95/97" || echo "agent, Access 2000")
  printf '%-22s %8.2f s %10.0f rows/s %5.2fx %8.1f MiB  (%s MB file)\n' "$label" "$agent_s" \
    "$(awk -v n="$rows" -v s="$agent_s" 'BEGIN{print n / s}')" \
    "$(awk -v a="$agent_s" -v f="$fetch_s" 'BEGIN{print a / f}')" \
    "$(awk -v k="$agent_kb" 'BEGIN{print k / 1024}')" \
    "$(awk -v b="$(stat -c %s "$dest")" 'BEGIN{printf "%.1f", b / 1e6}')"
  rm -f "$dest"
done
