#!/usr/bin/env bash
# Measures two builds of the Windows screen saver side by side under Wine:
# each runs full screen (/s) in turn, OLD, NEW, OLD, NEW, ..., in one fresh
# Wine prefix on a virtual display of its own, with the settings written
# through the Windows profile functions. After a settling time it counts the
# frames (the multimedia timer armed once per frame, from Wine's trace of
# winmm.timeSetEvent, which also gives the delays asked for) and the CPU time
# the process took, and prints one line per run and the medians.
#
#   scripts/bench-wine.sh [options] OLD.scr NEW.scr
#     --ships N       additional ships (default 300: 313 ships in all)
#     --size WxH      the display, so the full-screen picture (default 1024x768)
#     --rounds N      runs of each build (default 3)
#     --seconds S     measured seconds of each run (default 10)
#     --settle S      seconds before measuring (default 3)
#     --probe EXE     the probe helper that writes the profile
#                     (default build-win/tests/wine/hvprobe.exe)
#
# Needs wine (64-bit) and Xvfb. Use it on a machine that is otherwise idle:
# the two builds share the same noise only because they alternate.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

ships=300 size=1024x768 rounds=3 seconds=10 settle=3 probe=build-win/tests/wine/hvprobe.exe
while [ $# -gt 2 ]; do
  case "$1" in
    --ships) ships=$2 ;;
    --size) size=$2 ;;
    --rounds) rounds=$2 ;;
    --seconds) seconds=$2 ;;
    --settle) settle=$2 ;;
    --probe) probe=$2 ;;
    *) echo "bench-wine: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
[ $# -eq 2 ] || { echo "usage: $0 [options] OLD.scr NEW.scr" >&2; exit 2; }
for f in "$1" "$2" "$probe"; do
  [ -f "$f" ] || { echo "bench-wine: $f does not exist" >&2; exit 2; }
done
for tool in wine wineserver Xvfb; do
  command -v "$tool" >/dev/null || { echo "bench-wine: $tool is missing (scripts/install-deps.sh all)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/halvorn-bench-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_xvfb "$work" "$size" || { echo "bench-wine: Xvfb does not start" >&2; exit 2; }
wine_prefix_for_saver "$probe" "$ships"
mkdir -p "$WINEPREFIX/drive_c/bench/old" "$WINEPREFIX/drive_c/bench/new"
cp "$1" "$WINEPREFIX/drive_c/bench/old/Halvorn.scr"
cp "$2" "$WINEPREFIX/drive_c/bench/new/Halvorn.scr"
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d 'winmm.timeSetEvent' /f >/dev/null 2>&1
wineserver -w

hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
timer_calls() { grep -c 'Call winmm.timeSetEvent' "$1" || true; }

# run NAME: one measured run; appends "fps cpu_ms_per_frame" to $work/NAME.
run() {
  local name=$1 log=$work/$1.log pid
  WINEDEBUG=-all,+relay wine "C:\\bench\\$name\\Halvorn.scr" /s >"$log" 2>&1 &
  pid=$!
  sleep "$settle"
  local t0 n0 t1 n1
  t0=$(cpu_ticks $pid); n0=$(timer_calls "$log")
  sleep "$seconds"
  t1=$(cpu_ticks $pid); n1=$(timer_calls "$log")
  local delays
  delays=$(grep 'Call winmm.timeSetEvent' "$log" | sed -n "$((n0 + 1)),${n1}p" |
    sed 's/.*timeSetEvent(\([0-9a-f]*\),.*/\1/' | sort | uniq -c | sort -rn | head -n 3 |
    while read -r count hex; do printf '%d ms x%d  ' $((16#$hex)) "$count"; done)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  awk -v n=$((n1 - n0)) -v t=$((t1 - t0)) -v hz="$hz" -v s="$seconds" -v name="$name" -v d="$delays" -v f="$work/$name" 'BEGIN {
    fps = n / s; cpu = n > 0 ? t / hz * 1000 / n : 0
    printf "%-4s %6.1f frames/s  %6.1f ms CPU per frame  (%d frames; delays asked: %s)\n", name, fps, cpu, n, d
    printf "%f %f\n", fps, cpu >> f }'
}

echo "== $1 (old) against $2 (new): $((ships + 13)) ships, $size, $rounds rounds of $seconds s after $settle s, $(nproc) CPUs"
for r in $(seq "$rounds"); do
  echo "round $r"
  run old
  run new
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for name in old new; do
  printf '%-4s median %6.1f frames/s  %6.1f ms CPU per frame\n' "$name" \
    "$(cut -d' ' -f1 "$work/$name" | median)" "$(cut -d' ' -f2 "$work/$name" | median)"
done
