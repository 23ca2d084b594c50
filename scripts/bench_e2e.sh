#!/usr/bin/env bash
# Measures whole conversions: QUILLAGENT converts the generated benchmark
# table Bench.dbo.Sales from the TDS test server into an Access 95/97 and an
# Access 2000 file, beside the plain FreeTDS fetch of the same rows from the
# same server (odbc_fetch), the conversion's baseline.
#   bash scripts/bench_e2e.sh [--rows N] [--runs N]
# (1,000,000 rows and 3 runs of each unless told.)  Builds QUILLAGENT,
# odbc_fetch and jetcheck in Release (build-bench/) and prints, for the
# fetch and each format: the best and the median seconds of the runs, rows
# per second and the ratio to the plain fetch (both of the best runs), and
# the largest peak memory (maximum resident set size).  The best of a few
# runs is the figure least moved by other work on the machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builddir=$root/build-bench
rows=1000000
runs=3
while [ $# -gt 0 ]; do
  case $1 in
    --rows) rows=${2:?}; shift 2 ;;
    --runs) runs=${2:?}; shift 2 ;;
    *) echo "usage: $0 [--rows N] [--runs N]" >&2; exit 2 ;;
  esac
done

cmake -S "$root" -B "$builddir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$builddir" --target QUILLAGENT odbc_fetch jetcheck -j2 >/dev/null

state=$(mktemp -d)
trap 'kill "$(cat "$state/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$state"' EXIT
python3 "$root/testserver/make_bench_fixture.py" --rows "$rows" >"$state/bench.json"
port=$("$root/testserver/run_server.sh" "$state/bench.json" "$state")
conn="DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;SERVER=127.0.0.1;PORT=$port;UID=quill;PWD=Secret-1;DATABASE=Bench;TDS_Version=7.4;ClientCharset=UTF-8"

# Runs a command, adding "seconds kilobytes" (wall time, peak RSS) to FILE.
timed() {
  local file=$1
  shift
  /usr/bin/time -f "%e %M" -o "$state/one" "$@"
  cat "$state/one" >>"$file"
}

# Reads "seconds kilobytes" lines; prints "best median largest-KiB".
summarize() {
  sort -n "$1" | awk '{s[NR] = $1; if ($2 > m) m = $2} END {print s[1], s[int((NR + 1) / 2)], m}'
}

echo "bench_e2e: $rows rows of Bench.dbo.Sales from the test server, best of $runs runs"
: >"$state/fetch_times"
for _ in $(seq "$runs"); do
  timed "$state/fetch_times" "$builddir/testserver/odbc_fetch" --quiet "$conn" "[dbo].[Sales]" >"$state/fetch_out"
done
read -r fetch_s fetch_med fetch_kb < <(summarize "$state/fetch_times")
printf '%-22s %6.2f s (median %5.2f) %8.0f rows/s %6s %7.1f MiB\n' "plain FreeTDS fetch" "$fetch_s" "$fetch_med" \
  "$(awk -v n="$rows" -v s="$fetch_s" 'BEGIN{print n / s}')" "1.00x" "$(awk -v k="$fetch_kb" 'BEGIN{print k / 1024}')"

for acc_ver in 0 1; do
  dest=$state/bench$acc_ver.mdb
  : >"$state/agent_times"
  for _ in $(seq "$runs"); do
    rm -f "$dest"
    timed "$state/agent_times" "$builddir/agent/QUILLAGENT" "--mssqlh=127.0.0.1,$port" \
      --mssqlu=quill --mssqlp=Secret-1 --src=Bench "--dest=$dest" "--acc_ver=$acc_ver" >"$state/agent_out"
    written=$(mdb-count "$dest" Sales)
    [ "$written" -eq "$rows" ] || { echo "bench_e2e: $written rows written, $rows expected" >&2; cat "$state/agent_out" >&2; exit 1; }
  done
  read -r agent_s agent_med agent_kb < <(summarize "$state/agent_times")
  label=$([ "$acc_ver" = 0 ] && echo "agent, Access 95/97" || echo "agent, Access 2000")
  printf '%-22s %6.2f s (median %5.2f) %8.0f rows/s %5.2fx %7.1f MiB  (%s MB file)\n' "$label" "$agent_s" "$agent_med" \
    "$(awk -v n="$rows" -v s="$agent_s" 'BEGIN{print n / s}')" \
    "$(awk -v a="$agent_s" -v f="$fetch_s" 'BEGIN{print a / f}')" \
    "$(awk -v k="$agent_kb" 'BEGIN{print k / 1024}')" \
    "$(awk -v b="$(stat -c %s "$dest")" 'BEGIN{printf "%.1f", b / 1e6}')"
  rm -f "$dest"
done
