#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs all tests:
# the native unit and integration tests with the package tests (the native
# build is hardened as the Debian package is, so lintian judges it), then the
# Windows cross-build with its unit tests under Wine, then the screen saver's
# end-to-end suite and the installer's under Wine in a virtual X display.
#   scripts/test.sh            everything above
#   scripts/test.sh --native   native tests only
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh all

echo "== native build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVORN_HARDEN=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -LE soak

[ "${1:-}" = "--native" ] && exit 0

echo "== Windows cross-build, unit tests under Wine"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DHALVORN_BENCH=OFF >/dev/null
cmake --build build-win -j"$jobs"
prefix=$(mktemp -d /tmp/halvorn-wine.XXXXXX)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$prefix"' EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1 || true
ctest --test-dir build-win --output-on-failure -L unit -LE 'soak|gl'

echo "== Halvorn.scr end to end under Wine"
tests/wine/run_e2e.sh build-win

echo "== the Windows installer and zip under Wine"
tests/wine/installer_test.sh build-win
