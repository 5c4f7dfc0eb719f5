#!/usr/bin/env bash
# End-to-end suite of the program `halvorn` on an X display: runs it under a
# virtual X server (Xvfb) of its own, in its own window, on a window someone
# else made (--window-id), and as a screen-saver module (--root), and drives
# it with xdotool and the helper x11_test_window as a user, a window manager
# or XScreenSaver would.
#
#   tests/linux/run_x11_e2e.sh HALVORN HELPER
#       the suite; HALVORN is the program, HELPER is x11_test_window
#   tests/linux/run_x11_e2e.sh --perf HALVORN [SECONDS]
#       CPU share and frame rate of paced runs at the default settings, at
#       1280x720 and 1024x768, SECONDS each (default 20) after 3 s to settle;
#       the same battle every time (seed $HALVORN_PERF_SEED, default 7)
#
# Needs Xvfb, xdotool, xwininfo, xprop and ImageMagick (import, convert,
# compare); without them it exits with 77 (skipped). Prints one line per
# check and ends with "N passed, M failed"; the exit status is 1 when any
# check failed, 2 when the display cannot be started. HALVORN_E2E_KEEP=1
# keeps the work folder (screenshots, logs).
set -u

mode=suite
if [ "${1:-}" = "--perf" ]; then
  mode=perf
  shift
fi
halvorn=${1:-}
helper=${2:-}
[ -n "$halvorn" ] && [ -x "$halvorn" ] || { echo "usage: $0 HALVORN HELPER | --perf HALVORN [SECONDS]"; exit 2; }
if [ "$mode" = suite ]; then
  [ -n "$helper" ] && [ -x "$helper" ] || { echo "usage: $0 HALVORN HELPER"; exit 2; }
fi
for tool in Xvfb xdotool xwininfo xprop import convert compare; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (suite skipped)"; exit 77; }
done

# The program draws on Wayland where WAYLAND_DISPLAY is set: this suite is X's.
unset WAYLAND_DISPLAY
work=$(mktemp -d /tmp/halvorn-x11.XXXXXX)
passed=0
failed=0
xvfb_pid=
background_pids=()

