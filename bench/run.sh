#!/usr/bin/env bash
# Builds the benchmark build (optimised, with the write/RTS trace) and runs
# the benchmark; it starts and stops the simulated robot itself. The table
# goes to standard output and to build/bench/bench-results.md; --remote runs
# only the remote-port rows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
exec ./build/bench/padlink_bench "$@"
