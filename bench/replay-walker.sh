#!/usr/bin/env bash
# The whole replay, timed: a 60-second recording of the walker example replayed headless with the screen's
# checksum taken at every frame, as a game's replay test runs it (target: at most 3 seconds).
#   1. builds the engine in Release (build tree linux/build-replay) and installs it into a scratch prefix
#      (linux/build-replay/prefix, installed afresh at every run);
#   2. builds examples/walker against that prefix, as a game programmer would (see linux/check-examples.sh), in
#      linux/build-replay/walker, which is also its run directory;
#   3. takes the recording examples/walker/walker.zrec; when the repository has none, makes one (once, kept as
#      linux/build-replay/walker.zrec): walker runs for 60 s in a private Xvfb while xdotool holds the arrow
#      keys in turn (2 s each, so the hero walks the field and the screen changes most frames), then Escape;
#   4. replays it N times (ZARVELLO_REPLAY_RUNS, default 5) on classic SDL 1.2 and on sdl12-compat
#      (the library linux/sdl12-compat.sh swaps in, found once and put on LD_LIBRARY_PATH, so that the script's
#      own work is not timed), once with ZARVELLO_REPLAY_FRAMES=all and
#      ZARVELLO_REPLAY_CHECKSUMS (a checksum of the 800 x 600 screen each frame) and once checking only the last
#      frame (ZARVELLO_REPLAY_FRAMES="every 4294967295"), so that the checksums' share shows;
#   5. prints the medians of the wall-clock and CPU (user + system) times of each, and checks that every run
#      wrote the same checksums on both libraries.
# Usage: bench/replay-walker.sh
#        ZARVELLO_REPLAY_RUNS=9 bench/replay-walker.sh
#        ZARVELLO_REPLAY_PROFILE=classic|compat bench/replay-walker.sh
#            also one replay (a checksum every frame) under callgrind on that library; the profile is left in
#            linux/build-replay/replay-LIBRARY.callgrind and its top functions printed
# Writes nothing into the source tree outside linux/build-replay (ignored by git).
# Depends on: cmake, Xvfb, xdotool, xdpyinfo (linux/xserver.sh), linux/sdl12-compat.sh, valgrind (profile).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/linux/build-replay"
runs="${ZARVELLO_REPLAY_RUNS:-5}"
jobs="${ZARVELLO_JOBS:-$(nproc)}"
work=$(mktemp -d)
xserver_pid=""
recorder=""
cleanup() {
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null || true
  [ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

launchers=()
if command -v ccache >/dev/null; then
  launchers=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "-- building the engine (Release) and installing it into a scratch prefix"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVELLO_TESTS=OFF -DZARVELLO_BENCH=OFF \
  "${launchers[@]}" >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null
prefix="$build/prefix"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "-- building examples/walker against it"
game="$build/walker"
cmake -S "$root/examples/walker" -B "$game" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  "${launchers[@]}" >/dev/null
cmake --build "$game" -j"$jobs" >/dev/null
# What walker keeps for its player goes to a scratch home, not the user's.
export HOME="$work/home"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME

recording="$root/examples/walker/walker.zrec"
if [ ! -f "$recording" ]; then
  recording="$build/walker.zrec"
fi
if [ ! -f "$recording" ]; then
  echo "-- recording 60 seconds of walker under a private Xvfb (arrow keys held in turn)"
  # shellcheck source=linux/xserver.sh
  . "$root/linux/xserver.sh"
  start_xserver "$work"
  (cd "$game" && SDL_AUDIODRIVER=dummy ZARVELLO_RECORD="$work/walker.zrec" exec ./walker) >"$work/record.out" 2>&1 &
  recorder=$!
  wait_for_window Walker "$recorder"
  [ -n "$window" ] || { cat "$work/record.out" >&2; echo "replay-walker: walker opened no window" >&2; exit 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  started=$(date +%s)
  while [ $(($(date +%s) - started)) -lt 60 ]; do
    for key in Right Down Left Up Right Up Left Down; do
      [ $(($(date +%s) - started)) -lt 60 ] || break
      xdotool keydown --window "$window" "$key" 2>/dev/null || true
      sleep 2
      xdotool keyup --window "$window" "$key" 2>/dev/null || true
    done
  done
  send_key "$window" Escape
  wait "$recorder" || { cat "$work/record.out" >&2; echo "replay-walker: the recording run failed" >&2; exit 1; }
  recorder=""
  kill "$xserver_pid" 2>/dev/null || true
  xserver_pid=""
  grep -h "Recorded" "$work/record.out" || true
  mv "$work/walker.zrec" "$build/walker.zrec"
  recording="$build/walker.zrec"
fi
echo "-- the recording: $recording ($(stat -c %s "$recording") bytes)"

# replay LIBRARY MODE RUN: one replay; appends "library mode wall cpu" to $work/times.
replay() {
  local library=$1 mode=$2 run=$3 frames=all wrapper=()
  [ "$mode" = checksums ] || frames="every 4294967295"
  [ "$library" = classic ] || wrapper=(env LD_LIBRARY_PATH="$compat_path")
  local out="$work/$library-$mode-$run"
  (cd "$game" && ZARVELLO_REPLAY="$recording" ZARVELLO_REPLAY_FRAMES="$frames" \
    ZARVELLO_REPLAY_CHECKSUMS="$out.screens" /usr/bin/time -f "%e %U %S" -o "$out.time" \
    "${wrapper[@]}" ./walker) >"$out.log" 2>&1 ||
    { cat "$out.log" >&2; echo "replay-walker: the replay failed ($library, $mode)" >&2; exit 1; }
  read -r wall user system <"$out.time"
  echo "$library $mode $wall $(awk -v u="$user" -v s="$system" 'BEGIN { printf "%.2f", u + s }')" >>"$work/times"
}

# The swap to sdl12-compat must take: walker resolves SDL 1.2 to the unpacked library.
compat_path=$(bash "$root/linux/sdl12-compat.sh" printenv LD_LIBRARY_PATH)
compat_sdl=$(LD_LIBRARY_PATH="$compat_path" ldd "$game/walker" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
classic_sdl=$(ldd "$game/walker" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
[ "$(readlink -f "$compat_sdl")" != "$(readlink -f "$classic_sdl")" ] ||
  { echo "replay-walker: sdl12-compat was not swapped in ($compat_sdl)" >&2; exit 1; }
echo "-- classic SDL 1.2: $(readlink -f "$classic_sdl"); sdl12-compat: $(readlink -f "$compat_sdl")"

echo "-- $runs replays each, interleaved: {classic, sdl12-compat} x {a checksum every frame, the last frame only}"
: >"$work/times"
for run in $(seq "$runs"); do
  for library in classic compat; do
    for mode in checksums last; do
      replay "$library" "$mode" "$run"
    done
  done
done

# Every replay gives the same screens: the same checksums on every run and on both libraries.
frames=$(grep -vc '^#' "$work/classic-checksums-1.screens")
for file in "$work"/*-checksums-*.screens; do
  cmp -s <(grep -v '^#' "$file") <(grep -v '^#' "$work/classic-checksums-1.screens") ||
    { echo "replay-walker: $(basename "$file") differs from the first run's checksums" >&2; exit 1; }
done
echo "-- $(grep -h '^Replayed' "$work/classic-checksums-1.log" || echo "(no summary line)")"
echo "-- every replay wrote the same $frames checksums, on classic SDL 1.2 and on sdl12-compat"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '\n%-14s %-28s %10s %10s\n' "SDL" "checks" "wall (s)" "CPU (s)"
for library in classic compat; do
  for mode in checksums last; do
    wall=$(awk -v l="$library" -v m="$mode" '$1 == l && $2 == m { print $3 }' "$work/times" | median)
    cpu=$(awk -v l="$library" -v m="$mode" '$1 == l && $2 == m { print $4 }' "$work/times" | median)
    name=$([ "$library" = classic ] && echo "classic 1.2" || echo "sdl12-compat")
    what=$([ "$mode" = checksums ] && echo "a checksum every frame" || echo "the last frame only")
    printf '%-14s %-28s %10s %10s\n' "$name" "$what" "$wall" "$cpu"
  done
done
echo "(medians of $runs runs; target: at most 3 s with a checksum every frame;" \
  "load average now $(cut -d' ' -f1-3 /proc/loadavg))"

profile="${ZARVELLO_REPLAY_PROFILE:-}"
if [ -n "$profile" ]; then
  echo "-- one replay under callgrind ($profile, a checksum every frame)"
  wrapper=()
  [ "$profile" = classic ] || wrapper=(env LD_LIBRARY_PATH="$compat_path")
  (cd "$game" && ZARVELLO_REPLAY="$recording" ZARVELLO_REPLAY_FRAMES=all ZARVELLO_REPLAY_CHECKSUMS="$work/cg.screens" \
    "${wrapper[@]}" valgrind --tool=callgrind --callgrind-out-file="$build/replay-$profile.callgrind" ./walker) \
    >"$work/cg.log" 2>&1 || { cat "$work/cg.log" >&2; exit 1; }
  callgrind_annotate --inclusive=yes "$build/replay-$profile.callgrind" 2>/dev/null | sed -n '1,60p'
  echo "(profile: $build/replay-$profile.callgrind)"
fi
