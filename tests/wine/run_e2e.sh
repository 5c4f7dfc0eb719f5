#!/usr/bin/env bash
# End-to-end suite of the Windows screen saver under Wine: runs the real
# Halvorn.scr on a virtual X display (Xvfb) in a fresh Wine prefix and drives
# it with xdotool and the probe helper (hvprobe.exe), as the system's
# screen-saver machinery and a user would.
#
#   tests/wine/run_e2e.sh [BUILD_DIR]          the suite (BUILD_DIR: build-win)
#   tests/wine/run_e2e.sh --perf [BUILD_DIR]   frame period and CPU use at 0 and
#                                              300 additional ships, 30 s each
#                                              (HALVORN_PERF_SHIPS, HALVORN_PERF_SETTLE
#                                              seconds before measuring, default 10)
#
# Needs wine (64-bit), Xvfb, xdotool, xwininfo and ImageMagick (import,
# convert); without them it exits with 77 (skipped). Prints one line per check
# and ends with "N passed, M failed"; the exit status is non-zero when any
# check failed. Every wait polls with a
# timeout (HALVORN_E2E_WAIT seconds, default 60, for windows to appear), so a
# loaded machine only makes it slower. HALVORN_E2E_KEEP=1 keeps the work
# folder (prefix, screenshots, logs).
#
# Wine 8 renders OpenGL that is drawn into a child window (the saver's
# "Child1") into an offscreen X window and fails to copy it to the screen, and
# it discards GDI output on such a window. Where the screen stays black, the
# picture checks therefore read that offscreen window, and the frame-rate line
# is checked through Wine's trace of the GDI calls; each line says which.
set -u

mode=suite
if [ "${1:-}" = "--perf" ]; then
  mode=perf
  shift
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-win}" && pwd) || exit 2
wait_s=${HALVORN_E2E_WAIT:-60}
# The project's version, which the dialog's caption shows.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

scr=$build/host/win32/Halvorn.scr
probe_exe=$build/tests/wine/hvprobe.exe
cpl=$build/tests/wine/PASSWORD.CPL
for f in "$scr" "$probe_exe" "$cpl"; do
  [ -f "$f" ] || { echo "missing $f (build the Windows targets first)"; exit 2; }
done
for tool in wine wineserver Xvfb xdotool xwininfo import convert; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (suite skipped)"; exit 77; }
done

