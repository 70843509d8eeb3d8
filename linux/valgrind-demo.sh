#!/usr/bin/env bash
# Runs the demonstration under Valgrind's memcheck, in a window of its own private X server, ends it with the
# quit key (Escape, sent by xdotool) and fails when memcheck saw an invalid read or write, or a block definitely
# lost, whose innermost frame of the program's own code is where it happened (for an invalid access, the
# faulting frame; for a leak, the first frame past the allocator). SDL, X11 and the C library keep blocks of
# their own and do things memcheck cannot see through; those are not the program's faults and are not counted.
# Usage: linux/valgrind-demo.sh [BUILD_DIR]   (default linux/build; it is configured and built first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$root/linux/build}"

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"${ZARVELLO_JOBS:-2}" --target zarvello_program zarvello_data >/dev/null

work=$(mktemp -d)
xserver_pid=""
cleanup() {
  [ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A run directory of its own: the program, its configuration and the shipped data.
mkdir -p "$work/run/data"
cp "$build/zarvello" "$work/run/"
cp "$build/zarvello.conf" "$work/run/"
cp "$build"/data/*.nfi "$work/run/data/"

# shellcheck source=linux/xserver.sh
. "$root/linux/xserver.sh"
start_xserver "$work"
xdpyinfo >/dev/null 2>&1 || { echo "valgrind-demo: no X server could be started" >&2; exit 1; }
unset SDL_VIDEODRIVER

log="$work/memcheck.log"
(cd "$work/run" && exec valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
  --num-callers=30 --log-file="$log" ./zarvello -windowed) >"$work/program.out" 2>&1 &
program=$!

wait_for_window Zarvello "$program" 1200
if [ -z "$window" ]; then
  wait "$program" || true
  echo "valgrind-demo: the demonstration did not open its window" >&2
  tail -n 30 "$work/program.out" >&2
  exit 1
fi
# Let the scene be drawn and the loop run a while under memcheck, then quit as a player does.
sleep 5
for _ in $(seq 30); do
  send_key "$window" Escape
  kill -0 "$program" 2>/dev/null || break
  sleep 2
done
status=0
wait "$program" || status=$?
if [ "$status" -ne 0 ]; then
  echo "valgrind-demo: the demonstration ended with exit code $status" >&2
  tail -n 30 "$work/program.out" >&2
  exit 1
fi

python3 - "$log" "$root/src" <<'PY'
import os, re, sys

log, src = sys.argv[1], sys.argv[2]
own_files = {name for name in os.listdir(src) if name.endswith(".cpp")}
own_files |= {name for name in os.listdir(os.path.join(src, "include")) if name.endswith(".h")}
allocators = ("malloc", "calloc", "realloc", "operator new", "mem_alloc", "trackedNew", "strdup")

records, current = [], []
for line in open(log, errors="replace"):
    text = re.sub(r"^==\d+== ?", "", line.rstrip("\n"))
    if not text.strip():
        if current:
            records.append(current)
        current = []
    else:
        current.append(text)
if current:
    records.append(current)

def frames(record):
    return [l for l in record if re.match(r"\s+(at|by) 0x", l)]

def own(frame):
    m = re.search(r"\(([^():]+):\d+\)\s*$", frame)
    return bool(m) and m.group(1) in own_files

faults = []
for record in records:
    head = record[0]
    stack = frames(record)
    if not stack:
        continue
    if head.startswith("Invalid read") or head.startswith("Invalid write"):
        # The access happened in the program's own code, or in a library routine it called directly.
        first_lib = 0
        while first_lib < len(stack) and re.search(r"vgpreload|libc\.so|libc-", stack[first_lib]):
            first_lib += 1
        if first_lib < len(stack) and own(stack[first_lib]):
            faults.append(record)
    elif "definitely lost" in head:
        past = [f for f in stack if not any(a in f for a in allocators)]
        if past and own(past[0]):
            faults.append(record)
        elif past:
            print("not the program's own: %s,%s" % (head, past[0].split(":", 1)[1]))

summary = [l for r in records for l in r if "ERROR SUMMARY" in l or "definitely lost:" in l]
print("\n".join(summary))
if faults:
    print("valgrind-demo: %d fault(s) in the program's own code:" % len(faults))
    for record in faults:
        print("\n".join(record))
        print()
    sys.exit(1)
print("valgrind-demo: no invalid reads or writes and nothing definitely lost in the program's own code")
PY
