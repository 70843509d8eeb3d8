#!/usr/bin/env bash
# The CPU share of a game that moves a sprite every frame (two 32 x 32 rectangles queued a frame), in a window
# under a private Xvfb, with SDL 1.2's present as it comes and with the present chosen by setCheapestPresent;
# run it on sdl12-compat (bash linux/sdl12-compat.sh bench/present-cpu.sh), where the choice is made. The game
# is the tests' scaledgame; each run lasts SECONDS (default 10) and its CPU time (all threads, from
# /proc/PID/stat) is divided by the wall time. Extra arguments go to the game ("-scale 2", "-redraw").
# Usage: bench/present-cpu.sh [SECONDS] [GAME ARGUMENTS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZARVELLO_BUILD:-$root/linux/build}"
seconds=${1:-10}
shift || true
game="$build/tests/scaledgame"
[ -x "$game" ] || { echo "present-cpu: build the target scaledgame first ($game)" >&2; exit 1; }
# shellcheck source=../linux/xserver.sh
source "$root/linux/xserver.sh"
work=$(mktemp -d)
trap 'kill "$xserver_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
start_xserver "$work"
mkdir -p "$work/run/data"
cp "$game" "$work/run/"
cp "$build"/data/*.nfi "$work/run/data/"
printf 'fullscreen = 0\n' >"$work/run/zarvello.conf"
ticks=$(getconf CLK_TCK)

measure() {
  local label=$1
  shift
  (cd "$work/run" && exec ./scaledgame -sprite "$@" 2>"$work/stderr") &
  local pid=$!
  wait_for_window Zarvello "$pid" 300
  sleep 1
  local start_cpu end_cpu
  start_cpu=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  sleep "$seconds"
  end_cpu=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  xdotool key --window "$window" Escape
  wait "$pid" || true
  awk -v a="$start_cpu" -v b="$end_cpu" -v t="$ticks" -v s="$seconds" -v l="$label" \
    'BEGIN { printf "%-22s %5.1f %% of a core\n", l, 100 * (b - a) / t / s }'
  grep -E '^(Present|FPS was)' "$work/stderr" | sed 's/^/    /'
}

measure "as SDL comes" "$@"
measure "cheapest present" -cheapest "$@"
