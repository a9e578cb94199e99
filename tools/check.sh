#!/usr/bin/env bash
# Builds and runs every test, one workflow preset (CMakePresets.json) after
# the other:
#   ci        the Linux build with warnings as errors
#   asan      the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   windows   the Windows build, cross-compiled with MinGW-w64, tested under
#             Wine (the Wine server and desktop are fixtures of the tests)
#   wine-e2e  padlink.exe of that build run end to end by the ci build's tests
#   packages  the Debian package and the Windows zip built (tools/package.sh,
#             a fixture), unpacked and run
#   fuzz      every libFuzzer target of fuzz/ for 20 seconds from its seeds
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in ci asan windows wine-e2e packages fuzz; do
  cmake --workflow --preset "$preset"
done
