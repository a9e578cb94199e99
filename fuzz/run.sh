#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS seconds.
#
#   fuzz/run.sh SECONDS [NAME...] [-- LIBFUZZER_OPTION...]
#
# Every fuzz/<name>_fuzz.cpp is a target: the executable <name>_fuzz, seeded
# from fuzz/corpus/<name>/ (and fuzz/<name>.dict when it exists). The seeds
# are copied to build/fuzz/corpus/<name>/, so the runs grow that copy and
# never the tree's corpus. A crash, a failed check, a leak or a hang fails
# the run; the input that caused it is left in build/fuzz/artifacts/<name>/.
# Exits 1 when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS [NAME...] [-- LIBFUZZER_OPTION...]" >&2
  exit 2
fi
seconds=$1
shift
names=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  names+=("$1")
  shift
done
[ "${1:-}" = "--" ] && shift
extra=("$@")

if [ ${#names[@]} -eq 0 ]; then
  for src in fuzz/*_fuzz.cpp; do
    names+=("$(basename "$src" _fuzz.cpp)")
  done
fi

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
failed=()
for name in "${names[@]}"; do
  exe=$build/fuzz/${name}_fuzz
  if [ ! -x "$exe" ]; then
    echo "fuzz: $name: no executable $exe (add it to fuzz/CMakeLists.txt)" >&2
    failed+=("$name")
    continue
  fi
  corpus=$build/corpus/$name
  artifacts=$build/artifacts/$name
  log=$build/logs/$name.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  if [ -d "fuzz/corpus/$name" ]; then
    cp -R "fuzz/corpus/$name/." "$corpus/"
  else
    echo "fuzz: $name: no seed corpus fuzz/corpus/$name/, starting empty" >&2
  fi
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  echo "fuzz: $name: ${seconds} s"
  if "$exe" "${options[@]}" "${extra[@]}" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz: $name: passed, ${runs:-?} inputs run"
  else
    echo "fuzz: $name: FAILED (log $log, inputs in $artifacts/):" >&2
    # What went wrong (a failed check, a sanitizer's report) and the input.
    grep -E -A2 'fuzz check failed|ERROR: |runtime error' "$log" | grep -v '^ *#[0-9]' | head -20 >&2
    grep -E 'SUMMARY|Test unit written' "$log" >&2 || tail -5 "$log" >&2
    failed+=("$name")
  fi
done

echo "fuzz: $((${#names[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
