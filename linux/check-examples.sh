#!/usr/bin/env bash
# The examples as a game programmer builds them: each is its own CMake project, built out of tree against an
# installed engine and run in a window of a private X server. Walker: three presses of the right arrow key move
# the hero three steps to the right, and the steps are heard (SDL's disk audio driver writes the sound to a file,
# silent until the first step with the music turned down for the run), and the next run starts it there.
# Dialogs: the dialogs are on the screen and the Return key presses the OK button, which counts the press.
# Escape then ends each with exit status 0 and no leak report. Menu: mouse clicks and keys open the options
# dialog, change the three settings, keep them, play and come back, and its Quit button ends it. The screens read
# back are kept in the examples' build directories (walker-after.png, dialogs-after.png, menu-title.png,
# menu-options.png, menu-playing.png). Last, each example's replay test (ctest in its build directory: its
# recorded session replayed headless, the screens compared with the kept ones) on classic SDL 1.2 and on
# sdl12-compat.
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

for example in walker dialogs menu; do
  echo "-- examples/$example: built against $prefix"
  cmake -S "$root/examples/$example" -B "$out/$example" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
  cmake --build "$out/$example" -j"$jobs" >/dev/null
done

# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
start_xserver "$work"
unset SDL_VIDEODRIVER
# What the examples keep for their player (walker's hero) goes to a scratch home, not the user's.
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME

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
  send_key "$window" Escape
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
for _ in 1 2 3; do send_key "$window" Right; sleep 0.2; done
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

echo "-- walker: the hero starts again where it stood"
[ "$(cat "$HOME/.local/share/walker/hero")" = "408 284" ] || fail "walker: the hero's place was not saved"
start walker Walker
capture "$out/walker/walker-again.png"
is_shirt "$(pixels "$out/walker/walker-again.png" 424,302)" || fail "walker: the hero did not start where it stood"
finish walker

echo "-- dialogs: the dialogs are there, Return presses OK"
start dialogs Dialogs
capture "$out/dialogs/dialogs-before.png"
mapfile -t before < <(pixels "$out/dialogs/dialogs-before.png" 300,180 750,40 560,420)
read -r r g b <<<"${before[0]}"; [ "$r" -gt 150 ] && [ "$g" -gt 150 ] && [ "$b" -gt 150 ] ||
  fail "dialogs: no light dialog body at (300, 180): ${before[0]}"
[ "${before[1]}" = "0 0 0" ] || fail "dialogs: the screen outside the dialogs is not clear: ${before[1]}"
read -r r g b <<<"${before[2]}"; [ "$r" -gt 150 ] || fail "dialogs: no disabled dialog at (560, 420): ${before[2]}"
send_key "$window" Return
sleep 0.5
capture "$out/dialogs/dialogs-after.png"
# The count "OK pressed 0 times" becomes "OK pressed 1 time": its row of text, at y 190 to 209, changes.
changed=$(compare -metric AE -extract 220x20+120+190 "$out/dialogs/dialogs-before.png" \
  "$out/dialogs/dialogs-after.png" null: 2>&1 || true)
[ "${changed%% *}" -gt 0 ] 2>/dev/null || fail "dialogs: the press was not counted on the screen ($changed)"
finish dialogs

echo "-- menu: the title dialog, the options by mouse and keyboard, play, back, quit"
start menu Menu
# click X Y: a left click at (X, Y) of the window.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1 2>/dev/null; sleep 0.3; }
is_light() { read -r r g b <<<"$1"; [ "$r" -gt 150 ] && [ "$g" -gt 150 ] && [ "$b" -gt 150 ]; }
is_back() { [ "$1" = "24 40 72" ] || [ "$1" = "24 40 66" ] || { read -r r g b <<<"$1"; [ "$b" -gt "$r" ] && [ "$r" -lt 40 ]; }; }
capture "$out/menu/menu-title.png"
mapfile -t seen < <(pixels "$out/menu/menu-title.png" 270,330 220,300 100,100)
is_light "${seen[0]}" || fail "menu: no title dialog at (270, 330): ${seen[0]}"
is_back "${seen[1]}" || fail "menu: the background is not around the title dialog: ${seen[1]}"
# Options (the title's second button) opens the options dialog, which is wider than the title.
click 400 264
capture "$out/menu/menu-options-before.png"
is_light "$(pixels "$out/menu/menu-options-before.png" 220,300)" || fail "menu: Options did not open its dialog"
# Escape closes the modal options dialog without quitting, and what it covered comes back.
xdotool key --window "$window" Escape 2>/dev/null; sleep 0.3
capture "$out/menu/menu-escaped.png"
kill -0 "$program" 2>/dev/null || fail "menu: Escape on the options dialog quit the game"
is_back "$(pixels "$out/menu/menu-escaped.png" 220,300)" || fail "menu: the closed options dialog left a trace"
# Again, by the keyboard alone: Tab to Options, Return.
xdotool key --window "$window" --delay 150 Tab Tab Return 2>/dev/null; sleep 0.3
# The slider to its lowest by a click at its left end, music off by its box, the name typed into the field.
click 335 166
click 222 200
click 560 233
xdotool key --window "$window" --delay 150 End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace 2>/dev/null
xdotool type --window "$window" --delay 150 "Ada" 2>/dev/null; sleep 0.3
capture "$out/menu/menu-options.png"
click 328 284
is_back "$(pixels "$out/menu/menu-options.png" 100,100)" || fail "menu: the background moved"
grep -q "menu: options kept: volume 0, music off, name 'Ada'" "$work/menu.out" ||
  { cat "$work/menu.out" >&2; fail "menu: OK did not keep the options set by mouse and keys"; }
click 400 226
capture "$out/menu/menu-playing.png"
grep -q "menu: playing as 'Ada'" "$work/menu.out" || { cat "$work/menu.out" >&2; fail "menu: Play did not play"; }
is_light "$(pixels "$out/menu/menu-playing.png" 170,350)" || fail "menu: no playing dialog"
click 400 324
click 400 302
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "menu: Quit did not end it"
status=0; wait "$program" || status=$?
[ "$status" -eq 0 ] || { cat "$work/menu.out" >&2; fail "menu ended with exit status $status"; }
if grep -q "Memory Leak!" "$work/menu.out"; then cat "$work/menu.out" >&2; fail "menu left memory allocated"; fi
# OK wrote the kept options to the player's own settings file.
kept="$HOME/.config/menu/menu.conf"
grep -qx "volume = 0" "$kept" && grep -qx "music = off" "$kept" && grep -qx 'playerName = "Ada"' "$kept" ||
  { cat "$kept" >&2; fail "menu: the kept options are not in the player's settings file"; }

# Each example's replay test (its recorded session replayed headless, its screens compared with the kept ones),
# on classic SDL 1.2 and on sdl12-compat: the same checksums on both.
echo "-- the examples' replay tests, on classic SDL 1.2 and on sdl12-compat"
replays() {
  local status=0
  for example in walker dialogs menu; do ctest --test-dir "$out/$example" --output-on-failure || status=1; done
  return $status
}
replays || fail "a replay test failed on classic SDL 1.2"
export -f replays
out="$out" bash "$root/linux/sdl12-compat.sh" bash -c replays || fail "a replay test failed on sdl12-compat"

echo "check-examples: the examples build against the installed engine, answer their keys and clicks, and replay"
