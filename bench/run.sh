#!/usr/bin/env bash
# Builds the benchmark build (optimised, with libptymodem, the modem-line
# emulation and time-stamp log that is preloaded into the unchanged programs)
# and runs the benchmark; it starts and stops the simulated robot and the busy
# loops of its load block itself. The tables go to standard output and to
# build/bench/bench-results.md; --remote runs only the remote-port rows
# (ser2net on loopback).
#
# Run it as root for the full picture: the real-time columns need the
# privilege, and the unprivileged ones run padlink as the user "nobody".
# Run by another user, the real-time columns show that user's own limits.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
exec ./build/bench/padlink_bench "$@"
