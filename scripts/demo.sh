#!/usr/bin/env bash
# The demo: installs what is needed, builds QUILLAGENT, starts the bundled
# test server with the sample database Harbor on a free loopback port,
# converts Harbor into demo.mdb (Access 2000) and lists what was written
# with mdbtools. The server is stopped however the demo ends.
#   bash scripts/demo.sh [--acc_ver=0]     (0 for an Access 95/97 file)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
acc_ver=${1:---acc_ver=1}

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" >/dev/null
cmake --build "$root/build" -j"$(nproc 2>/dev/null || echo 2)" --target QUILLAGENT >/dev/null

state=$(mktemp -d)
trap 'kill "$(cat "$state/pid" 2>/dev/null)" 2>/dev/null || true; rm -rf "$state"' EXIT
port=$("$root/testserver/run_server.sh" "$root/testserver/fixtures/demo.json" "$state")
echo "demo: test server with the database Harbor on 127.0.0.1,$port"

rm -f demo.mdb
"$root/build/agent/QUILLAGENT" "--mssqlh=127.0.0.1,$port" --mssqlu=quill --mssqlp=Secret-1 \
  --src=Harbor --dest=demo.mdb "$acc_ver"

echo
echo "demo: $(pwd)/demo.mdb is a $(mdb-ver demo.mdb) file with these tables:"
mdb-tables -1 demo.mdb | while IFS= read -r table; do
  printf '  %-70s %8s rows\n' "$table" "$(mdb-count demo.mdb "$table")"
done
