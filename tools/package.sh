#!/usr/bin/env bash
# Builds the packages into build/packages:
#   padlink_<version>_<arch>.deb   Linux release build with Debian's hardening
#                                  flags, checked with lintian (errors fail)
#   padlink-<version>-win64.zip    padlink.exe (preset windows), README.txt and
#                                  the manual as text
# Needs dpkg-dev, lintian, groff, gzip and zip, and MinGW-w64 for the zip.
set -euo pipefail
cd "$(dirname "$0")/.."
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
out=$PWD/build/packages
mkdir -p "$out"

# --- Debian package ---------------------------------------------------------
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
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
cmake --preset windows >/dev/null
cmake --build --preset windows --target padlink man readme
rm -f "$out"/padlink-*-win64.zip
(cd build/windows && cpack -G ZIP -B "$out" >/dev/null)
zip=$(ls "$out"/padlink-*-win64.zip)
rm -rf "$out/_CPack_Packages"
echo "== $zip"
unzip -l "$zip"
for f in padlink.exe README.txt padlink.txt; do
  unzip -l "$zip" | grep -q "/$f\$" || { echo "missing in the zip: $f"; exit 1; }
done
echo "packages: $deb $zip"
