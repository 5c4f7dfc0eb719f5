# shellcheck shell=bash
# Shared by the end-to-end suites of the program on X11 and on Wayland: the
# program's runs, its failures, and what a screenshot shows. Source it after
# defining pass, fail and wait_until, with $halvorn, $work and the array
# background_pids set.

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# --- processes -------------------------------------------------------------------

# start_halvorn NAME ARGS...: runs the program in the background with its
# output in $work/NAME.log; its pid in $pid.
start_halvorn() {
  local name=$1; shift
  "$halvorn" "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  background_pids+=("$pid")
}
# ended_with PID SECONDS: sets $code to the exit status once the process
# ended, "running" if it still runs after SECONDS (then it is killed), and
# $took to the milliseconds it took to end.
ended_with() {
  local from; from=$(now_ms)
  if wait_until "$2" eval "! kill -0 $1"; then
    took=$(( $(now_ms) - from ))
    wait "$1" 2>/dev/null
    code=$?
  else
    took=$(( $(now_ms) - from ))
    code=running
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
  fi
}

# failure_check NAME PATTERN ENV-AND-ARGS...: the program ends at once with
# status 1 and exactly one stderr line that matches PATTERN.
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

# --- pictures ----------------------------------------------------------------------

size_of() { convert "$1" -format '%wx%h' info:; }
# Fraction of the picture's pixels (or of its part WxH+X+Y) brighter than 10 % grey.
lit_fraction() { convert "$1" ${2:+-crop "$2" +repage} -colorspace gray -threshold 10% -format '%[fx:mean]' info:; }
# The battle: not black (stars and more, at least 0.4 % lit) and not a grey
# desktop (lit all over).
is_lit() { awk -v f="$(lit_fraction "$1" "${2:-}")" 'BEGIN { exit !(f >= 0.004 && f < 0.9) }'; }
# Pixels that differ between two pictures of the same size.
pixels_differing() { compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | awk '{ print int($1) }'; }
# The brightest channel value (0..1) in a part of the picture.
region_max() { convert "$1" -crop "$2" +repage -format '%[fx:maxima]' info:; }
region_black() { [ "$(region_max "$1" "$2")" = 0 ]; }
region_lit() { awk -v m="$(region_max "$1" "$2")" 'BEGIN { exit !(m > 0.3) }'; }

# A name for files: letters, digits and dashes.
slug() { tr -c 'A-Za-z0-9\n' '-' <<<"$1"; }

# picture_checks NAME SHOOT W H: SHOOT FILE takes a screenshot; it shows the
# battle, W x H, and it moves. The second picture is $work/$(slug NAME)-b.png.
picture_checks() {
  local name=$1 shoot=$2 w=$3 h=$4 a b
  a=$work/$(slug "$1")-a.png
  b=$work/$(slug "$1")-b.png
  if wait_until 20 eval "$shoot $a && is_lit $a"; then
    pass "$name: the picture is not black ($(lit_fraction "$a") of it lit)"
  else
    fail "$name: the picture is not black" "lit fraction $(lit_fraction "$a" 2>/dev/null)"
  fi
  [ "$(size_of "$a")" = "${w}x${h}" ] && pass "$name: the picture is ${w}x${h}" ||
    fail "$name: the picture is ${w}x${h}" "it is $(size_of "$a")"
  sleep 1
  $shoot "$b"
  local diff; diff=$(pixels_differing "$a" "$b")
  [ "${diff:-0}" -gt $(( w * h / 1000 )) ] && pass "$name: the picture changes ($diff pixels in 1 s)" ||
    fail "$name: the picture changes" "$diff pixels differ after 1 s"
}

# letterbox_checks NAME FILE W H SPARE: black bars above and below a 2.35:1
# band; the bottom SPARE rows are left out (the frame-rate line's).
letterbox_checks() {
  local name=$1 f=$2 w=$3 h=$4 spare=$5
  local bar; bar=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%d", (h - w / 2.35) / 2 }')
  if region_black "$f" "${w}x$((bar - 4))+0+0" && region_black "$f" "${w}x$((bar - 4 - spare))+0+$((h - bar + 4))" &&
     region_lit "$f" "${w}x$((h - 2 * bar - 8))+0+$((bar + 4))"; then
    pass "$name: letterbox band of $w x $((h - 2 * bar)) between black bars of $bar rows"
  else
    fail "$name: letterbox band between black bars of $bar rows" \
      "top $(region_max "$f" "${w}x$((bar - 4))+0+0"), band $(region_max "$f" "${w}x$((h - 2 * bar - 8))+0+$((bar + 4))")"
  fi
}
