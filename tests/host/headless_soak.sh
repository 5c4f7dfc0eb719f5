#!/usr/bin/env bash
# The headless program's memory over a long run, for each renderer given: a
# 313-ship battle (seed 7, frames of 31 ms, 160x90) drawn as fast as it goes.
# The memory it owns (anonymous and shared memory, see memory_kb in
# scripts/lib/common.sh) is taken when frame 2000 is done and every 500 frames
# after it up to frame 4500; the run fails as soon as it has grown by more
# than BOUND_MB since frame 2000.
#
#   tests/host/headless_soak.sh HALVORN RENDERER...     (gl11, gles2)
#
# Why these numbers. Frame 2000 is past this battle's busiest moment (frames
# 1250 to 1500). Each frame is finished before the next begins, so the memory
# is that of one frame in flight: 85 to 91 MB with gl11 and 117 to 122 MB
# with gles2 from frame 2000 to 4500, flat to the tenth of a megabyte within
# each run (before that, several
# frames in flight raised it by 50 to 75 MB at the busy moment, by an amount
# that varied from run to run with llvmpipe's threads). The ES stream buffer
# that once doubled without end (0.47 MB a frame) went from 1,203 MB at frame
# 2000 to 2,244 MB at frame 3500. 8 MB over 2,500 frames catches a leak of
# 3.3 KB a frame.
#
# Exits 0 when every renderer stays within the bound, 1 when one grows beyond
# it or stops drawing, 77 (skipped) without an OpenGL context, 2 on bad use.
set -u
source "$(dirname "$0")/../../scripts/lib/common.sh"

BOUND_MB=8
EARLY=2000 STEP=500 LAST=4500
LIMIT_S=600  # for all renderers together

halvorn=${1:-}
[ -x "$halvorn" ] && [ $# -ge 2 ] || { echo "usage: $0 HALVORN RENDERER..."; exit 2; }
shift
work=$(mktemp -d /tmp/halvorn-soak.XXXXXX)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# soak RENDERER: prints one line; returns 0 within the bound, 1 beyond it, 77 without a context.
soak() {
  local renderer=$1 dir=$work/$1 k file pss early= line started=$SECONDS
  mkdir -p "$dir"
  "$halvorn" --headless --renderer "$renderer" --ships 300 --seed 7 --frame-ms 31 --size 160x90 \
    --output "$dir" --every "$STEP" >"$dir.log" 2>&1 &
  pid=$!
  line="$renderer:"
  for ((k = EARLY; k <= LAST; k += STEP)); do
    file=$(printf '%s/frame-%05d.png' "$dir" "$k")
    until [ -e "$file" ]; do
      if [ "$SECONDS" -ge "$LIMIT_S" ]; then
        echo "$line -- FAIL: frame $k not reached within $LIMIT_S s"
        return 1
      fi
      if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        pid=
        grep -q 'no usable OpenGL context' "$dir.log" && { echo "$renderer: skipped: $(cat "$dir.log")"; return 77; }
        echo "$line stopped before frame $k: $(tail -n 3 "$dir.log")"
        return 1
      fi
      sleep 0.1
    done
    read -r pss _ < <(memory_kb "$pid")
    early=${early:-$pss}
    line+=$(awk -v k="$k" -v m="$pss" 'BEGIN { printf " %d: %.1f MB", k, m / 1024 }')
    if [ $((pss - early)) -gt $((BOUND_MB * 1024)) ]; then
      echo "$line -- FAIL: grew by $(((pss - early) / 1024)) MB since frame $EARLY (bound $BOUND_MB MB)"
      return 1
    fi
  done
  kill "$pid" && wait "$pid"
  pid=
  echo "$line -- grew by $(awk -v d=$((pss - early)) 'BEGIN { printf "%.1f", d / 1024 }') MB since frame $EARLY" \
    "(bound $BOUND_MB MB), $((SECONDS - started)) s"
}

status=0
skipped=0
for renderer in "$@"; do
  soak "$renderer"
  case $? in
    0) ;;
    77) skipped=$((skipped + 1)) ;;
    *) status=1 ;;
  esac
done
[ "$status" = 0 ] && [ "$skipped" = $# ] && exit 77
exit "$status"
