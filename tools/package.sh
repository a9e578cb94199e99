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
#   tools/package.sh --builds LINUX_BUILD WINDOWS_BUILD
#
# --builds packs the programs of two release builds that exist instead,
# brought up to date first: a Linux one made with Debian's flags
# (PADLINK_DEBIAN_FLAGS, as the presets package and ci set it) and a Windows
# one (the presets package-windows and windows). CI packs its ci and windows
# builds so.
#
# Needs CMake 3.25 or later, Ninja, g++, dpkg-dev, lintian, groff, gzip and
# unzip, and MinGW-w64 (g++-mingw-w64-x86-64-posix) for the zip.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() {
  echo "usage: tools/package.sh [--fresh] | --builds LINUX_BUILD WINDOWS_BUILD" >&2
  exit 2
}
linux=build/package windows=build/package-windows presets=1
case ${1:-} in
  "") ;;
  --fresh) rm -rf build/package build/package-windows ;;
  --builds)
    [ $# -eq 3 ] || usage
    linux=$2 windows=$3 presets=0
    ;;
  *) usage ;;
esac
# Everything the two packages need, checked before anything is built: a
# missing tool would otherwise end the script after the first package.
missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
need cmake cmake
need ninja ninja-build
need g++ g++
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need groff groff
need gzip gzip
need unzip unzip
need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
if [ ${#missing[@]} -gt 0 ]; then
  echo "package: missing what the packages need; install it with:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
out=$PWD/build/packages
mkdir -p "$out"

# The value of a build's cache variable.
cached() { sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"; }
# A build given with --builds: a release build, the Linux one with Debian's
# flags (the Windows one is known by its padlink.exe, once built).
check_build() {
  local dir=$1 what=$2
  [ -f "$dir/CMakeCache.txt" ] || { echo "package: $dir is no build (no CMakeCache.txt)" >&2; exit 1; }
  [ "$(cached "$dir" CMAKE_BUILD_TYPE)" = RelWithDebInfo ] ||
    { echo "package: $dir is no release build (CMAKE_BUILD_TYPE RelWithDebInfo)" >&2; exit 1; }
  if [ "$what" = linux ] && [ "$(cached "$dir" PADLINK_DEBIAN_FLAGS)" != ON ]; then
    echo "package: $dir is not built with Debian's flags (PADLINK_DEBIAN_FLAGS)" >&2
    exit 1
  fi
  return 0
}

# --- Debian package ---------------------------------------------------------
if [ "$presets" = 1 ]; then
  echo "== building the Debian package's programs (build/package)"
  # Debian's flags come from the preset (PADLINK_DEBIAN_FLAGS), and only
  # they: none of the environment's CXXFLAGS or LDFLAGS.
  cmake --preset package -DCMAKE_CXX_FLAGS= -DCMAKE_EXE_LINKER_FLAGS= >/dev/null
  cmake --build --preset package
else
  check_build "$linux" linux
  echo "== the Debian package's programs from $linux"
  cmake --build "$linux"
fi
rm -f "$out"/padlink_*.deb
(cd "$linux" && cpack -G DEB -B "$out" >/dev/null)
deb=$(ls "$out"/padlink_*.deb)
rm -rf "$out/_CPack_Packages"
echo "== $deb"
# Every field of the control file.
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb" | awk '{print $1, $2, $6}'
echo "== lintian"
# Every tag is shown; errors fail the build.
lintian --info --display-info --fail-on error "$deb"
echo "lintian: no errors"

# --- Windows zip ------------------------------------------------------------
if [ "$presets" = 1 ]; then
  echo "== building the Windows programs (build/package-windows)"
  cmake --preset package-windows >/dev/null
  cmake --build --preset package-windows
else
  check_build "$windows" windows
  echo "== the Windows programs from $windows"
  cmake --build "$windows"
  [ -f "$windows/padlink.exe" ] || { echo "package: $windows is no Windows build" >&2; exit 1; }
fi
rm -f "$out"/padlink-*-win64.zip
(cd "$windows" && cpack -G ZIP -B "$out" >/dev/null)
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
