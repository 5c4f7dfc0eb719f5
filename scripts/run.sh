#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Halvorn and runs its main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DHALVORN_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target coldet_bench
build-release/bench/coldet_bench
