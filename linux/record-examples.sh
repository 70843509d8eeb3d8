#!/usr/bin/env bash
# Records the examples' play sessions again, the recordings their replay tests check: installs linux/build into
# a scratch prefix, builds examples/walker, dialogs and menu against it (in linux/build-examples, or
# $ZARVELLO_EXAMPLES_BUILD), runs each in a window of its own private X server with
# ZARVELLO_RECORD=examples/<name>/<name>.zrec (a scratch home, the dummy audio driver) and plays it by script:
#   walker   about 60 seconds: walks around the field with held arrow keys and taps, then Escape;
#   dialogs  a few seconds: Return presses OK four times (the count changes on the screen), then Escape;
#   menu     Options by a click, Escape, Options again by Tab Tab Return, the slider, the check box, a name
#            typed, OK, Play, back, Quit (about 15 seconds).
# Then the update_<name>_replay target of each build replays the new recording and writes the expected screens
# beside it: examples/<name>/<name>.screens and the pictures in examples/<name>/<name>.screens.d/. Commit all
# three. Run it when a change to an example or to the engine makes the old recordings meaningless, not to make a
# failing replay test pass. Depends on: Xvfb, xdotool (linux/xserver.sh).
# Usage: linux/record-examples.sh [NAME...]   (default: walker dialogs menu)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs="${ZARVELLO_JOBS:-$(nproc)}"
work=$(mktemp -d)
xserver_pid=""
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  [ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "record-examples: $*" >&2; exit 1; }

examples=("$@")
[ ${#examples[@]} -gt 0 ] || examples=(walker dialogs menu)

build="$root/linux/build"
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
out="${ZARVELLO_EXAMPLES_BUILD:-$root/linux/build-examples}"
for example in "${examples[@]}"; do
  echo "-- examples/$example: built against $prefix"
  cmake -S "$root/examples/$example" -B "$out/$example" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$out/$example" -j"$jobs" >/dev/null
done

# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
unset SDL_VIDEODRIVER XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR
export SDL_AUDIODRIVER=dummy

# start NAME TITLE: a fresh X server and a fresh home, then the example recording from its build directory.
start() {
  local name=$1 title=$2
  mkdir -p "$work/$name"
  start_xserver "$work/$name"
  export HOME="$work/$name/home"
  mkdir -p "$HOME"
  (cd "$out/$name" && ZARVELLO_RECORD="$root/examples/$name/$name.zrec" exec "./$name") >"$work/$name.out" 2>&1 &
  program=$!
  wait_for_window "$title" "$program"
  [ -n "$window" ] || { cat "$work/$name.out" >&2; fail "$name did not open its window"; }
  sleep 1
}

# finish NAME: waits for the example to end by itself (after Escape or Quit), then stops its X server.
finish() {
  local name=$1 status=0
  for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  wait "$program" || status=$?
  program=""
  kill "$xserver_pid" 2>/dev/null || true
  wait "$xserver_pid" 2>/dev/null || true
  xserver_pid=""
  [ "$status" -eq 0 ] || { cat "$work/$name.out" >&2; fail "$name ended with exit status $status"; }
  [ -s "$root/examples/$name/$name.zrec" ] || fail "$name left no recording"
  echo "-- $name: recorded examples/$name/$name.zrec ($(stat -c %s "$root/examples/$name/$name.zrec") bytes)"
}

# hold KEY SECONDS: holds an arrow key down, so the hero walks on stride after stride.
hold() {
  xdotool keydown --window "$window" "$1" 2>/dev/null
  sleep "$2"
  xdotool keyup --window "$window" "$1" 2>/dev/null
  sleep 0.3
}
# tap KEY [TIMES]: presses and releases KEY, a stride each.
tap() {
  for _ in $(seq "${2:-1}"); do send_key "$window" "$1"; sleep 0.25; done
}

record_walker() {
  echo "-- walker: a minute's walk around the field"
  start walker Walker
  # The hero starts in the middle (384, 284) and walks 120 pixels a second.
  hold Right 2.5       # east, near the right edge
  hold Down 2          # to the lower right
  tap Left 6
  hold Up 4.5          # up the right side to the top edge
  hold Left 5          # along the top
  tap Down 4
  hold Left 2.5        # the upper left corner
  hold Down 4.5        # down the left side to the bottom
  tap Right 8
  hold Right 3         # along the bottom
  hold Up 2
  tap Left 3
  tap Up 3
  hold Right 2.5
  hold Down 1
  tap Right 4
  hold Up 3            # back towards the middle
  hold Left 2
  tap Down 5
  hold Left 1.5
  tap Up 2
  tap Right 2
  hold Down 2
  hold Right 1.5
  tap Left 4
  hold Up 2.5
  hold Left 1.5
  sleep 1
  send_key "$window" Escape
  finish walker
}

record_dialogs() {
  echo "-- dialogs: OK pressed four times by Return"
  start dialogs Dialogs
  for _ in 1 2 3 4; do send_key "$window" Return; sleep 0.6; done
  sleep 0.5
  send_key "$window" Escape
  finish dialogs
}

record_menu() {
  echo "-- menu: the options by mouse and keyboard, play, back, quit"
  start menu Menu
  click() { xdotool mousemove --window "$window" "$1" "$2" click 1 2>/dev/null; sleep 0.6; }
  click 400 264                                                        # Options
  xdotool key --window "$window" Escape 2>/dev/null; sleep 0.6         # closes the options dialog
  xdotool key --window "$window" --delay 250 Tab Tab Return 2>/dev/null; sleep 0.6  # Options by the keyboard
  click 335 166                                                        # the volume slider to its lowest
  click 222 200                                                        # music off
  click 560 233                                                        # the name field
  xdotool key --window "$window" --delay 200 End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace \
    2>/dev/null
  xdotool type --window "$window" --delay 200 "Ada" 2>/dev/null; sleep 0.6
  click 328 284                                                        # OK
  click 400 226                                                        # Play
  sleep 1
  click 400 324                                                        # back to the title
  click 400 302                                                        # Quit
  finish menu
}

for example in "${examples[@]}"; do
  case $example in
    walker|dialogs|menu) "record_$example" ;;
    *) fail "no such example: $example" ;;
  esac
done

# The expected screens of each new recording, replayed headless by the game's own update target.
for example in "${examples[@]}"; do
  cmake --build "$out/$example" --target "update_${example}_replay" >"$work/$example-update.out" 2>&1 ||
    { cat "$work/$example-update.out" >&2; fail "$example: the update of its expected screens failed"; }
  grep "^Replayed" "$work/$example-update.out" || true
  echo "-- $example: $(grep -vc '^#' "$root/examples/$example/$example.screens") screens," \
    "$(du -sh "$root/examples/$example/$example.screens.d" | cut -f1) of pictures"
done
echo "record-examples: the recordings and their expected screens are in examples/; commit them"
