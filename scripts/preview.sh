#!/usr/bin/env bash
# Makes the moving preview at the top of the README, docs/preview.webp: about
# 6 s of the battle of seed 3 with 40 more ships at 640x360, from frame 40
# (the fleets meet at the sun and the first ships explode), as an animated
# WebP of at most 3 MB that loops.
#
#   scripts/preview.sh [PROGRAM] [OUTPUT]
#
# PROGRAM defaults to build-release/host/linux/halvorn, OUTPUT to
# docs/preview.webp. START=K and FRAMES=N choose another stretch (frames of
# 31 ms); QUALITY=Q (0..100, default 60) trades size for detail. The frames are
# rendered as PNG pictures (a lossless start) and encoded once by ffmpeg.
set -euo pipefail
cd "$(dirname "$0")/.."
prog=${1:-build-release/host/linux/halvorn}
out=${2:-docs/preview.webp}
start=${START:-40}
frames=${FRAMES:-194}
quality=${QUALITY:-60}
limit=$((3 * 1024 * 1024))

command -v ffmpeg >/dev/null || { echo "preview: ffmpeg is not installed (apt-get install ffmpeg)" >&2; exit 1; }
[ -x "$prog" ] || { echo "preview: no program at $prog (build it: scripts/run.sh)" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

"$prog" --frames $((start + frames - 1)) --frame-ms 31 --seed 3 --ships 40 --size 640x360 --output "$dir" 2>/dev/null
ffmpeg -v error -framerate 1000/31 -start_number "$start" -i "$dir/frame-%05d.png" -frames:v "$frames" \
  -c:v libwebp_anim -lossless 0 -quality "$quality" -compression_level 6 -loop 0 -y "$dir/preview.webp"
size=$(stat -c %s "$dir/preview.webp")
if [ "$size" -gt "$limit" ]; then
  echo "preview: $size bytes is more than 3 MB; try a lower QUALITY" >&2
  exit 1
fi
mv "$dir/preview.webp" "$out"
echo "preview: $out, $frames frames from frame $start, $size bytes"
