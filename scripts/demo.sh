#!/usr/bin/env bash
# Installs what is needed, builds QUILLAGENT and runs it on the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target QUILLAGENT

# Until the SQL Server side lands the agent can only show its usage.
./build/agent/QUILLAGENT --help || true
