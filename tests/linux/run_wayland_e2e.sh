#!/usr/bin/env bash
# End-to-end suites of the program `halvorn` on real Wayland compositors with
# no GPU and no screen: sway 1.7 (wlroots, with the layer shell) and weston 10
# (without it), each headless, started by the suite as an unprivileged user
# (as root: the user halvorntest, created when missing) with its own
# XDG_RUNTIME_DIR. Screenshots come from grim (sway) and weston-screenshooter
# (weston), input from wtype and the helper wl_test_pointer.
#
#   tests/linux/run_wayland_e2e.sh sway HALVORN POINTER   (POINTER: wl_test_pointer)
#   tests/linux/run_wayland_e2e.sh weston HALVORN
#
# (scripts/bench-wayland.sh measures the window against the X11 one.)
#
# Exits with 77 (skipped) when a tool is missing; prints one line per check and
# ends with "N passed, M failed". HALVORN_E2E_KEEP=1 keeps the work folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../packaging/common.sh
. "$here/../packaging/common.sh"
# shellcheck source=e2e_common.sh
. "$here/e2e_common.sh"

mode=${1:-}
halvorn=${2:-}
usage="usage: $0 sway HALVORN POINTER | weston HALVORN"
case "$mode" in sway | weston) ;; *) echo "$usage"; exit 2 ;; esac
[ -n "$halvorn" ] && [ -x "$halvorn" ] || { echo "$usage"; exit 2; }
halvorn=$(cd "$(dirname "$halvorn")" && pwd)/$(basename "$halvorn")
pointer_helper=${3:-}
if [ "$mode" = weston ]; then
  skip_unless weston weston-screenshooter convert compare timeout
else
  skip_unless sway swaymsg swayidle grim wtype jq convert compare timeout
fi
[ "$mode" = sway ] && { [ -x "$pointer_helper" ] || { echo "$usage"; exit 2; }; }

user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  # Neither compositor runs as root.
  skip_unless runuser useradd
  user=halvorntest
  if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
      { echo "cannot create the user $user"; exit 1; }
  fi
fi

work=$(mktemp -d /tmp/halvorn-wayland.XXXXXX)
chmod 755 "$work"
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
[ "$(id -u)" -eq 0 ] && chown "$user:" "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY DISPLAY SWAYSOCK
compositor_pid=
background_pids=()

# as_user COMMAND...: the compositor's user, with a clean environment.
as_user() {
  local env=(env -i "PATH=/usr/local/bin:/usr/bin:/bin" "HOME=$work" "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"
             "WLR_BACKENDS=headless" "WLR_LIBINPUT_NO_DEVICES=1" "WLR_RENDERER=pixman")
  if [ "$(id -u)" -eq 0 ]; then runuser -u "$user" -- "${env[@]}" "$@"; else "${env[@]}" "$@"; fi
}

# The compositor itself, below the subshell and runuser.
compositor_process() {
  local p=$compositor_pid
  while [ -n "$p" ] && ! [[ "$(ps -o comm= -p "$p")" =~ ^(sway|weston)$ ]]; do p=$(pgrep -P "$p" | head -n 1); done
  echo "${p:-$compositor_pid}"
}

