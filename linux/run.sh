#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demonstration from its run directory (linux/build).
# Without a display it runs the program under its own X server for a few seconds, saves a screenshot and says
# where it is. Extra arguments go to the program ("-fullscreen", "-windowed", ...).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZARVELLO_BUILD:-$root/linux/build}"

bash "$root/linux/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/zarvello" "$@"
fi

# The server picks a free display number itself and writes it out once it accepts connections.
work=$(mktemp -d)
# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
start_xserver "$work"
trap 'kill "$xserver_pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# The program's console goes to the terminal and to a file, which tells whether it runs full screen.
"$build/zarvello" "$@" 2> >(tee "$work/console" >&2) &
program=$!
wait_for_window Zarvello "$program" 100
sleep 3
shot="$build/screenshot.png"
if [ -n "$window" ]; then
  # Full screen, the picture sits centred on the whole screen rather than in the titled window.
  if grep -q "16 bit full screen video" "$work/console"; then
    xwd -silent -root | convert xwd:- "$shot"
  else
    xwd -silent -id "$window" | convert xwd:- "$shot"
  fi
  send_key "$window" Escape
fi
status=0
wait "$program" || status=$?
if [ -n "$window" ]; then
  echo "No display here: the demonstration ran under its own X server; screenshot saved to $shot"
else
  echo "The demonstration did not open its window (exit code $status)."
fi
exit "$status"