work=$(mktemp -d /tmp/halvorn-e2e.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
passed=0
failed=0
started=$(date +%s)
xvfb_pid=
background_pids=()

cleanup() {
  for p in "${background_pids[@]}"; do kill "$p" 2>/dev/null; done
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  if [ "${HALVORN_E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

pass() { passed=$((passed + 1)); echo "PASS  $1"; }
fail() { failed=$((failed + 1)); echo "FAIL  $1${2:+ -- $2}"; }
# check NAME CONDITION-COMMAND...: one line for the check.
check() { local name=$1; shift; if "$@"; then pass "$name"; else fail "$name"; fi; }

# Polls COMMAND every 0.2 s until it succeeds or SECONDS pass.
wait_until() {
  local seconds=$1; shift
  local deadline=$(( $(date +%s%N) + seconds * 1000000000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# --- the display, the prefix ---------------------------------------------

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
wait_until 20 test -s "$work/display" || { echo "Xvfb did not start"; exit 2; }
export DISPLAY=:$(head -n1 "$work/display")
wait_until 20 xwininfo -root || { echo "display $DISPLAY does not answer"; exit 2; }

timeout 300 wineboot -i >"$work/wineboot.log" 2>&1
wineserver -w
mkdir -p "$WINEPREFIX/drive_c/halvorn" "$WINEPREFIX/drive_c/halvorn98"
cp "$scr" "$probe_exe" "$WINEPREFIX/drive_c/halvorn/"
cp "$scr" "$cpl" "$WINEPREFIX/drive_c/halvorn98/"
saver='C:\halvorn\Halvorn.scr'
winini=$WINEPREFIX/drive_c/windows/win.ini
winpath() { echo "Z:${1//\//\\}"; }

probe() { timeout 30 wine 'C:\halvorn\hvprobe.exe' "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# --- processes ---------------------------------------------------------------

# start_saver LOG ARGS...: runs the saver in the background; its pid in $saver_pid.
start_saver() {
  local log=$1; shift
  wine "$saver" "$@" >"$log" 2>&1 &
  saver_pid=$!
  background_pids+=("$saver_pid")
}
alive() { kill -0 "$1" 2>/dev/null; }
# exit_code PID SECONDS: sets $code to the exit status once the process ended,
# "running" if it still runs after SECONDS. (Not in a subshell: only this
# shell can collect its children's status.)
exit_code() {
  if ! wait_until "$2" eval "! kill -0 $1"; then code=running; return; fi
  wait "$1" 2>/dev/null
  code=$?
}
# The X window of the full-screen saver (its title is "Screen Saver").
saver_x_window() {
  local id
  id=$(xdotool search --name '^Screen Saver$' 2>/dev/null | head -n1)
  [ -n "$id" ] && echo "$id"
}
# stop_saver PID: ends the process if it still runs (the whole Wine session
# if it does not go), and reaps it.
stop_saver() {
  if alive "$1"; then
    kill "$1" 2>/dev/null
    wait_until 10 eval "! kill -0 $1" || wineserver -k >/dev/null 2>&1
  fi
  wait "$1" 2>/dev/null
}

# --- pictures ------------------------------------------------------------------

# The offscreen X window that holds the OpenGL picture of a W x H child
# window: Wine puts it, mapped, inside a 1 x 1 parent at (-1, -1).
gl_surface() {
  xwininfo -root -tree 2>/dev/null | awk -v place="$1x$2+0+0  +-1+-1" 'index($0, place) { print $1; exit }'
}

# picture_stats FILE: "nonblack bright greycells yellow" over the picture:
# pixels brighter than 24, star-bright pixels (every channel at least 100),
# 8 x 8 cells that are mostly grey and mid-bright (ship hulls; lone stars
# average out), and yellow pixels (red and green above 180, blue below 80).
picture_stats() {
  local px cells
  px=$(convert "$1" -depth 8 txt:- | awk -F'[(),]' 'NR > 1 {
      r = $3; g = $4; b = $5; mx = r; if (g > mx) mx = g; if (b > mx) mx = b
      mn = r; if (g < mn) mn = g; if (b < mn) mn = b
      if (mx > 24) nb++; if (mn >= 100) br++; if (r > 180 && g > 180 && b < 80) ye++ }
      END { printf "%d %d %d", nb, br, ye }')
  cells=$(convert "$1" -scale 12.5% -depth 8 txt:- | awk -F'[(),]' 'NR > 1 {
      r = $3; g = $4; b = $5; mx = r; if (g > mx) mx = g; if (b > mx) mx = b
      mn = r; if (g < mn) mn = g; if (b < mn) mn = b
      if (mx >= 45 && mx <= 235 && mx - mn <= 48) n++ } END { printf "%d", n }')
  set -- $px
  echo "$1 $2 $cells $3"
}

# is_battle FILE W H [ships]: not black, stars, and (with "ships") grey ship hulls.
is_battle() {
  local s; s=($(picture_stats "$1"))
  local area=$(( $2 * $3 ))
  [ "${s[0]}" -gt $(( area / 500 )) ] || return 1        # at least 0.2 % lit
  [ "${s[1]}" -ge $(( area / 6000 + 10 )) ] || return 1  # stars
  [ "${s[1]}" -lt $(( area / 2 )) ] || return 1          # not a white screen
  [ "${4:-}" != ships ] || [ "${s[2]}" -ge 10 ] || return 1
}

# battle_shown NAME X Y W H [ships]: polls for up to 20 s until the screen area,
# or else the OpenGL surface, shows the battle; saves the picture.
battle_shown() {
  local name=$1 x=$2 y=$3 w=$4 h=$5 want=${6:-} file=$work/$1.png deadline=$(( $(date +%s) + 20 )) id
  while :; do
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" 2>/dev/null
    if is_battle "$file" "$w" "$h" "$want"; then picture_from="the screen"; return 0; fi
    id=$(gl_surface "$w" "$h")
    if [ -n "$id" ] && import -window "$id" "$file" 2>/dev/null && is_battle "$file" "$w" "$h" "$want"; then
      picture_from="the OpenGL surface (Wine leaves the screen black)"
      return 0
    fi
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    sleep 0.5
  done
}

# --- profile -----------------------------------------------------------------

# profile_value KEY: the value of KEY in section [Halvorn] of the prefix's win.ini.
profile_value() {
  [ -f "$winini" ] || return 0
  tr -d '\r' <"$winini" | awk -F= -v key="$1" '
    /^\[/ { section = $0 } section == "[Halvorn]" && $1 == key { print $2 }'
}
profile_is() {  # profile_is LETTERBOX SHIPS RANDOMVIEW FRAMECOUNTER LOWRES
  [ "$(profile_value HVIsLetterBox)" = "$1" ] && [ "$(profile_value HVNumberAdditionalShips)" = "$2" ] &&
    [ "$(profile_value HVIsRandStartView)" = "$3" ] && [ "$(profile_value HVIsFrameCounter)" = "$4" ] &&
    [ "$(profile_value HVIsLowResStars)" = "$5" ]
}
set_profile() {  # set_profile LETTERBOX SHIPS RANDOMVIEW FRAMECOUNTER LOWRES
  local other=""
  [ -f "$winini" ] && other=$(tr -d '\r' <"$winini" | awk '/^\[/ { skip = ($0 == "[Halvorn]") } !skip')
  { [ -n "$other" ] && printf '%s\n' "$other"
    printf '[Halvorn]\nHVIsLetterBox=%s\nHVNumberAdditionalShips=%s\nHVIsRandStartView=%s\nHVIsFrameCounter=%s\nHVIsLowResStars=%s\n' "$@"
  } | sed 's/$/\r/' >"$winini.new" && mv "$winini.new" "$winini"
}

# --- the dialog ----------------------------------------------------------------

# Expected controls: id|class|text|x|y|w|h in dialog units (h "-" not checked).
dialog_table='65535|Static|Halvorn|7|7|230|13
65535|Static|Version '"$version"'|7|20|230|10
1029|Button|Start with random view|23|35|140|23
1016|Button|"Letter Box" Mode|23|58|131|16
1034|Button|Use low resolution starfield|23|79|98|13
1030|Button|Enabe frame rate counter|23|96|136|14
1027|ScrollBar||20|121|201|9
65535|Static|I think I saw something move there a second ago|7|137|74|36
65535|Static|My God! ... It'"'"'s full of ships!|167|138|64|33
65535|Static|Scenario|62|165|112|10
1033|ComboBox||63|178|116|-
1|Button|OK|95|210|50|15'

# dialog_matches DUMPFILE: every control of the table, at its place within one
# dialog unit, and the scenario list holding "Default" with item data 4.
dialog_matches() {
  local dump=$1 cw ch ok=0
  read -r cw ch < <(sed -n 's/^dialog client=\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$dump")
  [ -n "${cw:-}" ] || return 1
  while IFS='|' read -r id cls text x y w h; do
    local line
    line=$(awk -v id="$id" -v cls="$cls" -v text="$text" '
      index($0, "control id=" id " class=" cls " ") == 1 && substr($0, index($0, " text=") + 6) == text' "$dump" | head -n1)
    if [ -z "$line" ]; then echo "    missing control $id $cls \"$text\""; ok=1; continue; fi
    local rect; rect=$(sed 's/.* rect=\([-0-9,]*\) .*/\1/' <<<"$line")
    if ! awk -v r="$rect" -v e="$x,$y,$w,$h" -v cw="$cw" -v ch="$ch" 'BEGIN {
        split(r, p, ","); split(e, d, ",")
        for (i = 1; i <= 4; i++) {
          if (d[i] == "-") continue
          du = p[i] * ((i % 2) ? 242 / cw : 252 / ch)
          if (du - d[i] > 1.01 || d[i] - du > 1.01) exit 1
        } }'; then
      echo "    control $id \"$text\" at $rect px, expected $x,$y,$w,$h dialog units"; ok=1
    fi
  done <<<"$dialog_table"
  grep -q 'class=ComboBox .*count=1 sel=0 data=4 item0=Default ' "$dump" || { echo "    scenario list wrong"; ok=1; }
  return $ok
}

dialog_window() { dialog=$(probe dialog) && [ -n "$dialog" ]; }
control_center() {  # control_center DIALOG ID: "x y" on the screen
  probe rect "$1" "$2" | awk '{ printf "%d %d", $1 + $3 / 2, $2 + $4 / 2 }'
}
click_at() { xdotool mousemove "$1" "$2" click 1; }

# ============================================================================
if [ "$mode" = perf ]; then
  echo "== performance at 1280x720 under Wine ($(nproc) CPUs, $DISPLAY)"
  wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /d 'gdi32.TextOutA' /f >/dev/null 2>&1
  for ships in ${HALVORN_PERF_SHIPS:-0 300}; do
    set_profile 0 "$ships" 0 1 0
    xdotool mousemove 640 360
    WINEDEBUG=-all,+relay wine "$saver" /s >"$work/perf$ships.log" 2>&1 &
    pid=$!
    background_pids+=("$pid")
    wait_until "$wait_s" saver_x_window || { echo "no saver window"; continue; }
    sleep "${HALVORN_PERF_SETTLE:-10}"  # let the period settle (reconsidered every 61 frames)
    hz=$(getconf CLK_TCK)
    t0=$(awk '{ print $14 + $15 }' "/proc/$pid/stat"); n0=$(grep -c 'Call gdi32.TextOutA' "$work/perf$ships.log")
    sleep 30
    t1=$(awk '{ print $14 + $15 }' "/proc/$pid/stat"); n1=$(grep -c 'Call gdi32.TextOutA' "$work/perf$ships.log")
    line=$(grep 'Call gdi32.TextOutA' "$work/perf$ships.log" | tail -n1 | sed 's/.*"\(.*\)".*/\1/')
    periods=$(grep 'Call gdi32.TextOutA' "$work/perf$ships.log" | sed 's/.*hold \([0-9]*\) milli.*/\1/' |
      sed -n "$(( n0 + 1 )),${n1}p" | sort -n | uniq -c | sort -rn | awk '{ printf "%s ms x%s  ", $2, $1 }')
    echo "ships +$ships: $(( n1 - n0 )) frames in 30 s ($(awk -v n=$(( n1 - n0 )) 'BEGIN { printf "%.1f", n / 30 }') per s)," \
         "CPU $(awk -v t=$(( t1 - t0 )) -v hz="$hz" 'BEGIN { printf "%.1f s of 30 s (%.0f %% of one core)", t / hz, t / hz / 30 * 100 }')"
    echo "  periods held during those 30 s (ms x frames): $periods"
    echo "  last line: $line"
    stop_saver "$pid"
  done
  exit 0
fi

echo "== Halvorn.scr end-to-end under Wine ($(wine --version 2>/dev/null), display $DISPLAY 1280x720)"

# --- full screen: /s ------------------------------------------------------------
xdotool mousemove 640 360
start_saver "$work/s1.log" /s
if wait_until "$wait_s" saver_x_window; then
  pass "/s: a top-level window \"Screen Saver\" appears"
  geometry=$(xwininfo -id "$(saver_x_window || echo 0)" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h "+" x "+" y }')
  check "/s: the window covers the screen (1280x720+0+0, got $geometry)" test "$geometry" = 1280x720+0+0
  sleep 2
  if battle_shown fullscreen 0 0 1280 720 ships; then
    pass "/s: after 2 s the picture shows the battle (not black, stars, grey ships; read from $picture_from)"
  else
    fail "/s: after 2 s the picture shows the battle" "stats $(picture_stats "$work/fullscreen.png")"
  fi
  xdotool mousemove_relative -- 4 0
  sleep 1.5
  check "/s: a mouse movement of 4 pixels does not close it" alive "$saver_pid"
  xdotool mousemove 640 360
  sleep 0.5
  xdotool mousemove_relative -- 3 2
  exit_code "$saver_pid" 20
  check "/s: a mouse movement of 5 pixels (3, 2) closes it with exit code 0 (got $code)" test "$code" = 0
else
  fail "/s: a top-level window \"Screen Saver\" appears"
fi
stop_saver "$saver_pid"

# --- full screen: -S, key ---------------------------------------------------------
xdotool mousemove 640 360
start_saver "$work/s2.log" -S
if wait_until "$wait_s" saver_x_window; then
  pass "-S: runs full screen"
  sleep 1
  xdotool key space
  exit_code "$saver_pid" 20
  check "-S: a key press closes it with exit code 0 (got $code)" test "$code" = 0
else
  fail "-S: runs full screen"
fi
stop_saver "$saver_pid"

# --- full screen: "  s", second run, click ---------------------------------------
xdotool mousemove 640 360
timeout 600 wine 'C:\halvorn\hvprobe.exe' run "$saver   s" >"$work/s3.log" 2>&1 &
saver_pid=$!
background_pids+=("$saver_pid")
if wait_until "$wait_s" saver_x_window; then
  pass "\"  s\" (two blanks): runs full screen"
  first=$(saver_x_window)
  first_pid=$saver_pid
  sleep 1
  start_saver "$work/s4.log" /s
  exit_code "$saver_pid" 60
  check "a second /s while one runs exits with 0 (got $code)" test "$code" = 0
  saver_pid=$first_pid
  sleep 1
  check "  and the first saver stays" eval "alive $saver_pid && [ \"\$(saver_x_window)\" = $first ]"
  xdotool click 1
  exit_code "$saver_pid" 20
  check "\"  s\": a mouse click closes it with exit code 0 (got $code)" test "$code" = 0
else
  fail "\"  s\" (two blanks): runs full screen"
fi
stop_saver "$saver_pid"

# --- preview ----------------------------------------------------------------------
rm -f "$work/stop"
timeout 600 wine 'C:\halvorn\hvprobe.exe' parent 320 240 "$(winpath "$work/stop")" >"$work/parent.out" 2>/dev/null &
parent_pid=$!
background_pids+=("$parent_pid")
if wait_until 60 grep -q '^[0-9]' "$work/parent.out"; then
  parent=$(head -n1 "$work/parent.out" | tr -d '\r')
  xdotool mousemove 1000 600
  start_saver "$work/p.log" /p "$parent"
  preview_up() { probe tree "$parent" >"$work/tree.txt" && grep -q 'class=WindowsScreenSaverClass text=Preview rect=100,100,320,240' "$work/tree.txt" &&
    grep -q 'class=NTDEVCLASS text=Child1 rect=100,100,320,240' "$work/tree.txt"; }
  if wait_until "$wait_s" preview_up; then
    pass "/p $parent: \"Preview\" with its OpenGL child covers the parent's client area"
    if battle_shown preview 100 100 320 240; then
      pass "/p: the battle draws inside the parent (read from $picture_from)"
    else
      fail "/p: the battle draws inside the parent" "stats $(picture_stats "$work/preview.png")"
    fi
    xdotool mousemove 200 200 sleep 0.2 mousemove_relative -- 30 20 click 1 key space
    sleep 1.5
    check "/p: mouse movement, a click and a key do not close it" alive "$saver_pid"
    : >"$work/stop"
    exit_code "$saver_pid" 30
    check "/p: destroying the parent window ends the saver (exit code $code)" test "$code" = 0
  else
    fail "/p $parent: \"Preview\" with its OpenGL child covers the parent's client area"
  fi
  stop_saver "$saver_pid"
else
  fail "preview parent window" "hvprobe parent printed no handle"
fi
: >"$work/stop"
wait "$parent_pid" 2>/dev/null

# --- bad arguments ----------------------------------------------------------------
for args in "/p 0" "/p 123456789" "/p" "/x"; do
  # shellcheck disable=SC2086
  start_saver "$work/bad.log" $args
  exit_code "$saver_pid" 60
  windows=$( (xdotool search --name '^(Screen Saver|Preview)$'; xdotool search --class halvorn.scr) 2>/dev/null | wc -l)
  check "$args: exit code -1 (got $code) and no window" test "$code" = 255 -a "$windows" = 0
  stop_saver "$saver_pid"
done

# --- settings dialog: /c -------------------------------------------------------------
rm -f "$winini.new"
xdotool mousemove 10 10
start_saver "$work/c.log" /c
if wait_until "$wait_s" dialog_window; then
  probe dump "$dialog" >"$work/dialog-c.txt"
  if problems=$(dialog_matches "$work/dialog-c.txt"); then
    pass "/c: the dialog shows every control with its id, text and place; \"Default\" in the list"
  else
    fail "/c: the dialog shows every control with its id, text and place" "$(echo; echo "$problems")"
  fi
  check "/c: a fresh profile shows all boxes clear and 0 ships (range 0..300)" \
    eval "! grep -q 'check=1' '$work/dialog-c.txt' && grep -q 'id=1027 .*pos=0 range=0..300' '$work/dialog-c.txt'"
  read -r cx cy < <(control_center "$dialog" 1029)
  click_at "$cx" "$cy"
  check "/c: ticking \"Start with random view\" writes all five keys to win.ini" wait_until 10 profile_is 0 0 1 0 0
  read -r cx cy < <(control_center "$dialog" 1034)
  click_at "$cx" "$cy"
  check "/c: ticking \"Use low resolution starfield\" writes all five again" wait_until 10 profile_is 0 0 1 0 1
  # Scroll bar: real clicks on its arrows, then many steps as messages.
  read -r sx sy sw sh < <(probe rect "$dialog" 1027)
  click_at $(( sx + sh / 2 )) $(( sy + sh / 2 ))
  pos=$(probe scroll "$dialog" 8 1)  # 8: end of scrolling, changes nothing
  check "/c: line left at 0 stays at 0 (clicked the left arrow; position $pos)" test "$pos" = 0
  click_at $(( sx + sw - sh / 2 )) $(( sy + sh / 2 ))
  pos=$(probe scroll "$dialog" 8 1)
  check "/c: line right steps to 1 (clicked the right arrow; position $pos) and is written" \
    eval "[ '$pos' = 1 ] && wait_until 10 profile_is 0 1 1 0 1"
  pos=$(probe scroll "$dialog" 3 1)
  check "/c: page right steps by 16 (position $pos)" test "$pos" = 17
  pos=$(probe scroll "$dialog" 3 30)
  check "/c: page right stops at 300 (position $pos)" eval "[ '$pos' = 300 ] && wait_until 10 profile_is 0 300 1 0 1"
  pos=$(probe scroll "$dialog" 1 5)
  check "/c: line right stops at 300 (position $pos)" test "$pos" = 300
  pos=$(probe scroll "$dialog" 2 30)
  check "/c: page left stops at 0 (position $pos)" eval "[ '$pos' = 0 ] && wait_until 10 profile_is 0 0 1 0 1"
  pos=$(probe scroll "$dialog" 0 3)
  check "/c: line left stops at 0 (position $pos)" test "$pos" = 0
  pos=$(probe scroll "$dialog" 3 2)
  check "/c: the count is written with the boxes (32 ships)" wait_until 10 profile_is 0 32 1 0 1
  read -r cx cy < <(control_center "$dialog" 1)
  xdotool mousemove "$cx" "$cy" key Escape
  sleep 1
  check "/c: Esc does not close it" eval "alive $saver_pid && probe alive $dialog"
  probe syscommand "$dialog" 61536 >/dev/null  # SC_CLOSE, as the close box sends it
  sleep 1
  check "/c: the close box (SC_CLOSE) does not close it" eval "alive $saver_pid && probe alive $dialog"
  click_at "$cx" "$cy"
  exit_code "$saver_pid" 20
  check "/c: OK closes it with exit code 1 (got $code)" test "$code" = 1
else
  fail "/c: the settings dialog appears"
fi
stop_saver "$saver_pid"

# --- settings dialog: /c:HANDLE and no argument --------------------------------------
rm -f "$work/stop"
timeout 600 wine 'C:\halvorn\hvprobe.exe' parent 200 150 "$(winpath "$work/stop")" >"$work/owner.out" 2>/dev/null &
owner_pid=$!
background_pids+=("$owner_pid")
if wait_until 60 grep -q '^[0-9]' "$work/owner.out"; then
  owner=$(head -n1 "$work/owner.out" | tr -d '\r')
  start_saver "$work/c2.log" "/c:$owner"
  if wait_until "$wait_s" dialog_window; then
    probe dump "$dialog" >"$work/dialog-owned.txt"
    check "/c:$owner: the dialog shows its texts and the profile (random view, low-res stars, 32 ships)" \
      eval "dialog_matches '$work/dialog-owned.txt' >/dev/null && grep -q 'id=1029 .*check=1' '$work/dialog-owned.txt' &&
            grep -q 'id=1034 .*check=1' '$work/dialog-owned.txt' && grep -q 'id=1027 .*pos=32 ' '$work/dialog-owned.txt'"
    check "/c:$owner: the dialog is owned by that window" grep -q "^dialog client=[0-9,]* owner=$owner " "$work/dialog-owned.txt"
    read -r cx cy < <(control_center "$dialog" 1)
    click_at "$cx" "$cy"
    exit_code "$saver_pid" 20
    check "/c:$owner: OK closes it with exit code 1 (got $code)" test "$code" = 1
  else
    fail "/c:$owner: the settings dialog appears"
  fi
  stop_saver "$saver_pid"
fi
: >"$work/stop"
wait "$owner_pid" 2>/dev/null

start_saver "$work/c3.log"
if wait_until "$wait_s" dialog_window; then
  probe dump "$dialog" >"$work/dialog-none.txt"
  check "no argument: the dialog shows its texts, without an owner" \
    eval "dialog_matches '$work/dialog-none.txt' >/dev/null && grep -q '^dialog client=[0-9,]* owner=0 ' '$work/dialog-none.txt'"
  read -r cx cy < <(control_center "$dialog" 1030)
  click_at "$cx" "$cy"
  check "no argument: ticking \"Enabe frame rate counter\" writes all five keys" wait_until 10 profile_is 0 32 1 1 1
  xdotool key Escape
  sleep 1
  check "no argument: Esc does not close it" alive "$saver_pid"
  xdotool key Return
  exit_code "$saver_pid" 20
  check "no argument: Enter (OK) closes it with exit code 1 (got $code)" test "$code" = 1
else
  fail "no argument: the settings dialog appears"
fi
stop_saver "$saver_pid"

# --- frame-rate line ------------------------------------------------------------------
set_profile 0 0 0 1 0
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
  /d 'gdi32.SetTextColor;gdi32.SetBkColor;gdi32.TextOutA;winmm.timeSetEvent;opengl32.glClear;gdi32.SwapBuffers' /f >/dev/null 2>&1
xdotool mousemove 640 360
WINEDEBUG=-all,+relay wine "$saver" /s >"$work/fps.log" 2>&1 &
saver_pid=$!
background_pids+=("$saver_pid")
if wait_until "$wait_s" saver_x_window; then
  sleep 2
  import -window root -crop 1280x24+0+698 +repage "$work/fps-band.png" 2>/dev/null
  band=($(picture_stats "$work/fps-band.png"))
  if [ "${band[3]}" -ge 200 ]; then
    pass "HVIsFrameCounter=1: the yellow frame-rate line shows 20 pixels above the bottom (${band[3]} yellow pixels)"
  else
    # The line as the program drew it: black background, yellow text, at
    # (0, 720 - 20), in the exact wording.
    line_pattern='Call gdi32\.TextOutA\([0-9a-f]+,00000000,000002bc,[0-9a-f]+ "[0-9]+ miliseconds since last frame\.  [0-9]+\.[0-9] Frames Per Second\. Drawing [0-9]+ ships\. Attemtping to hold [0-9]+ milliseconds per frame\."'
    frame_line() {
      grep -A4 -E 'Call gdi32\.SetBkColor\([0-9a-f]+,00000000\)' "$work/fps.log" | grep -qE 'Call gdi32\.SetTextColor\([0-9a-f]+,0000ffff\)' &&
        grep -qE "$line_pattern" "$work/fps.log"
    }
    if wait_until 20 frame_line; then
      pass "HVIsFrameCounter=1: the frame-rate line is drawn yellow on black at y = 700 with its exact text (GDI calls traced; Wine does not show GDI output on an OpenGL child window)"
    else
      fail "HVIsFrameCounter=1: the frame-rate line" "neither on the screen nor in the GDI trace"
    fi
  fi
  # The frame timer, in the traced calls: T (timeSetEvent), C (the frame's
  # glClear, its first drawing), S (SwapBuffers). Each frame arms the next
  # one-shot timer with the whole period before it steps and draws (T C ...
  # S), never after (C T), and the first 40 ask for 31 ms: the period is only
  # reconsidered after 61 frames.
  frame_calls() {
    grep -oE 'Call (winmm\.timeSetEvent|opengl32\.glClear|gdi32\.SwapBuffers)' "$work/fps.log" |
      sed 's/.*timeSetEvent/T/; s/.*glClear/C/; s/.*SwapBuffers/S/' | tr -d '\n'
  }
  wait_until 30 eval '[ $(frame_calls | grep -o TC | wc -l) -ge 30 ]'
  frame_calls=$(frame_calls)
  delays=$(grep -oE 'Call winmm\.timeSetEvent\([0-9a-f]+,' "$work/fps.log" | head -n 40 | sed 's/.*(//; s/,//' | sort -u | tr '\n' ' ')
  armed=$(grep -o 'TC' <<<"$frame_calls" | wc -l)
  check "timer: every frame arms the next timer for 31 ms before it draws ($armed frames; delays asked: $delays)" \
    eval "[ $armed -ge 30 ] && ! grep -q CT <<<'$frame_calls' && [ '$delays' = '0000001f ' ]"
  xdotool key space
  exit_code "$saver_pid" 20
  check "HVIsFrameCounter=1: a key closes it with exit code 0 (got $code)" test "$code" = 0
else
  fail "HVIsFrameCounter=1: the saver runs"
fi
stop_saver "$saver_pid"
wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f >/dev/null 2>&1
set_profile 0 0 0 0 0

# --- Windows 9x password ----------------------------------------------------------------
wine reg add 'HKCU\Software\Wine\AppDefaults\Halvorn.scr' /v Version /t REG_SZ /d win98 /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null 2>&1
wineserver -w
rm -f "$work/password.log"
xdotool mousemove 640 360
HALVORN_PASSWORD_LOG=$(winpath "$work/password.log") wine 'C:\halvorn98\Halvorn.scr' /s >"$work/s98.log" 2>&1 &
saver_pid=$!
background_pids+=("$saver_pid")
asks() { [ -f "$work/password.log" ] && grep -c '^ask' "$work/password.log" || echo 0; }
if wait_until "$wait_s" saver_x_window; then
  pass "Windows 98: the saver runs with PASSWORD.CPL beside it"
  sleep 1
  # A click, then a key press 30 ms later: the click asks (and is refused);
  # the key comes well within 200 ms of that answer. (A click reaches the
  # OpenGL child first: it too must go through the question.)
  xdotool click 1 sleep 0.03 key b
  wait_until 10 test -s "$work/password.log"
  sleep 1.5
  battle_window() {
    local w; w=$(probe find WindowsScreenSaverClass "Screen Saver") &&
      probe tree "$w" | grep -q 'class=NTDEVCLASS text=Child1 '
  }
  check "Windows 98: the first input asks for the password and, refused, does not close it (the battle window stays)" \
    eval "alive $saver_pid && grep -q '^ask 1 .* refused' '$work/password.log' && battle_window"
  check "Windows 98: a second input within 200 ms is refused without asking (asked $(asks) time(s))" \
    eval "alive $saver_pid && [ \$(asks) = 1 ]"
  sleep 0.5
  xdotool key c
  exit_code "$saver_pid" 20
  check "Windows 98: a later input asks again and, accepted, closes it with exit code 0 (got $code, asked $(asks) times)" \
    eval "[ '$code' = 0 ] && [ \$(asks) = 2 ] && grep -q '^ask 2 .* accepted' '$work/password.log'"
else
  fail "Windows 98: the saver runs with PASSWORD.CPL beside it"
fi
stop_saver "$saver_pid"
wine reg delete 'HKCU\Software\Wine\AppDefaults\Halvorn.scr' /f >/dev/null 2>&1

echo "== $((passed + failed)) checks in $(( $(date +%s) - started )) s"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
