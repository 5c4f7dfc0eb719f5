#!/bin/sh
# Counts the OpenGL calls the headless battle makes per frame, with apitrace
# (apt-get install apitrace): every call the program makes (setup included;
# not the calls apitrace adds itself), divided by the frames drawn, and the
# calls made most often. The context is EGL's, hence --api egl.
#
#   scripts/count-gl-calls.sh [PROGRAM] [-- extra options]
#
# PROGRAM defaults to build-release/host/linux/halvorn. The run is the one the
# benchmark table uses: 300 frames of 31 ms, seed 7, 300 additional ships,
# 1920x1080; options after "--" are added to it (a later --size wins: the
# calls depend on the picture's aspect, not its size). FRAMES=N draws N frames
# instead. KEEP=1 keeps the trace and its dump in the temporary folder.
set -eu
prog=${1:-build-release/host/linux/halvorn}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
frames=${FRAMES:-300}
command -v apitrace >/dev/null || { echo "apitrace is not installed (apt-get install apitrace)" >&2; exit 1; }
dir=$(mktemp -d)
trap '[ "${KEEP:-0}" = 1 ] || rm -rf "$dir"' EXIT
apitrace trace --api egl -o "$dir/t.trace" "$prog" --headless --frames "$frames" --frame-ms 31 --seed 7 --ships 300 \
    --size 1920x1080 "$@" >/dev/null
# Calls apitrace adds itself (to record client-side arrays) are marked "fake".
apitrace dump -v --color=never "$dir/t.trace" | grep -E '^[0-9]+ ' | grep -v '// fake$' | sed -E 's/^[0-9]+ ([A-Za-z0-9_]+)\(.*/\1/' >"$dir/calls"
total=$(wc -l <"$dir/calls")
echo "frames: $frames"
echo "GL calls: $total"
echo "GL calls per frame: $(awk -v t="$total" -v f="$frames" 'BEGIN { printf "%.0f", t / f }')"
echo "most frequent, per frame:"
sort "$dir/calls" | uniq -c | sort -rn | head -${TOP:-15} |
    awk -v f="$frames" '{ printf "  %8.1f  %s\n", $1 / f, $2 }'
