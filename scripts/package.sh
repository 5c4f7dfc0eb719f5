#!/usr/bin/env bash
# Builds every artifact a release ships, into dist/ (or the folder given):
#   halvorn_<version>-1_<arch>.deb    the Debian package, built hardened (build-pkg/)
#   HalvornSetup-<version>.exe        the Windows installer (build-win/)
#   Halvorn-<version>-win64.zip       the Windows saver with README.txt and LICENSE.txt
#   halvorn-<version>.tar.gz          the sources of the commit checked out (git archive)
#   SHA256SUMS                        the checksums of the four
# The version is the one set in project() in CMakeLists.txt.
#   scripts/package.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dist=${1:-dist}
jobs=$(nproc)

scripts/install-deps.sh all

echo "== the Debian package (hardened Release build in build-pkg/)"
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DHALVORN_HARDEN=ON -DHALVORN_TESTS=OFF \
  -DHALVORN_BENCH=OFF >/dev/null
cmake --build build-pkg -j"$jobs" --target halvorn
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-pkg/CMakeCache.txt)
debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
(cd build-pkg && cpack -G DEB -B "$debs" >/dev/null)

echo "== the Windows installer and zip (build-win/)"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DHALVORN_BENCH=OFF >/dev/null
cmake --build build-win -j"$jobs" --target halvorn_setup halvorn_zip

echo "== the sources and the checksums"
mkdir -p "$dist"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "package: the working tree has uncommitted changes; the source archive holds the commit $(git rev-parse --short HEAD)"
git archive --format=tar.gz --prefix="halvorn-$version/" -o "$dist/halvorn-$version.tar.gz" HEAD
cp "$debs"/halvorn_"$version"-*.deb build-win/HalvornSetup-"$version".exe \
  build-win/Halvorn-"$version"-win64.zip "$dist"/
(cd "$dist" && sha256sum halvorn_"$version"-*.deb HalvornSetup-"$version".exe Halvorn-"$version"-win64.zip \
  halvorn-"$version".tar.gz >SHA256SUMS)
echo "package: in $dist/"
(cd "$dist" && ls -l halvorn_"$version"-*.deb HalvornSetup-"$version".exe Halvorn-"$version"-win64.zip \
  halvorn-"$version".tar.gz SHA256SUMS)
