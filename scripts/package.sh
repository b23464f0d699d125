#!/usr/bin/env bash
# Builds Zuriz and leaves its Debian package (zuriz_<version>_amd64.deb) and the bundle tarball
# (zuriz-<version>-x86_64-linux.tar.gz, Zuriz.vst3 for ~/.vst3) in OUTDIR (default: the build
# folder). The build folder is build/, or the one named by ZURIZ_BUILD_DIR.
#
#   scripts/package.sh [OUTDIR]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZURIZ_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j"$(nproc)"
cmake --build "$build" --target zuriz_bundle_tarball
(cd "$build" && cpack --config CPackConfig.cmake)

out="${1:-$build}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="zuriz_${version}_amd64.deb"
tarball="zuriz-${version}-$(uname -m)-linux.tar.gz"
cmake -DDEB="$build/$deb" -DARCH="$(uname -m)" -P "$root/tests/package/check_deb.cmake"
if [ "$out" != "$(cd "$build" && pwd)" ]; then
  cp "$build/$deb" "$build/$tarball" "$out/"
fi
echo "package: $out/$deb"
echo "package: $out/$tarball"
