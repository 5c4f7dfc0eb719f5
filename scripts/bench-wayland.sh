#!/usr/bin/env bash
# Measures the program's window on Wayland against its window on X11, side
# by side: the X11 window on a virtual X display (Xvfb) and the Wayland
# window on a headless sway (tiled alone, without borders, so as large as
# the output), both at the same size and running at the same time, so that
# both see the same machine. After a settling time it prints, for each, the
# CPU share of the program and of its display server, and the frame rate and
# frame time of the frame-rate line (--fps), averaged over its lines.
#
#   scripts/bench-wayland.sh [HALVORN] [WxH ...]
#     HALVORN   the program (default build/host/linux/halvorn)
#     WxH       the sizes (default 1280x720 1024x768)
#   HALVORN_BENCH_SECONDS  measured seconds (default 20), after 3 s
#   HALVORN_BENCH_ROUNDS   runs at each size (default 3)
#
# Needs Xvfb and sway; sway does not run as root, so as root it runs as the
# user halvorntest (which tests/linux/run_wayland_e2e.sh creates).
set -euo pipefail
cd "$(dirname "$0")/.."
halvorn=$(realpath "${1:-build/host/linux/halvorn}")
shift || true
sizes=("${@:-1280x720 1024x768}")
read -r -a sizes <<<"${sizes[*]}"
seconds=${HALVORN_BENCH_SECONDS:-20}
rounds=${HALVORN_BENCH_ROUNDS:-3}
tck=$(getconf CLK_TCK)
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(runuser -u halvorntest --)

run=$(mktemp -d /tmp/halvorn-bench-wayland.XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$run"' EXIT
chmod 755 "$run"
mkdir -m 700 "$run/r"
[ "$(id -u)" -eq 0 ] && chown halvorntest: "$run/r"
display=:$(( 150 + $$ % 50 ))

for ((round = 1; round <= rounds; round++)); do
  for size in "${sizes[@]}"; do
    printf 'default_border none\nxwayland disable\noutput HEADLESS-1 resolution %s\n' "$size" >"$run/sway.conf"
    chmod 644 "$run/sway.conf"
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$run" XDG_RUNTIME_DIR="$run/r" WLR_BACKENDS=headless \
      WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$run/sway.conf" >"$run/sway.log" 2>&1 &
    pids=($!)
    Xvfb "$display" -screen 0 "$size"x24 -nolisten tcp -noreset >"$run/xvfb.log" 2>&1 &
    pids+=($!)
    sleep 3
    sway=$(pgrep -P "${pids[0]}" || echo "${pids[0]}")  # below runuser, if any
    DISPLAY=$display "$halvorn" --x11 --fps --seed 7 --size "$size" >"$run/x11.log" 2>&1 &
    x11=$!
    env -u DISPLAY XDG_RUNTIME_DIR="$run/r" WAYLAND_DISPLAY=wayland-1 "$halvorn" --fps --seed 7 >"$run/wayland.log" 2>&1 &
    wayland=$!
    pids+=("$x11" "$wayland")
    sleep 3
    t0=$(date +%s%N) a0=$(ticks "$x11") b0=$(ticks "$wayland") c0=$(ticks "${pids[1]}") d0=$(ticks "$sway")
    lines=("$(wc -l <"$run/x11.log")" "$(wc -l <"$run/wayland.log")")
    sleep "$seconds"
    t1=$(date +%s%N) a1=$(ticks "$x11") b1=$(ticks "$wayland") c1=$(ticks "${pids[1]}") d1=$(ticks "$sway")
    share() { awk -v c="$1" -v t=$(((t1 - t0) / 1000000)) -v k="$tck" 'BEGIN { printf "%.1f%%", 100 * c * 1000 / k / t }'; }
    rate() {
      tail -n +$(($2 + 1)) "$1" | grep -o '^[0-9]* miliseconds since last frame.  [0-9.]* Frames' |
        awk '{ ms += $1; fps += $6; n++ } END { if (n) printf "%.1f frames/s, %.1f ms a frame", fps / n, ms / n }'
    }
    echo "$size X11:     $(rate "$run/x11.log" "${lines[0]}"), $(share $((a1 - a0))) of a core (Xvfb $(share $((c1 - c0))))"
    echo "$size Wayland: $(rate "$run/wayland.log" "${lines[1]}"), $(share $((b1 - b0))) of a core (sway $(share $((d1 - d0))))"
    kill "$x11" "$wayland" "${pids[1]}" "$sway"
    wait 2>/dev/null || true
    rm -rf "${run:?}"/r/*
  done
done
