#!/usr/bin/env bash
# Runs halvorn as a module of the real XScreenSaver daemon on a virtual X
# display (Xvfb): a fresh home whose ~/.xscreensaver lists only Halvorn as a
# GL module, the daemon started, the screen blanked with xscreensaver-command;
# then the module must run under the daemon and paint a picture that is not
# black and that moves, and it must be gone once the screen is unblanked.
#
#   tests/packaging/xscreensaver_test.sh PROGRAM
#
# The daemon will not launch modules as root, so as root it runs as the user
# halvorntest (created when missing, with no home and no login shell); as
# anyone else it runs as that user. Needs Xvfb, xscreensaver,
# xscreensaver-command, xdpyinfo and ImageMagick (import, convert, compare);
# exits with 77 (skipped) without them. Every wait gives up after
# HALVORN_XSS_WAIT seconds (default 60); everything started is stopped on exit.
# HALVORN_XSS_KEEP=1 keeps the work folder (screenshots, daemon log).
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=common.sh
. "$here/common.sh"

program=${1:?usage: xscreensaver_test.sh PROGRAM}
[ -x "$program" ] || { echo "not an executable program: $program"; exit 2; }
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
skip_unless Xvfb xscreensaver xscreensaver-command xdpyinfo import convert compare pgrep timeout
wait_s=${HALVORN_XSS_WAIT:-60}

user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  skip_unless runuser
  user=halvorntest
  if ! id -u "$user" >/dev/null 2>&1; then
    skip_unless useradd
    useradd --system --user-group --no-create-home --home-dir /nonexistent \
      --shell /usr/sbin/nologin "$user" || { echo "cannot create the user $user"; exit 1; }
    echo "      created the user $user"
  fi
fi
# as_user COMMAND...: runs COMMAND as the daemon's user with a clean
# environment; gives up after 20 seconds.
as_user() { as_user_for 20 "$@"; }
as_user_for() {
  local seconds=$1; shift
  local env=(env -i "DISPLAY=$display" "HOME=$home" "USER=$user" "LOGNAME=$user"
             "SHELL=/bin/sh" "PATH=/usr/local/bin:/usr/bin:/bin")
  [ "$seconds" -gt 0 ] && env=(timeout "$seconds" "${env[@]}")
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$user" -- "${env[@]}" "$@"; else "${env[@]}" "$@"; fi
}

work=$(mktemp -d /tmp/halvorn-xss.XXXXXX)
chmod 755 "$work"
home=$work/home
mkdir -p "$home"
[ "$(id -u)" -eq 0 ] && chown "$user:" "$home"
display=
xvfb_pid=
runner_pid=
daemon_pid=

quietly() { "$@" >/dev/null 2>&1; }
# descendants PID: every process below PID, depth first.
descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}
# The halvorn processes the daemon runs (as its user, below our daemon).
modules() {
  local pid
  [ -n "$daemon_pid" ] || return 0
  for pid in $(descendants "$daemon_pid"); do
    [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = halvorn ] && echo "$pid"
  done
}
has_modules() { [ -n "$(modules)" ]; }
no_modules() { [ -z "$(modules)" ]; }