cleanup() {
  for p in "${background_pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "${HALVORN_E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

pass() { passed=$((passed + 1)); echo "PASS  $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1${2:+ -- $2}"; }

# Polls COMMAND every 0.1 s until it succeeds or SECONDS pass.
wait_until() {
  local seconds=$1; shift
  local deadline=$(( $(now_ms) + seconds * 1000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.1
  done
}

here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_common.sh
. "$here/e2e_common.sh"

# --- the display -----------------------------------------------------------------

# The first display number from 90 up that is free and on which Xvfb starts.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb-$n.log" 2>&1 &
    xvfb_pid=$!
    if wait_until 10 eval "[ -e /tmp/.X11-unix/X$n ] || ! kill -0 $xvfb_pid" && kill -0 "$xvfb_pid" 2>/dev/null &&
       wait_until 10 xwininfo -display ":$n" -root; then
      export DISPLAY=:$n
      return 0
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
  done
  return 1
}
start_xvfb || { echo "Xvfb does not start on any display from :90 to :140"; exit 2; }
echo "display $DISPLAY"

# --- processes ---------------------------------------------------------------------

# The program's own top-level window.
halvorn_window() { xdotool search --name '^Halvorn$' 2>/dev/null | head -n1; }
has_halvorn_window() { [ -n "$(halvorn_window)" ]; }
# Windows directly below the root.
top_level_count() { xwininfo -root -children | awk '/^ +0x/ { n++ } END { print n + 0 }'; }

# make_window NAME W H [DEPTH]: a test window from the helper; its id in
# $win, the pipe to its commands on descriptor 5.
make_window() {
  local name=$1; shift
  rm -f "$work/$name.ctl" "$work/$name.out"
  mkfifo "$work/$name.ctl"
  "$helper" window "$@" <"$work/$name.ctl" >"$work/$name.out" 2>&1 &
  helper_pid=$!
  background_pids+=("$helper_pid")
  exec 5>"$work/$name.ctl"
  wait_until 10 grep -q '^0x' "$work/$name.out" || { win=; return 1; }
  win=$(grep -m1 '^0x' "$work/$name.out")
}
# window_command NAME COMMAND: sends a command to the test window and waits for its "ok".
window_command() {
  local before; before=$(grep -c '^ok' "$work/$1.out")
  echo "$2" >&5
  wait_until 10 eval "[ \$(grep -c '^ok' '$work/$1.out') -gt $before ]"
}
# destroy_window: destroys the test window and reaps the helper.
destroy_window() {
  echo destroy >&5
  exec 5>&-
  wait "$helper_pid" 2>/dev/null
}

# --- pictures -----------------------------------------------------------------------

# shot WINDOW FILE: a screenshot of the window.
shot() { import -window "$1" "$2" 2>/dev/null; }
# Yellow pixels (red and green above 70 %, blue below 30 %) in a part of the picture.
yellow_pixels() {
  convert "$1" -crop "$2" +repage -depth 8 txt:- | awk -F'[(),]' 'NR > 1 && $3 > 180 && $4 > 180 && $5 < 80 { n++ } END { print n + 0 }'
}

# --- CPU share and frame rate ------------------------------------------------------------

if [ "$mode" = perf ]; then
  seconds=${helper:-20}
  tck=$(getconf CLK_TCK)
  cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
  for size in 1280x720 1024x768; do
    start_halvorn "perf-$size" --fps --size "$size" --seed "${HALVORN_PERF_SEED:-7}"
    sleep 3
    t0=$(now_ms); c0=$(cpu_ticks "$pid"); x0=$(cpu_ticks "$xvfb_pid")
    sleep "$seconds"
    t1=$(now_ms); c1=$(cpu_ticks "$pid"); x1=$(cpu_ticks "$xvfb_pid")
    kill -TERM "$pid"
    ended_with "$pid" 5
    fps=$(grep -o '[0-9.]* Frames Per Second' "$work/perf-$size.log" | tail -n +4 |
          awk '{ s += $1; n++ } END { if (n) printf "%.1f", s / n; else print "?" }')
    awk -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v t=$((t1 - t0)) -v k="$tck" -v s="$size" -v f="$fps" -v e="$code" 'BEGIN {
      printf "%s: %.1f%% of a core (Xvfb %.1f%%), %s frames per second, exit %s\n", s, 100 * c * 1000 / k / t, 100 * x * 1000 / k / t, f, e }'
  done
  exit 0
fi

# --- its own window ---------------------------------------------------------------------

echo "-- own window"
start_halvorn window --letterbox --fps --seed 5
if wait_until 30 has_halvorn_window; then
  id=$(halvorn_window)
  pass "window: a top-level window named 'Halvorn' appears"
  props=$(xprop -id "$id")
  grep -q '^WM_CLASS(STRING) = "halvorn", "halvorn"' <<<"$props" && grep -q '^_NET_WM_NAME(UTF8_STRING) = "Halvorn"' <<<"$props" &&
    grep -q 'WM_PROTOCOLS.*WM_DELETE_WINDOW' <<<"$props" &&
    pass "window: class 'halvorn', _NET_WM_NAME 'Halvorn', WM_DELETE_WINDOW protocol" ||
    fail "window: class, _NET_WM_NAME and WM_DELETE_WINDOW protocol" "$(grep -E 'WM_CLASS|_NET_WM_NAME|WM_PROTOCOLS' <<<"$props" | tr '\n' ' ')"
  picture_checks window "shot $id" 1280 720
  letterbox_checks window "$work/window-b.png" 1280 720 20
  yellow=$(yellow_pixels "$work/window-b.png" 600x20+0+700)
  [ "$yellow" -ge 100 ] && pass "window: the frame-rate line is drawn at the bottom left ($yellow yellow pixels)" ||
    fail "window: the frame-rate line is drawn at the bottom left" "$yellow yellow pixels"
  grep -q 'Frames Per Second' "$work/window.log" && pass "window: the frame-rate line goes to stderr" ||
    fail "window: the frame-rate line goes to stderr"

  xdotool windowsize "$id" 640 360
  sleep 1.5
  shot "$id" "$work/window-small.png"
  [ "$(size_of "$work/window-small.png")" = 640x360 ] && is_lit "$work/window-small.png" &&
    pass "window: resized to 640x360, the picture follows" ||
    fail "window: resized to 640x360, the picture follows" "$(size_of "$work/window-small.png")"
  letterbox_checks "window 640x360" "$work/window-small.png" 640 360 20

  xdotool key --window "$id" q 2>/dev/null
  ended_with "$pid" 10
  [ "$code" = 0 ] && pass "window: q closes it with status 0" || fail "window: q closes it with status 0" "status $code"
else
  fail "window: a top-level window named 'Halvorn' appears" "$(head -c 300 "$work/window.log")"
  kill "$pid" 2>/dev/null
fi

# close_check NAME HOW ARGS...: starts a small window and closes it with HOW.
close_check() {
  local name=$1 how=$2; shift 2
  start_halvorn "$name" --size 320x200 "$@"
  if ! wait_until 30 has_halvorn_window; then
    fail "$name: the window appears" "$(head -c 300 "$work/$name.log")"
    kill "$pid" 2>/dev/null
    return
  fi
  local id; id=$(halvorn_window)
  sleep 0.5
  case "$how" in
    close) "$helper" close "$id" ;;
    *) xdotool key --window "$id" "$how" 2>/dev/null ;;
  esac
  ended_with "$pid" 10
  [ "$code" = 0 ] && pass "$name: closed by $how with status 0" || fail "$name: closed by $how with status 0" "status $code"
  wait_until 5 eval '! has_halvorn_window' && pass "$name: its window is gone" || fail "$name: its window is gone"
}
close_check "close button" close
close_check "Escape" Escape
close_check "shift-Q" Q --fullscreen

