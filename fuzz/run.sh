#!/usr/bin/env bash
# Builds the libFuzzer targets (the `fuzz` preset: clang, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS seconds.
#
#   fuzz/run.sh SECONDS [NAME...] [-- LIBFUZZER_OPTION...]
#
# The targets are those of fuzz/CMakeLists.txt, each run by its test
# Fuzz.<name> (fuzz/run_target.sh: seeds, dictionary, where a failing input
# is left); NAMEs choose some of them. Exits 1 when any target failed.
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

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

for name in "${names[@]}"; do
  [ -x "build/fuzz/fuzz/${name}_fuzz" ] || {
    echo "fuzz: no target $name (the targets: fuzz/CMakeLists.txt)" >&2
    exit 2
  }
done
select='^Fuzz\.'
if [ ${#names[@]} -gt 0 ]; then
  select="^Fuzz\\.($(IFS='|'; echo "${names[*]}"))\$"
fi
PADLINK_FUZZ_SECONDS=$seconds PADLINK_FUZZ_OPTIONS="$*" ctest --preset fuzz -R "$select"
