#!/usr/bin/env bash
# Starts the TDS test server in the background and waits until it listens.
#   testserver/run_server.sh FIXTURE.json STATE_DIR [server options...]
# Writes STATE_DIR/port, STATE_DIR/pid, STATE_DIR/requests.log (every request
# received) and STATE_DIR/server.out; prints the port.  Stop the server with
#   kill "$(cat STATE_DIR/pid)"
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 FIXTURE.json STATE_DIR [server options...]" >&2
  exit 2
fi
fixture=$1
state=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$state"
rm -f "$state/port"
python3 "$here/server.py" --fixture "$fixture" --port 0 --port-file "$state/port" \
  --log "$state/requests.log" "$@" >"$state/server.out" 2>&1 &
echo $! >"$state/pid"
for _ in $(seq 300); do
  if [ -s "$state/port" ]; then
    cat "$state/port"
    exit 0
  fi
  if ! kill -0 "$(cat "$state/pid")" 2>/dev/null; then
    echo "test server did not start:" >&2
    cat "$state/server.out" >&2
    exit 1
  fi
  sleep 0.1
done
echo "test server did not start listening within 30 s" >&2
kill "$(cat "$state/pid")" 2>/dev/null || true
exit 1
