# shellcheck shell=bash
# Shell functions that the scripts source (bash).

# start_xvfb DIR WxH: starts a virtual X server of its own on the first free
# display, with one screen of WxH at 24 bits (its log and display number go
# into DIR); sets xvfb_pid and exports DISPLAY. Returns 1 if it does not start.
start_xvfb() {
  local dir=$1 size=$2 fd
  exec {fd}>"$dir/display"
  Xvfb -displayfd "$fd" -screen 0 "${size}x24" -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
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

# form_pids TAG: the processes whose environment holds HALVORN_SOAK_RUN=TAG
# (every descendant inherits it, and so do those that leave their parent, as
# wineserver, Wine's services and Chromium's crash handler do) and all their
# descendants (Chromium starts its helpers with an environment of its own).
form_pids() {
  local roots
  # Processes come and go while /proc is read: a file that vanished is no error.
  roots=$({ grep -lsxz "HALVORN_SOAK_RUN=$1" /proc/[0-9]*/environ || true; } | cut -d/ -f3 | tr '\n' ' ')
  [ -n "$roots" ] || return 0
  { grep -s '^PPid:' /proc/[0-9]*/status || true; } | awk -F'[/:\t]+' -v roots="$roots" '
    BEGIN { n = split(roots, r, " "); for (i = 1; i <= n; i++) keep[r[i]] = 1 }
    { parent[$3] = $6 }
    END {
      do {
        more = 0
        for (p in parent) if (!(p in keep) && (parent[p] in keep)) { keep[p] = 1; more = 1 }
      } while (more)
      for (p in keep) if (p in parent) print p
    }'
}

# memory_kb PID...: "OWN RSS COUNT" in kB over those of the processes that are
# still there. OWN is their anonymous and shared memory (heap, stacks, shared
# memory segments) as proportional set size, Pss_Anon + Pss_Shmem: a page that
# several of them map is counted once, split between them. Such pages are
# shared only with parents, children and peers (a fork, a segment between a
# client and its server), which a form counts too, so OWN does not move when
# other programs come and go; the libraries' pages, which other programs on the
# machine share, are left out (they cannot grow beyond the files). RSS is the
# resident set, every page counted in each process that maps it. COUNT is how
# many processes were measured.
memory_kb() {
  local p
  for p in "$@"; do cat "/proc/$p/smaps_rollup" 2>/dev/null || true; done |
    awk '$1 == "Rss:" { r += $2; n++ } $1 == "Pss_Anon:" || $1 == "Pss_Shmem:" { o += $2 }
         END { print o + 0, r + 0, n + 0 }'
}