# The full-screen request, without a window manager to grant it: the state
# property is in place for the one that maps the window.
start_halvorn fullscreen --fullscreen --size 320x200
if wait_until 30 has_halvorn_window; then
  id=$(halvorn_window)
  xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN &&
    pass "fullscreen: _NET_WM_STATE asks for _NET_WM_STATE_FULLSCREEN" ||
    fail "fullscreen: _NET_WM_STATE asks for _NET_WM_STATE_FULLSCREEN" "$(xprop -id "$id" _NET_WM_STATE)"
  sleep 0.5
  kill -TERM "$pid"
  ended_with "$pid" 5
  [ "$code" = 0 ] && [ "$took" -le 1000 ] && pass "SIGTERM: ends with status 0 in $took ms" ||
    fail "SIGTERM: ends with status 0 within 1 s" "status $code after $took ms"
else
  fail "fullscreen: the window appears" "$(head -c 300 "$work/fullscreen.log")"
fi

# --- someone else's window --------------------------------------------------------------

# embedded_checks NAME DEPTH: the program draws on a test window of the
# given visual depth (0: the default visual), follows its size, makes no
# top-level window and ends when the window is destroyed.
embedded_checks() {
  local name=$1 depth=$2 file; file=$(slug "$1")
  if ! make_window "$file" 400 300 $([ "$depth" != 0 ] && echo "$depth"); then
    fail "$name: the test window" "$(cat "$work/$file.out")"
    return
  fi
  local tops; tops=$(top_level_count)
  start_halvorn "$file" --window-id "$win" --letterbox
  picture_checks "$name" "shot $win" 400 300
  [ "$(top_level_count)" = "$tops" ] && ! has_halvorn_window && pass "$name: no window of its own at the top level" ||
    fail "$name: no window of its own at the top level" "$(top_level_count) top-level windows, $tops before"
  letterbox_checks "$name" "$work/$file-b.png" 400 300 0
  window_command "$file" "resize 480 240"
  sleep 1.5
  shot "$win" "$work/$file-resized.png"
  [ "$(size_of "$work/$file-resized.png")" = 480x240 ] && is_lit "$work/$file-resized.png" &&
    pass "$name: the picture follows the window to 480x240" ||
    fail "$name: the picture follows the window to 480x240" "$(size_of "$work/$file-resized.png")"
  letterbox_checks "$name 480x240" "$work/$file-resized.png" 480 240 0
  destroy_window
  ended_with "$pid" 10
  [ "$code" = 0 ] && pass "$name: destroying the window ends it with status 0" ||
    fail "$name: destroying the window ends it with status 0" "status $code"
  [ ! -s "$work/$file.log" ] && pass "$name: nothing on stderr" || fail "$name: nothing on stderr" "$(head -c 300 "$work/$file.log")"
}
echo "-- --window-id"
embedded_checks "window-id" 0
embedded_checks "window-id, 32-bit visual" 32

