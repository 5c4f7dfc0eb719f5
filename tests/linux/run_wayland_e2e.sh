#!/usr/bin/env bash
# End-to-end suites of the program `halvorn` on real Wayland compositors with
# no GPU and no screen: sway 1.7 (wlroots, with the layer shell) and weston 10
# (without it), each headless, started by the suite as an unprivileged user
# (as root: the user halvorntest, created when missing) with its own
# XDG_RUNTIME_DIR. Screenshots come from grim (sway) and weston-screenshooter
# (weston), input from wtype and the helper wl_test_pointer.
#
#   tests/linux/run_wayland_e2e.sh sway HALVORN POINTER
#       the window, --fullscreen, --saver over two outputs with the pointer,
#       a key and swayidle, --wallpaper, an output of scale 2, the compositor
#       killed; POINTER is wl_test_pointer
#   tests/linux/run_wayland_e2e.sh weston HALVORN
#       the saver's full-screen window where there is no layer shell, the
#       window with decorations drawn by libdecor, --wallpaper refused
#   tests/linux/run_wayland_e2e.sh --perf HALVORN [SECONDS]
#       CPU share (the program's and sway's) and frame time of the window at
#       1280x720 and 1024x768, SECONDS each (default 20) after 3 s to settle;
#       the numbers to hold against tests/linux/run_x11_e2e.sh --perf
#   tests/linux/run_wayland_e2e.sh --soak HALVORN [MINUTES]
#       resident memory of --saver and --wallpaper with 300 more ships on two
#       outputs, one line a minute for MINUTES each (default 10)
#
# Exits with 77 (skipped) when a tool is missing; prints one line per check and
# ends with "N passed, M failed". HALVORN_E2E_KEEP=1 keeps the work folder.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../packaging/common.sh
. "$here/../packaging/common.sh"

mode=${1:-}
halvorn=${2:-}
usage="usage: $0 sway HALVORN POINTER | weston HALVORN | --perf HALVORN [SECONDS] | --soak HALVORN [MINUTES]"
case "$mode" in sway | weston | --perf | --soak) ;; *) echo "$usage"; exit 2 ;; esac
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

