#!/usr/bin/env bash
# Runs each form of Halvorn for a while with 313 ships and watches its memory:
# in its second minute, in the minute up to the middle and in the last minute
# of the run, and how fast it grew from the middle to the end. The goal: after the
# first minute, no form grows by more than 8 MB over the rest of the run.
#
#   scripts/soak.sh [--minutes M] [--table FILE] [--dir DIR] [FORM...]
#     --minutes M   minutes each form runs, at least 2 (default 10)
#     --table FILE  also write the table (Markdown) into FILE
#     --dir DIR     where the samples, the logs and table.md go (default
#                   out/soak): DIR/FORM/samples has a line every 5 s (seconds,
#                   own kB, RSS kB, processes), DIR/FORM/processes the same for
#                   each process with its command line
#     FORM          headless-gl11, headless-gles2, x11, scr, web (default: all five)
#
# The forms, one after another:
#   headless-gl11, headless-gles2
#           halvorn --headless --renderer gl11|gles2 --ships 300 --seed 7
#           --frame-ms 31 --size 160x90: a fixed frame time paces nothing, so it
#           draws as fast as it goes; the small picture puts the work into the
#           battle and the vertices rather than into filling pixels. SIGTERM
#           stops it.
#   x11     halvorn --x11 --ships 300 --seed 7 --size 640x360: the window, paced by
#           itself, on a virtual X server of its own (Xvfb, 640x360).
#   scr     Halvorn.scr /s under Wine in a fresh prefix on an Xvfb of its own
#           (640x360, so the full-screen picture), with 300 additional ships
#           written into its profile by the probe helper (tests/wine/hvprobe).
#   web     the page with ?ships=300&seed=7&size=640x360&bench=1 (bench makes it
#           log its pace once, after 371 frames), served on 127.0.0.1 and shown
#           by headless Chromium with SwiftShader's WebGL in a 640x360 window.
#
# What it runs: the default build folders, brought up to date first (only the
# targets needed): build/host/linux/halvorn, build-win/host/win32/Halvorn.scr
# with build-win/tests/wine/hvprobe.exe (the MinGW cross-build), and the site
# in out/web (scripts/web.sh). HALVORN, HALVORN_SCR with HALVORN_PROBE, and
# HALVORN_SITE name other builds, taken as they are. A form whose tools are
# missing (Xvfb, Wine, MinGW, Chromium, Emscripten) or whose build fails is
# reported as skipped; the others still run.
#
# The memory: every process of a form is started with HALVORN_SOAK_RUN=<tag>
# in its environment, and a sample (every 10 s) sums over the processes that
# carry it and all their descendants: the program with its children, the
# private Xvfb (what a program leaves in its X server is its memory too),
# wineserver and the Wine services the prefix starts, every Chromium process;
# never the web server or this script. The figure judged is the memory the
# processes own, their anonymous and shared memory as proportional set size
# (Pss_Anon + Pss_Shmem from /proc/PID/smaps_rollup, see scripts/lib/common.sh):
# a page that Chromium's or Wine's processes share is counted once, not once in
# each, which the resident sets summed (RSS) would do, and the libraries' pages
# are left out because their PSS moves whenever other programs on the machine
# map the same libraries (one unchanged headless run's full PSS went between
# 177 and 218 MB while its RSS stayed at 225.8 MB). The summed RSS is printed
# beside it, in brackets.
#
# Exit status: 0 when every form that ran met the goal, 1 when one did not or
# stopped before its time, 2 on bad use.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"

all_forms=(headless-gl11 headless-gles2 x11 scr web)
minutes=10 table_file= dir=out/soak
forms=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes=${2:-}; shift ;;
    --table) table_file=${2:-}; shift ;;
    --dir) dir=${2:-}; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    headless-gl11 | headless-gles2 | x11 | scr | web) forms+=("$1") ;;
    *) echo "soak: unknown option or form $1 (forms: ${all_forms[*]})" >&2; exit 2 ;;
  esac
  shift
