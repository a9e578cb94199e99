#!/usr/bin/env bash
# The set-up and clean-up tests of the Wine fixtures (cmake/wine.cmake): one
# persistent Wine server and Wine's desktop process for all the runs of
# Windows programs in the prefix $WINEPREFIX, their output kept in LOG_DIR.
#
#   wine-fixture.sh start LOG_DIR          starts the server, sets up the prefix
#   wine-fixture.sh desktop LOG_DIR EXE    starts EXE (wine_desktop.exe) and
#                                          waits until it says "desktop ready"
#   wine-fixture.sh stop-desktop LOG_DIR   ends it
#   wine-fixture.sh stop LOG_DIR           ends the server and all its programs
#
# Every process left running gets its output in a file: ctest waits until
# nothing holds a test's output pipe, so the server or the desktop holding it
# would hold the test until the end of the run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=${1:?usage: wine-fixture.sh start|desktop|stop-desktop|stop LOG_DIR [EXE]}
logs=${2:?no log folder}
: "${WINEPREFIX:?the fixtures need WINEPREFIX}"
export WINEPREFIX WINEDEBUG=-all
unset DISPLAY
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
mkdir -p "$logs"

case $action in
  start)
    mkdir -p "$WINEPREFIX"
    # A server left by an interrupted run would refuse the new one.
    if "$wineserver" -k >/dev/null 2>&1; then "$wineserver" -w; fi
    "$wineserver" -p >"$logs/wineserver.log" 2>&1
    # The prefix is set up before any test runs: the services Wine starts
    # for that would otherwise hold the first test's output pipe open.
    "$here/wine-run.sh" wineboot --init </dev/null >>"$logs/wineserver.log" 2>&1
    echo "wine: server up for $WINEPREFIX"
    ;;
  desktop)
    # A console host that finds no desktop process starts one and waits for
    # it, up to 10 s, before it passes on the first key (see
    # tests/support/wine_desktop.cpp).
    exe=${3:?no desktop program}
    [ -f "$exe" ] || { echo "wine: no $exe: build the windows preset first" >&2; exit 1; }
    "$here/wine-run.sh" "$exe" </dev/null >"$logs/wine_desktop.log" 2>&1 &
    echo $! >"$logs/wine_desktop.pid"
    for _ in $(seq 300); do
      if grep -q "desktop ready" "$logs/wine_desktop.log"; then
        echo "wine: desktop ready"
        exit 0
      fi
      sleep 0.1
    done
    echo "wine: Wine's desktop did not start:" >&2
    cat "$logs/wine_desktop.log" >&2
    exit 1
    ;;
  stop-desktop)
    if [ -f "$logs/wine_desktop.pid" ]; then
      kill "$(cat "$logs/wine_desktop.pid")" 2>/dev/null || true
      rm -f "$logs/wine_desktop.pid"
    fi
    ;;
  stop)
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w
    echo "wine: server ended"
    ;;
  *)
    echo "wine-fixture.sh: unknown action $action" >&2
    exit 2
    ;;
esac