cleanup() {
  local p
  for p in "${background_pids[@]}"; do kill "$p" 2>/dev/null; done
  if [ -n "$compositor_pid" ]; then
    kill "$(compositor_process)" "$compositor_pid" 2>/dev/null
    wait_until 5 bash -c "! kill -0 $compositor_pid 2>/dev/null" || kill -9 "$compositor_pid" 2>/dev/null
  fi
  if [ "${HALVORN_E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# stop_halvorn: SIGTERM to $pid; passes when it ends with 0 within a second.
stop_halvorn() {
  kill -TERM "$pid" 2>/dev/null
  ended_with "$pid" 5
  [ "$code" = 0 ] && [ "$took" -le 1000 ] && pass "$1: SIGTERM ends it with status 0 in $took ms" ||
    fail "$1: SIGTERM ends it with status 0 within 1 s" "status $code after $took ms: $(head -c 300 "$work/$1.log")"
}

# --- the compositors -------------------------------------------------------------------

# wait_for_socket SECONDS: sets WAYLAND_DISPLAY to the compositor's socket.
wait_for_socket() {
  local socket
  wait_until "$1" bash -c "ls '$XDG_RUNTIME_DIR' | grep -qE '^wayland-[0-9a-z]+$'" || return 1
  socket=$(ls "$XDG_RUNTIME_DIR" | grep -E '^wayland-[0-9a-z]+$' | head -n 1)
  export WAYLAND_DISPLAY=$socket
}

# start_sway OUTPUT-SIZE: headless sway with one output and no borders or bar.
start_sway() {
  cat >"$work/sway.conf" <<EOF
default_border none
default_floating_border none
xwayland disable
output HEADLESS-1 resolution $1 position 0 0
EOF
  as_user sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
  compositor_pid=$!
  wait_for_socket 30 && wait_until 30 bash -c "ls '$XDG_RUNTIME_DIR'/sway-ipc.*.sock" || return 1
  SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n 1)
  export SWAYSOCK
  wait_until 30 swaymsg -t get_outputs
}

# CPU time a process has used, clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# grim_output NAME FILE: a screenshot of an output (at its full resolution).
grim_output() { grim -o "$1" "$2" 2>/dev/null; }
# The node of the program's window in sway's tree (JSON), and its rectangle as grim takes it.
window_node() { swaymsg -t get_tree | jq -c '[recurse(.nodes[]?, .floating_nodes[]?) | select(.app_id == "halvorn")][0] // empty'; }
window_rect() { window_node | jq -r '.rect | "\(.x),\(.y) \(.width)x\(.height)"'; }
has_window() { [ -n "$(window_node)" ]; }
shot_window() { grim -g "$(window_rect)" "$1" 2>/dev/null; }

# =====================================================================================

if [ "$mode" = weston ]; then
  cat >"$work/weston.ini" <<EOF
[core]
idle-time=0
[shell]
panel-position=none
locking=false
EOF
  as_user weston --config="$work/weston.ini" --backend=headless-backend.so --use-gl --width=640 --height=360 \
    --socket=wayland-h --debug >"$work/weston.log" 2>&1 &
  compositor_pid=$!
  if wait_for_socket 30; then
    pass "weston runs headless ($WAYLAND_DISPLAY)"
  else
    fail "weston runs headless" "$(tail -n 3 "$work/weston.log")"
    finish; exit
  fi
  # weston-screenshooter writes wayland-screenshot-*.png where it runs.
  shoot() {
    rm -f "$work"/shots/*.png
    mkdir -p "$work/shots"
    (cd "$work/shots" && timeout 20 weston-screenshooter >/dev/null 2>&1) && mv "$work"/shots/*.png "$1" 2>/dev/null
  }
  # The desktop, once weston has faded it in: two screenshots alike.
  desktop_drawn() {
    cp "$work/desktop.png" "$work/desktop-before.png" 2>/dev/null
    shoot "$work/desktop.png" && [ -f "$work/desktop-before.png" ] &&
      [ "$(pixels_differing "$work/desktop-before.png" "$work/desktop.png")" = 0 ]
  }
  wait_until 20 desktop_drawn && pass "weston-screenshooter takes the desktop" ||
    fail "weston-screenshooter takes the desktop"
  # Pixels of a screenshot that differ from the desktop's.
  differs() { pixels_differing "$work/desktop.png" "$1"; }

  echo "-- --saver without a layer shell"
  start_halvorn saver --saver --seed 4
  picture_checks saver shoot 640 360
  [ "$(differs "$work/saver-b.png")" -gt $(( 640 * 360 * 99 / 100 )) ] &&
    pass "saver: a full-screen window covers the output ($(differs "$work/saver-b.png") of 230400 pixels)" ||
    fail "saver: a full-screen window covers the output" "$(differs "$work/saver-b.png") of 230400 pixels differ from the desktop"
  stop_halvorn saver

  echo "-- the window, decorated by libdecor"
  # After weston's fading out of the saver: the picture, and around it the
  # frame and shadow libdecor draws (its title bar may be above the output).
  wait_until 10 eval 'shoot $work/after.png && [ $(differs $work/after.png) -lt 100 ]'
  start_halvorn window --size 320x200 --seed 4
  window_shows() { shoot "$work/window.png" && (( $(differs "$work/window.png") > 65000 && $(differs "$work/window.png") < 100000 )); }
  wait_until 20 window_shows && pass "window: its 320x200 picture and libdecor's frame show ($(differs "$work/window.png") pixels)" ||
    fail "window: its 320x200 picture and libdecor's frame show" "$(differs "$work/window.png") pixels differ from the desktop"
  stop_halvorn window
  failure_check "--wallpaper without a layer shell" "layer shell" "$halvorn" --wallpaper
  finish
  exit
fi

# =====================================================================================
# sway

if start_sway 640x360; then
  pass "sway runs headless ($WAYLAND_DISPLAY)"
else
  fail "sway runs headless" "$(tail -n 3 "$work/sway.log")"
  finish; exit
fi

echo "-- the window"
start_halvorn window --letterbox --fps --seed 5
if wait_until 30 has_window; then
  node=$(window_node)
  [ "$(jq -r '"\(.name) \(.shell) \(.border)"' <<<"$node")" = "Halvorn xdg_shell none" ] &&
    pass "window: an xdg_toplevel 'Halvorn' (app_id halvorn), decorated by sway, not by itself" ||
    fail "window: an xdg_toplevel 'Halvorn' decorated by sway" "$(jq -c '{name, shell, border}' <<<"$node")"
  picture_checks window shot_window 640 360
  letterbox_checks window "$work/window-b.png" 640 360 20
  grep -q 'Frames Per Second' "$work/window.log" && pass "window: the frame-rate line goes to stderr" ||
    fail "window: the frame-rate line goes to stderr"

  swaymsg '[app_id="halvorn"] floating enable, resize set 400 240' >/dev/null
  wait_until 10 eval '[ "$(window_node | jq -r .rect.width)x$(window_node | jq -r .rect.height)" = 400x240 ]'
  sleep 1
  shot_window "$work/window-small.png"
  [ "$(size_of "$work/window-small.png")" = 400x240 ] && is_lit "$work/window-small.png" &&
    pass "window: resized to 400x240, the picture follows" ||
    fail "window: resized to 400x240, the picture follows" "$(size_of "$work/window-small.png")"
  letterbox_checks "window 400x240" "$work/window-small.png" 400 240 20

  wtype -s 500 q
  ended_with "$pid" 10
  [ "$code" = 0 ] && pass "window: q closes it with status 0" || fail "window: q closes it with status 0" "status $code"
else
  fail "window: an xdg_toplevel appears" "$(head -c 300 "$work/window.log")"
fi

echo "-- --fullscreen"
start_halvorn fullscreen --fullscreen --size 320x200
if wait_until 30 eval '[ "$(window_node | jq -r .fullscreen_mode)" = 1 ]'; then
  sleep 1
  grim_output HEADLESS-1 "$work/fullscreen.png"
  [ "$(window_rect)" = "0,0 640x360" ] && is_lit "$work/fullscreen.png" "640x40+0+0" &&
    is_lit "$work/fullscreen.png" "640x40+0+320" &&
    pass "fullscreen: the window covers the output, 640x360" ||
    fail "fullscreen: the window covers the output" "rect $(window_rect)"
else
  fail "fullscreen: sway makes it full screen" "$(window_node | jq -c '{fullscreen_mode, rect}')"
fi
stop_halvorn fullscreen

echo "-- --wallpaper"
start_halvorn wallpaper --wallpaper --fps --seed 8
wallpaper_pid=$pid
picture_checks wallpaper "grim_output HEADLESS-1" 640 360
start_halvorn over --letterbox --seed 8
wait_until 30 has_window
sleep 1
grim_output HEADLESS-1 "$work/wallpaper-under.png"
# The window's letterbox bars show: the wallpaper is under it.
letterbox_checks "wallpaper under a window" "$work/wallpaper-under.png" 640 360 0
kill -TERM "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
# Under a full-screen window sway shows the wallpaper no frames: it draws
# none, and its battle's clock waits.
start_halvorn cover --fullscreen
wait_until 30 eval '[ "$(window_node | jq -r .fullscreen_mode)" = 1 ]'
sleep 1
c0=$(cpu_ticks "$wallpaper_pid")
sleep 3
c1=$(cpu_ticks "$wallpaper_pid")
[ $((c1 - c0)) -le 3 ] && pass "wallpaper: hidden by a full-screen window, it draws nothing ($((c1 - c0)) CPU ticks in 3 s)" ||
  fail "wallpaper: hidden by a full-screen window, it draws nothing" "$((c1 - c0)) CPU ticks in 3 s"
kill -TERM "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
sleep 1.5
# The frames after the first (timed from the program's start) never step
# the battle by the seconds it was hidden.
longest=$(grep -o '^[0-9]* miliseconds' "$work/wallpaper.log" | tail -n +2 | sort -n | tail -n 1 | cut -d' ' -f1)
grim_output HEADLESS-1 "$work/wallpaper-back.png" && [ "$(pixels_differing "$work/wallpaper-b.png" "$work/wallpaper-back.png")" -gt 230 ] &&
  [ "${longest:-9999}" -lt 1000 ] &&
  pass "wallpaper: shown again, it goes on where it stopped (longest frame $longest ms)" ||
  fail "wallpaper: shown again, it goes on where it stopped" "longest frame ${longest:-none} ms"
pid=$wallpaper_pid
stop_halvorn wallpaper

echo "-- scale 2"
swaymsg output HEADLESS-1 resolution 1280x720 scale 2 >/dev/null
HALVORN_WAYLAND_VERBOSE=1 start_halvorn scale2 --wallpaper --seed 9
if wait_until 20 eval "grim_output HEADLESS-1 $work/scale2.png && is_lit $work/scale2.png"; then
  grep -q 'HEADLESS-1: 640x360 at scale 2, buffer 1280x720' "$work/scale2.log" &&
    pass "scale 2: a 640x360 surface draws a 1280x720 buffer" ||
    fail "scale 2: a 640x360 surface draws a 1280x720 buffer" "$(grep buffer "$work/scale2.log")"
  # Pixels brighter than all eight neighbours by a tenth: far stars and the
  # like. A picture drawn at half the resolution and scaled up by the
  # compositor, whatever its filter, has none.
  peaks() {
    convert "$1" -colorspace gray \( +clone -morphology Dilate Ring:1 \) -compose Minus_Src -composite \
      -threshold 10% -format '%[fx:int(mean*w*h)]' info:
  }
  convert "$work/scale2.png" -scale 50% -filter Triangle -resize 200% "$work/scale2-half.png"
  [ "$(peaks "$work/scale2.png")" -ge 20 ] &&
    pass "scale 2: the screenshot has single-pixel detail ($(peaks "$work/scale2.png") lone bright pixels)" ||
    fail "scale 2: the screenshot has single-pixel detail" \
      "$(peaks "$work/scale2.png") lone bright pixels; the picture at half resolution scaled up has $(peaks "$work/scale2-half.png")"
else
  fail "scale 2: the wallpaper shows" "$(head -c 300 "$work/scale2.log")"
fi
stop_halvorn scale2
swaymsg output HEADLESS-1 resolution 640x360 scale 1 >/dev/null

echo "-- --saver over two outputs"
swaymsg create_output >/dev/null
second=$(swaymsg -t get_outputs | jq -r '[.[].name | select(. != "HEADLESS-1")][0]')
swaymsg output "$second" resolution 480x270 position 640 0 >/dev/null
start_halvorn under --letterbox --seed 6
under_pid=$pid
wait_until 30 has_window
start_halvorn saver --saver --seed 6
picture_checks saver "grim_output HEADLESS-1" 640 360
picture_checks saver-2 "grim_output $second" 480 270
is_lit "$work/saver-b.png" "640x30+0+0" && pass "saver: over the window (its letterbox bar is covered)" ||
  fail "saver: over the window" "the top rows are black"
swaymsg create_output >/dev/null
third=$(swaymsg -t get_outputs | jq -r '[.[].name | select(. != "HEADLESS-1" and . != "'"$second"'")][0]')
swaymsg output "$third" resolution 320x180 position 1120 0 >/dev/null
wait_until 20 eval "grim_output $third $work/saver-3.png && is_lit $work/saver-3.png" &&
  pass "saver: an output added while it runs is covered too ($third)" || fail "saver: an output added while it runs is covered"
swaymsg output "$third" disable >/dev/null
sleep 1
kill -0 "$pid" 2>/dev/null && grim_output HEADLESS-1 "$work/saver-c.png" &&
  [ "$(pixels_differing "$work/saver-b.png" "$work/saver-c.png")" -gt 230 ] &&
  pass "saver: goes on when an output goes" || fail "saver: goes on when an output goes" "$(tail -n 2 "$work/saver.log")"

# A first movement enters the surface; movement counts from there.
"$pointer_helper" 1 0 2 1
sleep 1
kill -0 "$pid" 2>/dev/null && pass "saver: the pointer moved 3 pixels does not end it" ||
  fail "saver: the pointer moved 3 pixels does not end it"
"$pointer_helper" 1 0 30 0
ended_with "$pid" 5
[ "$code" = 0 ] && pass "saver: the pointer moved 30 pixels ends it with status 0 in $took ms" ||
  fail "saver: the pointer moved 30 pixels ends it with status 0" "status $code: $(head -c 300 "$work/saver.log")"

echo "-- --saver from swayidle"
cat >"$work/saver.sh" <<EOF
#!/bin/sh
"$halvorn" --saver >"$work/idle-saver.log" 2>&1
echo \$? >"$work/idle-saver.status"
EOF
chmod +x "$work/saver.sh"
swayidle -w timeout 2 "$work/saver.sh" resume "touch $work/resumed" >"$work/swayidle.log" 2>&1 &
swayidle_pid=$!
background_pids+=("$swayidle_pid")
if wait_until 20 eval "grim_output HEADLESS-1 $work/idle.png && is_lit $work/idle.png 640x30+0+0"; then
  pass "swayidle: starts the saver after its timeout"
  wtype -s 500 a
  wait_until 10 test -s "$work/idle-saver.status"
  [ "$(cat "$work/idle-saver.status" 2>/dev/null)" = 0 ] && pass "swayidle: a key ends the saver with status 0" ||
    fail "swayidle: a key ends the saver with status 0" "status $(cat "$work/idle-saver.status" 2>/dev/null)"
  wait_until 10 test -e "$work/resumed" && pass "swayidle: runs its resume command after the saver's end" ||
    fail "swayidle: runs its resume command after the saver's end"
else
  fail "swayidle: starts the saver after its timeout" "$(tail -n 3 "$work/swayidle.log")"
fi
kill "$swayidle_pid" 2>/dev/null
wait "$swayidle_pid" 2>/dev/null
kill "$under_pid" 2>/dev/null
wait_until 10 eval '! has_window'

echo "-- failures"
failure_check "no Wayland display" "^halvorn: no Wayland display" -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work" "$halvorn" --wayland
start_halvorn gone --size 320x200
wait_until 30 has_window
sleep 1
kill -TERM "$(compositor_process)"
ended_with "$pid" 10
[ "$code" = 1 ] && [ "$(wc -l <"$work/gone.log")" = 1 ] &&
  pass "the compositor killed: status 1 and one line: $(cat "$work/gone.log")" ||
  fail "the compositor killed: status 1 and one line" "status $code: $(head -c 300 "$work/gone.log")"

finish
