#!/usr/bin/env bash
# The idle frame rate and CPU time of the demonstration beside the bare SDL program (bench/bare_sdl.cpp, the
# same window and loop with nothing of the engine), on the classic SDL 1.2 and on sdl12-compat, each run alone
# in a window of its own Xvfb for 10 seconds, so that a reader sees what is SDL's cost and what is the engine's.
# It prints a Markdown table with the machine, its load before the runs, and the command. The figures are only
# worth quoting on an otherwise idle machine: compare the load column.
# Usage: bench/idle-x.sh [BUILD_DIR] [SECONDS]   (default linux/build, 10; the tree is built first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$root/linux/build}"
seconds="${2:-10}"

if [ "${ZARVELLO_IDLE_RUN:-}" = "" ]; then
  cmake -S "$root" -B "$build" -DZARVELLO_BENCH=ON >/dev/null
  cmake --build "$build" -j"$(nproc)" --target zarvello_program zarvello_data bare_sdl >/dev/null
  ZARVELLO_BUILD="$build" bash "$root/linux/sdl12-compat.sh" true >/dev/null 2>&1  # fetches sdl12-compat once
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //');" \
       "load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg); $(date -u +%Y-%m-%d)."
  echo "Command: bench/idle-x.sh; each program alone, ${seconds} s after its window appeared, under Xvfb"
  echo "(1024 x 768 x 24, no window manager); CPU is the process's user and system time over those seconds."
  echo
  echo "| Program | SDL 1.2 | Frame rate | CPU (% of one core) |"
  echo "|---|---|---|---|"
  for library in classic sdl12-compat; do
    for program in "$build/zarvello" "$build/bench/bare_sdl"; do
      if [ "$library" = classic ]; then
        ZARVELLO_IDLE_RUN=1 bash "$0" "$build" "$seconds" "$program" "$library"
      else
        ZARVELLO_BUILD="$build" ZARVELLO_IDLE_RUN=1 bash "$root/linux/sdl12-compat.sh" \
          bash "$0" "$build" "$seconds" "$program" "$library"
      fi
    done
  done
  exit 0
fi

# One run: the program in its window for the given seconds, then Escape.
program=$3
library=$4
work=$(mktemp -d)
xserver_pid=""
trap '[ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null; rm -rf "$work"' EXIT
# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
start_xserver "$work"
unset SDL_VIDEODRIVER
"$program" -windowed -nologconsole 2>"$work/console" &
pid=$!
wait_for_window Zarvello "$pid"
[ -n "$window" ] || { cat "$work/console" >&2; echo "idle-x: $program opened no window" >&2; exit 1; }
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
before=$(ticks)
sleep "$seconds"
after=$(ticks)
send_key "$window" Escape
wait "$pid" || true
fps=$(sed -n 's/^FPS was \([0-9.]*\),.*/\1/p' "$work/console")
cpu=$(awk -v t="$((after - before))" -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
  'BEGIN { printf "%.1f", 100 * t / hz / s }')
name=demonstration
[ "$(basename "$program")" = bare_sdl ] && name="bare SDL program"
echo "| $name | $library | ${fps:-?} FPS | $cpu % |"
