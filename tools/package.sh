#!/usr/bin/env bash
# Builds the packages into build/packages:
#   padlink_<version>_<arch>.deb   Linux release build with Debian's hardening
#                                  flags, checked with lintian (errors fail)
#   padlink-<version>-win64.zip    the Windows programs (padlink.exe,
#                                  padlink-keytest.exe, padlink-plot.exe),
#                                  README.txt and the manuals as text
# Each package has a release build of its own (presets package and
# package-windows, without the tests), which builds everything the package
# holds: the script works from a fresh clone and uses no other build.
#
#   tools/package.sh [--fresh]     --fresh: both builds from scratch
#
# Needs CMake 3.25 or later, Ninja, g++, dpkg-dev, lintian, groff, gzip and
# unzip, and MinGW-w64 (g++-mingw-w64-x86-64-posix) for the zip.
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
  "") ;;
  --fresh) rm -rf build/package build/package-windows ;;
  *) echo "usage: tools/package.sh [--fresh]" >&2; exit 2 ;;
esac
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
out=$PWD/build/packages
mkdir -p "$out"

# --- Debian package ---------------------------------------------------------
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
echo "== building the Debian package's programs (build/package)"
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build --preset package
rm -f "$out"/padlink_*.deb
(cd build/package && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/padlink_*.deb)
rm -rf "$out/_CPack_Packages"
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb" | awk '{print $1, $2, $6}'
echo "== lintian"
# Every tag is shown; errors fail the build.
lintian --info --display-info --fail-on error "$deb"
echo "lintian: no errors"

# --- Windows zip ------------------------------------------------------------
echo "== building the Windows programs (build/package-windows)"
cmake --preset package-windows >/dev/null
cmake --build --preset package-windows
rm -f "$out"/padlink-*-win64.zip
(cd build/package-windows && cpack -G ZIP -B "$out" >/dev/null)
zip=$(ls "$out"/padlink-*-win64.zip)
rm -rf "$out/_CPack_Packages"
echo "== $zip"
unzip -l "$zip"
# (The listing is read whole: grep -q would stop reading at its match, and
# with pipefail unzip's SIGPIPE would count as a missing file.)
listing=$(unzip -l "$zip")
for f in padlink.exe padlink-keytest.exe padlink-plot.exe README.txt padlink.txt \
  padlink-keytest.txt padlink-plot.txt; do
  grep -q "/$f\$" <<<"$listing" || { echo "missing in the zip: $f"; exit 1; }
done
echo "packages: $deb $zip"
