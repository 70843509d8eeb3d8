#!/usr/bin/env bash
# The examples as a game programmer builds them: each is its own CMake project, built out of tree against an
# installed engine and run in a window of a private X server. Walker: three presses of the right arrow key move
# the hero three steps to the right, and the steps are heard (SDL's disk audio driver writes the sound to a file,
# silent until the first step with the music turned down for the run). Dialogs: the dialogs are on the screen and the Return key presses the OK
# button, which counts the press. Escape then ends each with exit status 0 and no leak report. The screens
# read back are kept in the examples' build directories (walker-after.png, dialogs-after.png).
# Usage: linux/check-examples.sh [PREFIX]   (default: linux/build installed into a scratch prefix)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs="${ZARVELLO_JOBS:-$(nproc)}"
work=$(mktemp -d)
xserver_pid=""
walker_conf=""
cleanup() {
  [ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null || true
  [ -n "$walker_conf" ] && cp "$work/walker.conf" "$walker_conf" || true
  rm -rf "$work"
}
trap cleanup EXIT

prefix="${1:-}"
if [ -z "$prefix" ]; then
  build="$root/linux/build"
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j"$jobs" >/dev/null
  prefix="$work/prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
fi
out="${ZARVELLO_EXAMPLES_BUILD:-$root/linux/build-examples}"

for example in walker dialogs; do
  echo "-- examples/$example: built against $prefix"
  cmake -S "$root/examples/$example" -B "$out/$example" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
  cmake --build "$out/$example" -j"$jobs" >/dev/null
done

# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
start_xserver "$work"
unset SDL_VIDEODRIVER

fail() { echo "check-examples: $*" >&2; exit 1; }

# start NAME TITLE: runs the example from its build directory (its run directory) and waits for its window.
start() {
  local name=$1 title=$2
  (cd "$out/$name" && exec "./$name") >"$work/$name.out" 2>&1 &
  program=$!
  wait_for_window "$title" "$program"
  [ -n "$window" ] || { cat "$work/$name.out" >&2; fail "$name did not open its window"; }
  sleep 1
}

capture() { xwd -silent -id "$window" | convert xwd:- "$1"; }

# finish NAME: Escape ends the example; exit status 0 and no leak report.
finish() {
  local name=$1 status=0
  xdotool key --window "$window" Escape 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  wait "$program" || status=$?
  [ "$status" -eq 0 ] || { cat "$work/$name.out" >&2; fail "$name ended with exit status $status"; }
  if grep -q "Memory Leak!" "$work/$name.out"; then cat "$work/$name.out" >&2; fail "$name left memory allocated"; fi
}

# pixels IMAGE X,Y...: the colour of each point as "r g b", one line each.
pixels() {
  python3 - "$@" <<'PY'
import subprocess, sys
image = sys.argv[1]
width = int(subprocess.run(["identify", "-format", "%w", image], check=True, capture_output=True).stdout)
data = subprocess.run(["convert", image, "-depth", "8", "rgb:-"], check=True, capture_output=True).stdout
for point in sys.argv[2:]:
    x, y = (int(v) for v in point.split(","))
    i = (y * width + x) * 3
    print(data[i], data[i + 1], data[i + 2])
PY
}

is_shirt() { read -r r g b <<<"$1"; [ "$b" -gt 150 ] && [ "$r" -lt 90 ] && [ "$g" -lt 130 ]; }
is_grass() { read -r r g b <<<"$1"; [ "$g" -gt "$r" ] && [ "$g" -gt "$b" ] && [ "$g" -gt 80 ]; }

echo "-- walker: three steps to the right, heard"
# The sound goes to a file at about real time (a 1,024-sample buffer every 20 ms); the run's configuration turns
# the music down, so that the output is silent until the footsteps.
walker_conf="$out/walker/walker.conf"
cp "$walker_conf" "$work/walker.conf"
echo "musicVolume = 0" >>"$walker_conf"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/walker-sound.raw" SDL_DISKAUDIODELAY=20
start walker Walker
silent_until=$(stat -c %s "$work/walker-sound.raw")
capture "$out/walker/walker-before.png"
# The hero starts at (384, 284); its shirt is 16 pixels in and 18 down. Each step is 8 pixels (walker.conf).
is_shirt "$(pixels "$out/walker/walker-before.png" 400,302)" || fail "walker: the hero is not where it starts"
for _ in 1 2 3; do xdotool key --window "$window" Right 2>/dev/null; sleep 0.2; done
sleep 0.5
capture "$out/walker/walker-after.png"
mapfile -t after < <(pixels "$out/walker/walker-after.png" 400,302 424,302)
is_shirt "${after[1]}" || fail "walker: the hero did not arrive three steps to the right"
is_grass "${after[0]}" || fail "walker: the field was not repainted where the hero stood"
finish walker
cp "$work/walker.conf" "$walker_conf"
walker_conf=""
unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE SDL_DISKAUDIODELAY
grep -q "Sound is off\|getSound (\|playMusic (" "$work/walker.out" && { cat "$work/walker.out" >&2; fail "walker: no sound"; }
# The loudest sample before the steps and after them (16-bit little-endian samples).
read -r quiet loud < <(python3 - "$work/walker-sound.raw" "$silent_until" <<'PY'
import array, sys
data = open(sys.argv[1], "rb").read()
cut = int(sys.argv[2]) // 2 * 2
peak = lambda b: max((abs(v) for v in array.array("h", b[: len(b) // 2 * 2])), default=0)
print(peak(data[:cut]), peak(data[cut:]))
PY
)
[ "$quiet" -eq 0 ] || fail "walker: sound before any step (loudest sample $quiet)"
[ "$loud" -gt 1000 ] || fail "walker: the steps made no sound (loudest sample $loud)"

echo "-- dialogs: the dialogs are there, Return presses OK"
start dialogs Dialogs
capture "$out/dialogs/dialogs-before.png"
mapfile -t before < <(pixels "$out/dialogs/dialogs-before.png" 300,180 750,40 560,420)
read -r r g b <<<"${before[0]}"; [ "$r" -gt 150 ] && [ "$g" -gt 150 ] && [ "$b" -gt 150 ] ||
  fail "dialogs: no light dialog body at (300, 180): ${before[0]}"
[ "${before[1]}" = "0 0 0" ] || fail "dialogs: the screen outside the dialogs is not clear: ${before[1]}"
read -r r g b <<<"${before[2]}"; [ "$r" -gt 150 ] || fail "dialogs: no disabled dialog at (560, 420): ${before[2]}"
xdotool key --window "$window" Return 2>/dev/null
sleep 0.5
capture "$out/dialogs/dialogs-after.png"
# The count "OK pressed 0 times" becomes "OK pressed 1 time": its row of text, at y 190 to 209, changes.
changed=$(compare -metric AE -extract 220x20+120+190 "$out/dialogs/dialogs-before.png" \
  "$out/dialogs/dialogs-after.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 0 ] 2>/dev/null || fail "dialogs: the press was not counted on the screen ($changed)"
finish dialogs

echo "check-examples: both examples build against the installed engine and answer their keys"
