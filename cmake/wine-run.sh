#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's private prefix, quietly
# and without a display.
set -euo pipefail
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
export WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix}
export WINEDEBUG=-all
unset DISPLAY
exec "$wine" "$@"
