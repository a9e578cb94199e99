#!/usr/bin/env bash
# Runs one libFuzzer target: the test Fuzz.<name> of the fuzz preset
# (fuzz/CMakeLists.txt).
#
#   fuzz/run_target.sh NAME EXECUTABLE BUILD_DIR
#
# First replays every seed of fuzz/corpus/<name>/ once, on its own, as a
# regression test; then fuzzes for $PADLINK_FUZZ_SECONDS seconds (10 when
# unset; 0: no time limit), with the words of $PADLINK_FUZZ_OPTIONS as
# further libFuzzer options. The seeds are copied to BUILD_DIR/corpus/<name>/,
# so the run grows that copy and never the tree's corpus; fuzz/<name>.dict is
# the dictionary when it exists. A crash, a failed check, a leak or a hang
# fails the run; the input that caused it is left in
# BUILD_DIR/artifacts/<name>/, the whole output in BUILD_DIR/logs/<name>.log
# (the replay's in BUILD_DIR/logs/<name>.seeds.log).
set -euo pipefail
name=$1 exe=$2 build=$3
src=$(cd "$(dirname "$0")" && pwd)
seconds=${PADLINK_FUZZ_SECONDS:-10}
read -r -a extra <<<"${PADLINK_FUZZ_OPTIONS:-}"

corpus=$build/corpus/$name
artifacts=$build/artifacts/$name
log=$build/logs/$name.log
mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
if [ -d "$src/corpus/$name" ]; then
  cp -R "$src/corpus/$name/." "$corpus/"
else
  echo "fuzz: $name: no seed corpus fuzz/corpus/$name/, starting empty" >&2
fi
# What went wrong (a failed check, a sanitizer's report) and the input.
report() {
  { grep -E -A2 'fuzz check failed|ERROR: |runtime error' "$1" || true; } | grep -v '^ *#[0-9]' |
    head -20 || true
  if grep -qE 'SUMMARY|Test unit written' "$1"; then
    grep -E 'SUMMARY|Test unit written' "$1"
  else
    tail -5 "$1"
  fi
}

# The seeds, each run once: files given by name are run, not fuzzed.
seeds=()
[ -d "$src/corpus/$name" ] && mapfile -t seeds < <(find "$src/corpus/$name" -type f | sort)
if [ ${#seeds[@]} -gt 0 ]; then
  if ! "$exe" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts/" "${seeds[@]}" \
    >"${log%.log}.seeds.log" 2>&1; then
    echo "fuzz: $name: a seed FAILED (log ${log%.log}.seeds.log):"
    report "${log%.log}.seeds.log"
    grep '^Running: ' "${log%.log}.seeds.log" | tail -1 || true
    exit 1
  fi
  echo "fuzz: $name: ${#seeds[@]} seeds replayed"
fi

options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix="$artifacts/")
[ -f "$src/$name.dict" ] && options+=(-dict="$src/$name.dict")
echo "fuzz: $name: ${seconds} s"
if "$exe" "${options[@]}" "${extra[@]}" "$corpus" >"$log" 2>&1; then
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  echo "fuzz: $name: passed, ${runs:-?} inputs run"
else
  echo "fuzz: $name: FAILED (log $log, inputs in $artifacts/):"
  report "$log"
  exit 1
fi
