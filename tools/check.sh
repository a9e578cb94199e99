#!/usr/bin/env bash
# Builds and runs every test: the Linux build with warnings as errors, the
# same under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# build cross-compiled with MinGW-w64 and tested under Wine; then the Debian
# package and the Windows zip, built (tools/package.sh), unpacked and run;
# then every fuzz target for 20 seconds (the fuzz workflow).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --workflow --preset ci
cmake --workflow --preset asan

# The Windows build, its tests under Wine (with Wine's server and desktop as
# their fixtures).
cmake --workflow --preset windows

# padlink.exe under Wine, from the ci build's tests.
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all
unset DISPLAY
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
mkdir -p "$WINEPREFIX"
# One persistent server for all the runs, its output kept out of the logs.
"$wineserver" -p >"$PWD/build/windows/wineserver.log" 2>&1
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
# Set up the prefix first: the services Wine starts then would otherwise
# hold the test runner's output pipe open.
cmake/wine-run.sh wineboot --init </dev/null >>"$PWD/build/windows/wineserver.log" 2>&1
# Wine's desktop process, up front and for all the runs: a console host that
# finds none starts one and waits for it, up to 10 s, before it passes on the
# first key (see tests/support/wine_desktop.cpp). The server's end stops it.
desktop_log="$PWD/build/windows/wine_desktop.log"
cmake/wine-run.sh build/windows/wine_desktop.exe </dev/null >"$desktop_log" 2>&1 &
for _ in $(seq 300); do
  grep -q "desktop ready" "$desktop_log" && break
  sleep 0.1
done
grep -q "desktop ready" "$desktop_log" || { echo "check.sh: Wine's desktop did not start" >&2; exit 1; }
PADLINK_WIN_EXE="$PWD/build/windows/padlink.exe" PADLINK_WINE_RUN="$PWD/cmake/wine-run.sh" \
  ctest --preset ci -R WineE2E

# The packages: built, checked with lintian, unpacked and run.
tools/package.sh
PADLINK_DEB=$(ls "$PWD"/build/packages/padlink_*.deb) \
  PADLINK_ZIP=$(ls "$PWD"/build/packages/padlink-*-win64.zip) \
  PADLINK_WINE_RUN="$PWD/cmake/wine-run.sh" \
  ctest --preset ci -R '^(DebianPackage|WindowsZip)\.'

# The libFuzzer targets of fuzz/, 20 seconds each, from their seed corpora.
cmake --workflow --preset fuzz
