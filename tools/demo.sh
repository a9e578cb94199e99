#!/usr/bin/env bash
# Tries padlink without a robot: builds padlink and the simulated robot,
# starts the robot on a pseudo-terminal, and runs padlink against it in cable
# mode with A/D port 3 monitored once a second. The robot's log of what it
# received shows up in the same terminal. Quit with Esc, Delete or S.
#
#   tools/demo.sh [--chart] [--build DIR] [INTERVAL]
#
# With --chart, padlink monitors A/D port 3 and gyro 2 and pipes its lines
# into padlink-plot, which draws them as a live chart (the robot's log is
# left out then). INTERVAL is padlink's -t (default 1; with --chart
# 0, as fast as it can). With --build, the programs of a build tree you
# already have (build/dev, say) are run, and nothing is built.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: tools/demo.sh [--chart] [--build DIR] [INTERVAL]" >&2
  exit 2
}
chart=0
bin=
while [ $# -gt 0 ]; do
  case $1 in
    --chart) chart=1 ;;
    --build)
      [ $# -ge 2 ] || usage
      bin=$2
      shift
      ;;
    -*) usage ;;
    *) break ;;
  esac
  shift
done
[ $# -le 1 ] || usage

# Only the programs the demo runs, in a build of their own without the tests
# (build/demo; no GoogleTest needed). The first build takes a minute or so;
# the compiler's progress and errors show.
targets=(padlink padlink-robot)
[ "$chart" = 1 ] && targets+=(padlink-plot)
if [ -n "$bin" ]; then
  for t in "${targets[@]}"; do
    if [ ! -x "$bin/$t" ]; then
      echo "demo: $bin/$t is not there: build it first, or leave out --build" >&2
      exit 1
    fi
  done
  echo "demo: running ${targets[*]} of $bin" >&2
else
  bin=build/demo
  echo "demo: building ${targets[*]} in build/demo" >&2
  if ! configure=$(cmake --preset demo 2>&1); then
    echo "$configure" >&2
    echo "demo: configuring the build failed (see above)" >&2
    exit 1
  fi
  if ! cmake --build --preset demo --target "${targets[@]}" >&2; then
    echo "demo: the build failed (see above)" >&2
    exit 1
  fi
fi

ports=$(mktemp -d /tmp/padlink-demo-XXXXXX)
robot_log=/dev/stderr
[ "$chart" = 1 ] && robot_log=/dev/null
"$bin/padlink-robot" --port 1 --port-dir "$ports" --quiet >"$robot_log" &
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
if [ ! -e "$ports/com1" ]; then
  echo "demo: the simulated robot did not start" >&2
  exit 1
fi

echo "padlink is driving the simulated robot: press 1-9, arrows, Space...; Esc quits." >&2
status=0
if [ "$chart" = 1 ]; then
  sleep 1
  PADLINK_PORT_DIR="$ports" "$bin/padlink" -c 1 -d -a 3 -g 2 -t "${1:-0}" |
    "$bin/padlink-plot" || status=$?
else
  PADLINK_PORT_DIR="$ports" "$bin/padlink" -c 1 -d -a 3 -t "${1:-1}" || status=$?
fi
exit "$status"
