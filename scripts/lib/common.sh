# Shell functions that the scripts source (bash).

# start_xvfb DIR WxH: starts a virtual X server of its own on the first free
# display, with one screen of WxH at 24 bits (its log and display number go
# into DIR); sets xvfb_pid and exports DISPLAY. Returns 1 if it does not start.
start_xvfb() {
  local dir=$1 size=$2 fd
  exec {fd}>"$dir/display"
  Xvfb -displayfd "$fd" -screen 0 "${size}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec {fd}>&-
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.2; done
  [ -s "$dir/display" ] || return 1
  DISPLAY=:$(head -n1 "$dir/display")
  export DISPLAY
}

# wine_prefix_for_saver PROBE SHIPS: makes the Wine prefix $WINEPREFIX, puts
# the probe helper PROBE (tests/wine/hvprobe) there as C:\halvorn\hvprobe.exe
# and writes the saver's five settings into its profile through it, as the
# settings dialog would: SHIPS additional ships, everything else off.
wine_prefix_for_saver() {
  local probe=$1 setting
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  mkdir -p "$WINEPREFIX/drive_c/halvorn"
  cp "$probe" "$WINEPREFIX/drive_c/halvorn/hvprobe.exe"
  for setting in HVIsLetterBox=0 HVNumberAdditionalShips="$2" HVIsRandStartView=0 HVIsFrameCounter=0 \
    HVIsLowResStars=0; do
    wine 'C:\halvorn\hvprobe.exe' profile "${setting%%=*}" "${setting#*=}" >/dev/null 2>&1 || return 1
  done
}
