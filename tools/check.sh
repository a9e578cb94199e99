#!/usr/bin/env bash
# Builds and runs every test: the builds of the presets (CMakePresets.json)
#   ci        the Linux release build with Debian's flags, warnings as errors
#   asan      the same code under AddressSanitizer and UndefinedBehaviorSanitizer
#   windows   the Windows build, cross-compiled with MinGW-w64
#   fuzz      every libFuzzer target of fuzz/
# and their tests, in two phases:
#   1. the builds and the tests that do not depend on real time, two lanes
#      at once: the ci and asan builds with their unit, layer and parser
#      tests (test presets ci-parallel, asan-parallel); the windows build
#      with its tests under Wine, the fuzz targets (each replays its seeds,
#      then fuzzes for 10 s), and the packages made from the ci and windows
#      builds (Packages.Build: tools/package.sh --builds, lintian included);
#   2. the real-time tests (label realtime), one at a time with nothing else
#      running: ci-realtime, wine-e2e (padlink.exe and padlink-plot.exe under
#      Wine), packages (the packages unpacked and run, and tools/demo.sh as
#      the README runs it, with the ci build's programs) and asan-realtime.
# Each step's output is in build/check/<step>.log, shown whole when the step
# fails; build/check/times lists each step's wall and CPU time.
set -euo pipefail
cd "$(dirname "$0")/.."
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
logs=build/check
rm -rf "$logs"
mkdir -p "$logs"
TIMEFORMAT='%R %U %S'

# step NAME COMMAND...: runs the command, its output into NAME's log, and
# notes its wall and CPU time (the CPU time of all it started).
step() {
  local name=$1 timing status=0
  shift
  echo "check: $name ..."
  { timing=$( { time "$@" >"$logs/$name.log" 2>&1; } 2>&1 ); } || status=$?
  if [ "$status" != 0 ]; then
    cat "$logs/$name.log"
    echo "check: $name FAILED (exit status $status; log $logs/$name.log)"
    return 1
  fi
  read -r wall user sys <<<"$timing"
  awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" \
    'BEGIN { printf "%-16s %7.1f s wall %7.1f s CPU\n", n, w, u + s }' >>"$logs/times"
  echo "check: $name passed in ${wall%.*} s"
}

build() { cmake --preset "$1" && cmake --build --preset "$1"; }

# --- 1. Builds, and the tests that do not depend on real time ---------------
ci_built=$logs/ci.built
lane_linux() {
  step ci-build build ci
  touch "$ci_built"
  step ci-parallel ctest --preset ci-parallel
  step asan-build build asan
  step asan-parallel ctest --preset asan-parallel
}
lane_others() {
  step windows-build build windows
  step windows-tests ctest --preset windows
  step fuzz-build build fuzz
  step fuzz-tests ctest --preset fuzz
  # The packages' fixture (Packages.Build), on the builds once ci is built.
  while [ ! -e "$ci_built" ]; do sleep 2; done
  step packages-build tools/package.sh --builds build/ci build/windows
}
set -m  # each lane a process group of its own, to end it when the other fails
lane_linux &
linux=$!
lane_others &
others=$!
failed=0
for _ in 1 2; do
  if ! wait -n; then
    failed=1
    kill -- "-$linux" "-$others" 2>/dev/null || true
    break
  fi
done
set +m
if [ "$failed" = 1 ]; then
  wait || true
  echo "check: FAILED"
  exit 1
fi

# --- 2. The real-time tests, one at a time ----------------------------------
step ci-realtime ctest --preset ci-realtime
step wine-e2e ctest --preset wine-e2e
# The packages' fixture, Packages.Build, ran in phase 1 (packages-build).
step packages ctest --preset packages -E '^Packages\.Build$' --fixture-exclude-setup Packages
step asan-realtime ctest --preset asan-realtime

echo "check: every step passed; wall and CPU time of each:"
cat "$logs/times"