done
[[ "$minutes" =~ ^[0-9]+$ ]] && [ "$minutes" -ge 2 ] || { echo "soak: --minutes wants a whole number from 2 up" >&2; exit 2; }
[ ${#forms[@]} -gt 0 ] || forms=("${all_forms[@]}")
# Paths given are taken from here; the script works from the repository's root.
dir=$(realpath -m "$dir")
[ -z "$table_file" ] || table_file=$(realpath -m "$table_file")
for v in HALVORN HALVORN_SCR HALVORN_PROBE HALVORN_SITE; do
  [ -z "${!v:-}" ] || export "$v=$(realpath -m "${!v}")"
done
cd "$(dirname "$0")/.."
mkdir -p "$dir"

GOAL_MB=8
SAMPLE_S=5
one_s=120 mid_s=$((minutes * 30)) end_s=$((minutes * 60))
mid_min=$(awk -v s="$mid_s" 'BEGIN { printf "%g", s / 60 }')
jobs=${HALVORN_JOBS:-2}

# --- the builds: each sets its variable, or `why` and returns 1 ------------

halvorn=${HALVORN:-} scr=${HALVORN_SCR:-} site=${HALVORN_SITE:-}
probe=${HALVORN_PROBE:-${scr:+build-win/tests/wine/hvprobe.exe}}

have() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { why="$tool is missing (scripts/install-deps.sh all)"; return 1; }
  done
}

# present FILE...: whether the builds named exist.
present() {
  local file
  for file in "$@"; do [ -e "$file" ] || { why="$file does not exist"; return 1; }; done
}

# cmake_build DIR CONFIGURE-ARGS TARGET...: configures DIR if it has no cache
# yet and brings the targets up to date; the log goes to $dir/DIR.log.
cmake_build() {
  local build=$1 args=$2 log=$dir/$1.log
  shift 2
  echo "soak: building $* in $build"
  # shellcheck disable=SC2086
  { [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" $args; } >"$log" 2>&1 &&
    cmake --build "$build" -j"$jobs" --target "$@" >>"$log" 2>&1 || { why="the build failed (see $log)"; return 1; }
}

native_build() {
  if [ -n "$halvorn" ]; then present "$halvorn"; return; fi
  have cmake && cmake_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo halvorn && halvorn=build/host/linux/halvorn
}

windows_build() {
  if [ -n "$scr" ]; then present "$scr" "$probe"; return; fi
  have cmake x86_64-w64-mingw32-g++ &&
    cmake_build build-win "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
      -DHALVORN_BENCH=OFF" halvorn_scr hvprobe &&
    scr=build-win/host/win32/Halvorn.scr probe=build-win/tests/wine/hvprobe.exe
}

web_build() {
  if [ -n "$site" ]; then present "$site/halvorn.wasm"; return; fi
  have emcc || return 1
  echo "soak: building the page into out/web"
  HALVORN_JOBS=$jobs scripts/web.sh out/web >"$dir/build-web.log" 2>&1 ||
    { why="the page's build failed (see $dir/build-web.log)"; return 1; }
  site=out/web
}

# --- the forms: start_FORM DIR TAG starts it and sets main_pid (the process
# whose end ends the form), or sets `why` and returns 1 ---------------------

main_pid= server_pid=

start_headless() {
  local renderer=$1 out=$2 tag=$3
  native_build || return 1
  HALVORN_SOAK_RUN=$tag "$halvorn" --headless --renderer "$renderer" --ships 300 --seed 7 --frame-ms 31 \
    --size 160x90 >"$out/program.log" 2>&1 &
  main_pid=$!
}
start_headless_gl11() { start_headless gl11 "$@"; }
start_headless_gles2() { start_headless gles2 "$@"; }

start_x11() {
  local out=$1 tag=$2
  have Xvfb && native_build || return 1
  HALVORN_SOAK_RUN=$tag start_xvfb "$out" 640x360 || { why="Xvfb does not start (see $out/xvfb.log)"; return 1; }
  HALVORN_SOAK_RUN=$tag "$halvorn" --x11 --ships 300 --seed 7 --size 640x360 >"$out/program.log" 2>&1 &
  main_pid=$!
}

start_scr() {
  local out=$1 tag=$2
  have wine wineserver Xvfb && windows_build || return 1
  export WINEPREFIX=$out/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  HALVORN_SOAK_RUN=$tag start_xvfb "$out" 640x360 || { why="Xvfb does not start (see $out/xvfb.log)"; return 1; }
  HALVORN_SOAK_RUN=$tag wine_prefix_for_saver "$probe" 300 || { why="the Wine prefix could not be made"; return 1; }
  cp "$scr" "$WINEPREFIX/drive_c/halvorn/Halvorn.scr"
  HALVORN_SOAK_RUN=$tag wine 'C:\halvorn\Halvorn.scr' /s >"$out/program.log" 2>&1 &
  main_pid=$!
}

start_web() {
  local out=$1 tag=$2 port=
  have python3 chromium && web_build || return 1
  python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$site" >"$out/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 50); do
    port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$out/server.log")
    [ -n "$port" ] && break
    sleep 0.2
  done
  [ -n "$port" ] || { why="the web server does not start (see $out/server.log)"; return 1; }
  HALVORN_SOAK_RUN=$tag chromium --headless --no-sandbox --enable-unsafe-swiftshader --use-angle=swiftshader \
    --disable-gpu-sandbox --window-size=640,360 --user-data-dir="$out/profile" --enable-logging=stderr --v=0 \
    "http://127.0.0.1:$port/?ships=300&seed=7&size=640x360&bench=1" >"$out/program.log" 2>&1 &
  main_pid=$!
}

# Stops everything the form started: its main process, then whatever still
# carries its tag (Wine's services, Chromium's helpers), the server and Xvfb.
stop_form() {
  local tag=$1 left
  if [ -n "$main_pid" ]; then
    kill "$main_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$main_pid" 2>/dev/null || break; sleep 0.2; done
    kill -9 "$main_pid" 2>/dev/null || true
    wait "$main_pid" 2>/dev/null || true
  fi
  [ -n "${WINEPREFIX:-}" ] && { wineserver -k >/dev/null 2>&1 || true; }
  left=$(form_pids "$tag" | grep -vx "${xvfb_pid:-none}" || true)
  # shellcheck disable=SC2086
  if [ -n "$left" ]; then
    kill $left 2>/dev/null || true
    sleep 1
    kill -9 $left 2>/dev/null || true
  fi
  for pid in "${server_pid:-}" "${xvfb_pid:-}"; do
    [ -n "$pid" ] && { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  done
  main_pid= server_pid= xvfb_pid=
  unset WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES DISPLAY
}

current_tag=
trap 'echo "soak: line $LINENO: a command failed" >&2' ERR
trap '[ -n "$current_tag" ] && stop_form "$current_tag"' EXIT
trap 'exit 130' INT TERM

# --- the runs -----------------------------------------------------------------

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
# The least and the most memory the form owned (kB) in the minute up to second
# T: "LOW HIGH". The windows give back their free heap every 1000 frames
# (about 31 s) and the busy frames between take it again, so one sample says
# little; the least of a minute is what the form keeps, a leak raises it.
minute_to() {
  awk -v t="$2" '$1 > t - 60 && $1 <= t { if (n++ == 0 || $2 < lo) lo = $2; if ($2 > hi) hi = $2 }
    END { if (n) print lo, hi }' "$1"
}
cell() { [ -z "$1" ] || echo "$(mb "${1% *}")–$(mb "${1#* }")"; }

rows=()
notes=()
status=0
for form in "${forms[@]}"; do
  out=$dir/$form
  rm -rf "$out"
  mkdir -p "$out"
  tag=$form.$$
  why=
  echo "== $form: $minutes minutes from $(date +%H:%M:%S)"
  current_tag=$tag
  if ! "start_${form//-/_}" "$out" "$tag"; then
    echo "soak: $form skipped: $why"
    rows+=("| $form | skipped: $why | | | | | |")
    stop_form "$tag"
    current_tag=
    continue
  fi
  samples=$out/samples
  : >"$samples"
  started=$SECONDS
  died=
  for ((t = SAMPLE_S; t <= end_s; t += SAMPLE_S)); do
    while [ $((SECONDS - started)) -lt "$t" ]; do
      kill -0 "$main_pid" 2>/dev/null || { died=$((SECONDS - started)); break 2; }
      sleep 1
    done
    pids=$(form_pids "$tag")
    # shellcheck disable=SC2086
    echo "$t $(memory_kb $pids)" >>"$samples"
    for pid in $pids; do
      echo "$t $pid $(memory_kb "$pid" | cut -d' ' -f1,2) $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-100)"
    done >>"$out/processes"
  done
  [ -n "$died" ] || kill -0 "$main_pid" 2>/dev/null || died=$((SECONDS - started))
  procs=$(awk 'END { print $4 }' "$samples")
  stop_form "$tag"
  current_tag=

  one=$(minute_to "$samples" "$one_s")
  mid=$(minute_to "$samples" "$mid_s")
  end=$(minute_to "$samples" "$end_s")
  if [ -n "$died" ]; then
    verdict="FAIL: stopped after $died s ($(tail -n 1 "$out/program.log" | cut -c1-80))"
    status=1
  else
    growth=$((${end% *} - ${one% *}))
    if [ "$growth" -le $((GOAL_MB * 1024)) ]; then verdict="pass"; else verdict="FAIL"; status=1; fi
    verdict+=" ($(mb "$growth") MB)"
  fi
  per_hour=
  [ -n "$mid" ] && [ -n "$end" ] &&
    per_hour=$(awk -v a="${mid% *}" -v b="${end% *}" -v s=$((end_s - mid_s)) 'BEGIN { printf "%+.1f MB", (b - a) / 1024 * 3600 / s }')
  rows+=("| $form | $(cell "$one") | $(cell "$mid") | $(cell "$end") | $per_hour | ${procs:-} | $verdict |")
  echo "$form: ${rows[-1]}"
  case $form in
    web) notes+=("web: $(grep -o 'halvorn bench: page at.*' "$out/program.log" | sed 's/", source.*//' | head -n 1 ||
      echo 'the page never logged its pace')") ;;
  esac
done

{
  echo "Memory of each form with 313 ships, $minutes minutes each: the least and the most MB the processes"
  echo "owned (anonymous and shared memory as PSS, summed over the form's processes; a sample every $SAMPLE_S s)"
  echo "in the second minute, in the minute up to the middle and in the last minute."
  echo
  echo "| Form | Second minute | Up to the middle ($mid_min min) | Last minute (to $minutes min) | Growth per hour of the least, middle to end | Processes | Goal: the least of the last minute at most $GOAL_MB MB above that of the second |"
  echo "|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  [ ${#notes[@]} -eq 0 ] || { echo; printf '%s\n' "${notes[@]}"; }
} >"$dir/table.md"
echo
cat "$dir/table.md"
[ -z "$table_file" ] || cp "$dir/table.md" "$table_file"
exit "$status"