cleanup() {
  local pids pid
  if [ -n "$daemon_pid" ]; then
    pids="$(descendants "$daemon_pid") $daemon_pid"
    [ -n "$display" ] && as_user_for 5 xscreensaver-command -exit >/dev/null 2>&1
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in $pids; do kill -9 "$pid" 2>/dev/null; done
  fi
  [ -n "$runner_pid" ] && kill "$runner_pid" 2>/dev/null
  # Whatever a module left behind: the test user's processes on our display.
  if [ "$(id -u)" -eq 0 ] && [ -n "$display" ]; then
    for pid in $(pgrep -u "$user"); do
      tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qE "^DISPLAY=$display(\.[0-9]+)?$" &&
        kill -9 "$pid" 2>/dev/null
    done
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait_until 5 bash -c "! kill -0 $xvfb_pid 2>/dev/null" || kill -9 "$xvfb_pid" 2>/dev/null
  fi
  if [ "${HALVORN_XSS_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the display ------------------------------------------------------------

for n in $(seq 60 99); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 640x480x24 -br -nolisten tcp -noreset -ac >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  if wait_until 10 xdpyinfo -display ":$n" && kill -0 "$xvfb_pid" 2>/dev/null; then
    display=:$n
    break
  fi
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
done
if [ -z "$display" ]; then
  fail "Xvfb starts on a free display" "$(tail -n 3 "$work/xvfb.log")"
  finish; exit
fi
pass "Xvfb runs on $display"

# --- the daemon -------------------------------------------------------------

# The module's program must be reachable by the daemon's user.
if ! as_user test -x "$program"; then
  mkdir -p "$work/bin"
  cp "$program" "$work/bin/halvorn"
  chmod 755 "$work/bin" "$work/bin/halvorn"
  program=$work/bin/halvorn
  echo "      $user cannot run the program where it is; runs a copy: $program"
fi

cat >"$home/.xscreensaver" <<EOF
# XScreenSaver Preferences File
mode:		one
selected:	0
timeout:	12:00:00
cycle:		0:00:00
lock:		False
lockTimeout:	0:00:00
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages:	False
grabVideoFrames:	False
chooseRandomImages:	False
programs:							      \\
  GL:				$program --root				    \\n\\

EOF
[ "$(id -u)" -eq 0 ] && chown "$user:" "$home/.xscreensaver"

as_user_for 0 xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
runner_pid=$!
if [ "$(id -u)" -eq 0 ]; then
  # runuser waits for its child, the daemon.
  wait_until 10 pgrep -P "$runner_pid"
  daemon_pid=$(pgrep -P "$runner_pid" | head -n 1)
else
  daemon_pid=$runner_pid
fi

daemon_log() { tail -n 8 "$work/daemon.log" | tr '\n' ' '; }
if [ -n "$daemon_pid" ] && wait_until "$wait_s" as_user xscreensaver-command -version; then
  pass "the daemon answers xscreensaver-command (as $user)"
else
  fail "the daemon answers xscreensaver-command (as $user)" "$(daemon_log)"
  finish; exit
fi

# --- blanking: the module runs and draws ------------------------------------

shot() { timeout 30 import -display "$display" -window root "$1" >/dev/null 2>&1; }
# The share of pixels brighter than 5 % grey.
lit() { convert "$1" -colorspace Gray -threshold 5% -format '%[fx:mean]' info: 2>/dev/null; }
lit_enough() { shot "$work/shot-1.png" && awk -v v="$(lit "$work/shot-1.png")" 'BEGIN {exit !(v > 0.005)}'; }

shot "$work/shot-0.png"
check "the screen is black before blanking" test "$(lit "$work/shot-0.png")" = 0
check "xscreensaver-command -activate" quietly as_user xscreensaver-command -activate
if wait_until "$wait_s" has_modules; then
  pid=$(modules | head -n 1)
  pass "halvorn runs under the daemon as $(ps -o user= -p "$pid"): $(tr '\0' ' ' <"/proc/$pid/cmdline")"
  check "the module runs as $user" test "$(ps -o user= -p "$pid")" = "$user"
  check "the module is given --root" grep -qxF -- --root <(tr '\0' '\n' <"/proc/$pid/cmdline")
else
  fail "halvorn runs under the daemon" "$(daemon_log)"
  finish; exit
fi

if wait_until "$wait_s" lit_enough; then
  pass "the screen shows a picture ($(lit "$work/shot-1.png") of it lit)"
else
  fail "the screen shows a picture" "lit: $(lit "$work/shot-1.png"); $(daemon_log)"
fi
sleep 1
shot "$work/shot-2.png"
# compare prints the number of pixels that differ by more than 3 %.
changed=$(compare -metric AE -fuzz 3% "$work/shot-1.png" "$work/shot-2.png" null: 2>&1 | cut -d' ' -f1)
if [[ "$changed" =~ ^[0-9.e+]+$ ]] && awk -v c="$changed" 'BEGIN {exit !(c >= 200)}'; then
  pass "the picture changes within a second ($changed pixels)"
else
  fail "the picture changes within a second" "pixels changed: $changed"
fi
check "the module is still running" has_modules

# --- unblanking: the module goes ---------------------------------------------

check "xscreensaver-command -deactivate" quietly as_user xscreensaver-command -deactivate
if wait_until 15 no_modules; then
  pass "no halvorn is left once the screen is unblanked"
else
  fail "no halvorn is left once the screen is unblanked" "still running: $(modules | tr '\n' ' ')"
fi
check "xscreensaver-command -exit" quietly as_user xscreensaver-command -exit
if wait_until 15 bash -c "! kill -0 $daemon_pid 2>/dev/null"; then
  pass "the daemon exits"
  daemon_pid=
else
  fail "the daemon exits"
fi

finish
