#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Halvorn and runs its main job: the
# battle rendered headless (no display needed) for 300 frames of 31 ms, written
# as PNG frames plus a contact sheet of 12 frames.
#   scripts/run.sh [output folder]      (default: out/)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-out}

scripts/install-deps.sh gl
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DHALVORN_TESTS=OFF -DHALVORN_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target halvorn

mkdir -p "$out"
build-release/host/linux/halvorn --headless --frames 300 --frame-ms 31 --seed 1 \
  --output "$out" --contact-sheet "$out/contact-sheet.png" --trace "$out/trace.jsonl"
echo "run: 300 frames in $out/frame-00001.png ... frame-00300.png"
echo "run: contact sheet in $out/contact-sheet.png, trace in $out/trace.jsonl"