# A window destroyed while frames come as fast as they can: the frame in
# flight meets a window that is gone.
for i in 1 2 3; do
  make_window race 200 150 || break
  start_halvorn "race-$i" --window-id "$win" --frame-ms 1
  sleep "0.$((3 * i))"
  destroy_window
  ended_with "$pid" 10
  [ "$code" = 0 ] && [ ! -s "$work/race-$i.log" ] || { fail "window-id: destroyed during a frame ($i)" "status $code: $(head -c 300 "$work/race-$i.log")"; continue; }
  [ "$i" = 3 ] && pass "window-id: a window destroyed during a frame ends it quietly with status 0 (3 times)"
done

echo "-- --root"
if make_window xss 360 240; then
  tops=$(top_level_count)
  XSCREENSAVER_WINDOW=$win start_halvorn xss -root
  picture_checks "root, XSCREENSAVER_WINDOW" "shot $win" 360 240
  [ "$(top_level_count)" = "$tops" ] && ! has_halvorn_window && pass "root, XSCREENSAVER_WINDOW: no window of its own" ||
    fail "root, XSCREENSAVER_WINDOW: no window of its own"
  kill -TERM "$pid"
  ended_with "$pid" 5
  [ "$code" = 0 ] && [ "$took" -le 1000 ] && pass "root, XSCREENSAVER_WINDOW: SIGTERM ends it with status 0 in $took ms" ||
    fail "root, XSCREENSAVER_WINDOW: SIGTERM ends it with status 0 within 1 s" "status $code after $took ms"
  destroy_window
else
  fail "root: the test window" "$(cat "$work/xss.out")"
fi

# No XSCREENSAVER_WINDOW: the screen's root window.
XSCREENSAVER_WINDOW= start_halvorn root --root --size 320x200
root_id=$(xwininfo -root | awk '/Window id:/ { print $4 }')
if wait_until 20 eval "shot $root_id $work/root.png && is_lit $work/root.png"; then
  pass "root: draws on the root window ($(size_of "$work/root.png"))"
else
  fail "root: draws on the root window" "$(kill -0 "$pid" 2>/dev/null && echo running || echo ended): $(head -c 300 "$work/root.log")"
fi
kill -INT "$pid"
ended_with "$pid" 5
[ "$code" = 0 ] && [ "$took" -le 1000 ] && pass "SIGINT: ends with status 0 in $took ms" ||
  fail "SIGINT: ends with status 0 within 1 s" "status $code after $took ms"

# --- failures: status 1 and one line ---------------------------------------------------------

echo "-- failures"
failure_check "bad --window-id" "^halvorn: window 0x1234567 does not exist$" "$halvorn" --window-id 0x1234567
failure_check "bad XSCREENSAVER_WINDOW" "^halvorn: window 0x1234567 does not exist$" XSCREENSAVER_WINDOW=0x1234567 "$halvorn" --root
failure_check "unreadable XSCREENSAVER_WINDOW" "^halvorn: XSCREENSAVER_WINDOW is not a window id" XSCREENSAVER_WINDOW=nowhere "$halvorn" -root
failure_check "no DISPLAY" "^halvorn: no X display (set DISPLAY, or use --headless)$" -u DISPLAY "$halvorn"
unused=999
while [ -e "/tmp/.X11-unix/X$unused" ]; do unused=$((unused + 1)); done
failure_check "DISPLAY=:$unused" "^halvorn: cannot open X display :$unused" DISPLAY=:$unused "$halvorn"
failure_check "DISPLAY=:$unused with --window-id" "^halvorn: cannot open X display" DISPLAY=:$unused "$halvorn" --window-id 0x400001

# --- frames ---------------------------------------------------------------------------------

timeout 60 "$halvorn" --frames 20 --frame-ms 10 --size 200x120 >"$work/frames.log" 2>&1
status=$?
[ "$status" = 0 ] && ! has_halvorn_window && pass "--frames 20: ends by itself with status 0" ||
  fail "--frames 20: ends by itself with status 0" "status $status: $(head -c 300 "$work/frames.log")"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