# The compositor itself, below runuser when there is one.
compositor_process() {
  local child
  child=$(pgrep -P "$compositor_pid" | head -n 1)
  echo "${child:-$compositor_pid}"
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

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# start_halvorn NAME ARGS...: the program in the background, its output in
# $work/NAME.log and its pid in $pid.
start_halvorn() {
  local name=$1; shift
  "$halvorn" "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  background_pids+=("$pid")
}
# ended_with PID SECONDS: $code is the exit status once the process ended,
# "running" when it still runs after SECONDS (then it is killed); $took is
# the milliseconds it took.
ended_with() {
  local from; from=$(now_ms)
  if wait_until "$2" bash -c "! kill -0 $1 2>/dev/null"; then
    wait "$1" 2>/dev/null
    code=$?
  else
    code=running
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
  fi
  took=$(( $(now_ms) - from ))
}
# stop_halvorn: SIGTERM to $pid; passes when it ends with 0 within a second.
stop_halvorn() {
  kill -TERM "$pid" 2>/dev/null
  ended_with "$pid" 5
  [ "$code" = 0 ] && [ "$took" -le 1000 ] && pass "$1: SIGTERM ends it with status 0 in $took ms" ||
    fail "$1: SIGTERM ends it with status 0 within 1 s" "status $code after $took ms: $(head -c 300 "$work/$1.log")"
}

# --- pictures ------------------------------------------------------------------------

size_of() { convert "$1" -format '%wx%h' info:; }
# Fraction of the picture (or of its part WxH+X+Y) brighter than 10 % grey.
lit_fraction() { convert "$1" ${2:+-crop "$2" +repage} -colorspace gray -threshold 10% -format '%[fx:mean]' info:; }
# The battle: stars and more (at least 0.4 % lit) on black space (sway's
# empty desktop is grey, lit all over).
is_lit() { awk -v f="$(lit_fraction "$1" "${2:-}")" 'BEGIN { exit !(f >= 0.004 && f < 0.9) }'; }
is_black() { [ "$(convert "$1" -crop "$2" +repage -format '%[fx:maxima]' info:)" = 0 ]; }
pixels_differing() { compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | awk '{ print int($1) }'; }
# Letterbox bars of a WxH picture, rows.
bar_rows() { awk -v w="$1" -v h="$2" 'BEGIN { printf "%d", (h - w / 2.35) / 2 }'; }

# picture_checks NAME SHOT-COMMAND W H: two screenshots a second apart
# ($work/NAME-a.png, -b.png) are W x H, not black and different.
picture_checks() {
  local name=$1 shoot=$2 w=$3 h=$4 a b diff
  a=$work/$name-a.png
  b=$work/$name-b.png
  if wait_until 20 eval "$shoot $a && is_lit $a"; then
    pass "$name: the picture is not black ($(lit_fraction "$a") of it lit)"
  else
    fail "$name: the picture is not black" "$(lit_fraction "$a" 2>/dev/null) lit; $(head -c 300 "$work/$name.log")"
  fi
  [ "$(size_of "$a")" = "${w}x${h}" ] && pass "$name: the picture is ${w}x${h}" ||
    fail "$name: the picture is ${w}x${h}" "it is $(size_of "$a")"
  sleep 1
  $shoot "$b"
  diff=$(pixels_differing "$a" "$b")
  [ "${diff:-0}" -gt $(( w * h / 1000 )) ] && pass "$name: the picture changes ($diff pixels in 1 s)" ||
    fail "$name: the picture changes" "${diff:-no} pixels differ after 1 s"
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

# grim_output NAME FILE: a screenshot of an output (at its full resolution).
grim_output() { grim -o "$1" "$2" 2>/dev/null; }
# The node of the program's window in sway's tree (JSON), and its rectangle as grim takes it.
window_node() { swaymsg -t get_tree | jq -c '[recurse(.nodes[]?, .floating_nodes[]?) | select(.app_id == "halvorn")][0] // empty'; }
window_rect() { window_node | jq -r '.rect | "\(.x),\(.y) \(.width)x\(.height)"'; }
has_window() { [ -n "$(window_node)" ]; }
shot_window() { grim -g "$(window_rect)" "$1" 2>/dev/null; }

# =====================================================================================

if [ "$mode" = --perf ] || [ "$mode" = --soak ]; then
  tck=$(getconf CLK_TCK)
  cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
  rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
fi

if [ "$mode" = --perf ]; then
  seconds=${3:-20}
  for size in 1280x720 1024x768; do
    start_sway "$size" || { echo "sway does not start: $(tail -n 3 "$work/sway.log")"; exit 2; }
    sway_pid=$(compositor_process)
    start_halvorn "perf-$size" --fps --seed "${HALVORN_PERF_SEED:-7}"
    sleep 3
    t0=$(now_ms); c0=$(cpu_ticks "$pid"); s0=$(cpu_ticks "$sway_pid")
    sleep "$seconds"
    t1=$(now_ms); c1=$(cpu_ticks "$pid"); s1=$(cpu_ticks "$sway_pid")
    window=$(window_node | jq -r '"\(.rect.width)x\(.rect.height)"')
    kill -TERM "$pid"
    ended_with "$pid" 5
    stats=$(grep -o '^[0-9]* miliseconds since last frame.  [0-9.]* Frames' "$work/perf-$size.log" | tail -n +4 |
            awk '{ ms += $1; fps += $6; n++ } END { if (n) printf "%.1f ms a frame, %.1f frames per second", ms / n, fps / n; else print "no frame-rate line" }')
    awk -v c=$((c1 - c0)) -v x=$((s1 - s0)) -v t=$((t1 - t0)) -v k="$tck" -v s="$window" -v f="$stats" -v e="$code" 'BEGIN {
      printf "%s: %.1f%% of a core (sway %.1f%%), %s, exit %s\n", s, 100 * c * 1000 / k / t, 100 * x * 1000 / k / t, f, e }'
    kill "$(compositor_process)" 2>/dev/null
    wait "$compositor_pid" 2>/dev/null
    compositor_pid=
    rm -f "$XDG_RUNTIME_DIR"/*
  done
  exit 0
fi

if [ "$mode" = --soak ]; then
  minutes=${3:-10}
  start_sway 1280x720 || { echo "sway does not start: $(tail -n 3 "$work/sway.log")"; exit 2; }
  swaymsg create_output >/dev/null
  swaymsg output HEADLESS-2 resolution 640x360 position 1280 0 >/dev/null
  for form in --saver --wallpaper; do
    start_halvorn "soak$form" "$form" --ships 300 --fps
    for m in $(seq 0 "$minutes"); do
      [ "$m" = 0 ] || sleep 60
      kill -0 "$pid" 2>/dev/null || { echo "$form ended: $(tail -n 3 "$work/soak$form.log")"; break; }
      echo "$form minute $m: resident $(rss_kib "$pid") KiB; $(grep 'Frames Per Second' "$work/soak$form.log" | tail -n 1 | cut -c1-80)"
    done
    stop_halvorn "soak$form"
  done
  exit 0
fi

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
  # Pixels of a picture that look as the desktop does there.
  desktop_left() { echo $(( 640 * 360 - $(pixels_differing "$work/desktop.png" "$1") )); }

  echo "-- --saver without a layer shell"
  start_halvorn saver --saver --seed 4
  picture_checks saver shoot 640 360
  left=$(desktop_left "$work/saver-b.png")
  [ "$left" -lt 2304 ] && pass "saver: a full-screen window covers the output ($left pixels look like the desktop)" ||
    fail "saver: a full-screen window covers the output" "$left pixels look like the desktop"
  stop_halvorn saver

  echo "-- the window, decorated by libdecor"
  # weston fades the saver out.
  wait_until 10 eval 'shoot $work/after.png && [ $(desktop_left $work/after.png) -gt $(( 640 * 360 - 100 )) ]'
  start_halvorn window --size 320x200 --seed 4
  # Its picture, and around it the frame and shadow libdecor draws (weston
  # puts a new window anywhere, its title bar above the output's top at times).
  covered() { echo $(( 640 * 360 - $(desktop_left "$work/window.png") )); }
  window_shows() { shoot "$work/window.png" && [ "$(covered)" -gt $(( 320 * 200 + 1000 )) ] && [ "$(covered)" -lt 100000 ]; }
  if wait_until 20 window_shows; then
    pass "window: its 320x200 picture and libdecor's frame show ($(covered) pixels)"
  else
    fail "window: its 320x200 picture and libdecor's frame show" "$(covered) pixels; $(head -c 300 "$work/window.log")"
  fi
  stop_halvorn window

  echo "-- failures"
  timeout 30 "$halvorn" --wallpaper >"$work/wallpaper.out" 2>"$work/wallpaper.err"
  status=$?
  [ "$status" = 1 ] && [ "$(wc -l <"$work/wallpaper.err")" = 1 ] && grep -q 'layer shell' "$work/wallpaper.err" &&
    pass "wallpaper: status 1 and one line: $(cat "$work/wallpaper.err")" ||
    fail "wallpaper: status 1 and one line on the missing layer shell" "status $status: $(head -c 300 "$work/wallpaper.err")"
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
  bar=$(bar_rows 640 360)
  is_black "$work/window-b.png" "640x$((bar - 4))+0+0" && is_lit "$work/window-b.png" "640x$((360 - 2 * bar - 8))+0+$((bar + 4))" &&
    pass "window: letterbox band between black bars of $bar rows" || fail "window: letterbox band between black bars"
  grep -q 'Frames Per Second' "$work/window.log" && pass "window: the frame-rate line goes to stderr" ||
    fail "window: the frame-rate line goes to stderr"

  swaymsg '[app_id="halvorn"] floating enable, resize set 400 240' >/dev/null
  wait_until 10 eval '[ "$(window_node | jq -r .rect.width)x$(window_node | jq -r .rect.height)" = 400x240 ]'
  sleep 1
  shot_window "$work/window-small.png"
  bar=$(bar_rows 400 240)
  [ "$(size_of "$work/window-small.png")" = 400x240 ] && is_black "$work/window-small.png" "400x$((bar - 3))+0+0" &&
    is_lit "$work/window-small.png" "400x$((240 - 2 * bar - 6))+0+$((bar + 3))" &&
    pass "window: resized to 400x240, the picture and its band follow" ||
    fail "window: resized to 400x240, the picture and its band follow" "$(size_of "$work/window-small.png")"

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
start_halvorn wallpaper --wallpaper --seed 8
wallpaper_pid=$pid
picture_checks wallpaper "grim_output HEADLESS-1" 640 360
start_halvorn over --letterbox --seed 8
wait_until 30 has_window
sleep 1
grim_output HEADLESS-1 "$work/wallpaper-under.png"
bar=$(bar_rows 640 360)
is_black "$work/wallpaper-under.png" "640x$((bar - 4))+0+0" &&
  pass "wallpaper: stays under a window (the window's letterbox bars show)" ||
  fail "wallpaper: stays under a window" "the top rows are lit"
kill -TERM "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
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

mkfifo "$work/pointer.ctl"
"$pointer_helper" <"$work/pointer.ctl" >"$work/pointer.out" 2>&1 &
background_pids+=($!)
exec 5>"$work/pointer.ctl"
pointer() {
  local before; before=$(grep -c '^ok' "$work/pointer.out")
  echo "$1" >&5
  wait_until 10 eval "[ \$(grep -c '^ok' '$work/pointer.out') -gt $before ]"
}
pointer "move 1 0" && pointer "move 2 1" && sleep 1
kill -0 "$pid" 2>/dev/null && pass "saver: the pointer moved 3 pixels does not end it" ||
  fail "saver: the pointer moved 3 pixels does not end it" "$(cat "$work/pointer.out")"
pointer "move 30 0"
ended_with "$pid" 5
[ "$code" = 0 ] && pass "saver: the pointer moved 30 pixels ends it with status 0 in $took ms" ||
  fail "saver: the pointer moved 30 pixels ends it with status 0" "status $code: $(head -c 300 "$work/saver.log")"
start_halvorn saver-click --saver
sleep 2
pointer "click"
ended_with "$pid" 5
[ "$code" = 0 ] && pass "saver: a click ends it with status 0" || fail "saver: a click ends it with status 0" "status $code"
exec 5>&-

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
# failure_check NAME PATTERN ENV-AND-ARGS...: status 1 and one stderr line matching PATTERN.
failure_check() {
  local name=$1 pattern=$2; shift 2
  timeout 30 env "$@" >"$work/failure.out" 2>"$work/failure.err"
  local status=$? lines; lines=$(wc -l <"$work/failure.err")
  if [ "$status" = 1 ] && [ "$lines" = 1 ] && grep -q -- "$pattern" "$work/failure.err" && [ ! -s "$work/failure.out" ]; then
    pass "$name: status 1 and one line: $(cat "$work/failure.err")"
  else
    fail "$name: status 1 and one line matching '$pattern'" "status $status, $lines lines: $(head -c 300 "$work/failure.err")"
  fi
}
failure_check "no Wayland display" "^halvorn: no Wayland display" -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$work" "$halvorn" --wayland
failure_check "WAYLAND_DISPLAY=nowhere" "^halvorn: cannot connect to the Wayland display nowhere" WAYLAND_DISPLAY=nowhere "$halvorn" --saver
start_halvorn gone --size 320x200
wait_until 30 has_window
sleep 1
kill -TERM "$(compositor_process)"
ended_with "$pid" 10
[ "$code" = 1 ] && [ "$(wc -l <"$work/gone.log")" = 1 ] &&
  pass "the compositor killed: status 1 and one line: $(cat "$work/gone.log")" ||
  fail "the compositor killed: status 1 and one line" "status $code: $(head -c 300 "$work/gone.log")"

finish
