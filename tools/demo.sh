#!/usr/bin/env bash
# Tries padlink without a robot: builds padlink and the simulated robot,
# starts the robot on a pseudo-terminal, and runs padlink against it in cable
# mode with A/D port 3 monitored once a second. The robot's log of what it
# received shows up in the same terminal. Quit with Esc, Delete or S.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset dev >/dev/null
cmake --build --preset dev --target padlink padlink-robot >/dev/null

ports=$(mktemp -d /tmp/padlink-demo-XXXXXX)
./build/dev/padlink-robot --port 1 --port-dir "$ports" --quiet >&2 &
robot=$!
cleanup() {
  kill "$robot" 2>/dev/null || true
  wait "$robot" 2>/dev/null || true
  rm -rf "$ports"
}
trap cleanup EXIT
for _ in $(seq 50); do
  [ -e "$ports/com1" ] && break
  sleep 0.1
done

echo "padlink is driving the simulated robot: press 1-9, arrows, Space...; Esc quits." >&2
status=0
PADLINK_PORT_DIR="$ports" ./build/dev/padlink -c 1 -d -a 3 -t "${1:-1}" || status=$?
exit "$status"
