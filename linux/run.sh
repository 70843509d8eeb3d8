#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demonstration from its run directory (linux/build).
# Without a display it runs the program under its own X server for a few seconds, saves a screenshot and says
# where it is. Extra arguments go to the program ("-fullscreen", "-windowed", ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/linux/build"

bash "$root/linux/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/zarvello" "$@"
fi

display=":$(( (RANDOM % 400) + 100 ))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$build/zarvello" "$@" &
program=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Zarvello$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
sleep 3
shot="$build/screenshot.png"
if [ -n "$window" ]; then
  xwd -silent -id "$window" | convert xwd:- "$shot"
  xdotool key --window "$window" Escape
fi
status=0
wait "$program" || status=$?
if [ -n "$window" ]; then
  echo "No display here: the demonstration ran under its own X server; screenshot saved to $shot"
else
  echo "The demonstration did not open its window (exit code $status)."
fi
exit "$status"
