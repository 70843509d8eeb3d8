#!/usr/bin/env bash
# Builds the fuzz configuration (clang, libFuzzer, ASan and UBSan on everything) in linux/build-fuzz, then
# runs every fuzz target (a) over its corpus (the seeds of fuzz/<target>/seeds plus what earlier runs kept in
# linux/build-fuzz/corpus/<target>) and (b) a fresh run of N seconds, with a memory limit under which an
# absurd allocation is a failure. Exits non-zero on any finding; the input that found it is kept in
# linux/build-fuzz/findings/<target>/.
# Usage: fuzz/run.sh [-t SECONDS] [-r RUNS] [-n] [TARGET...]
#   -t: length of the fresh run (default 30 seconds); -r: also end it after RUNS executions; -n: use the
#   targets as built, without configuring and building first. Default: all targets.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build="${ZARVELLO_FUZZ_BUILD:-$root/linux/build-fuzz}"
seconds=30
runs=-1
build_first=1
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds=$2; shift 2 ;;
    -r) runs=$2; shift 2 ;;
    -n) build_first=0; shift ;;
    *) break ;;
  esac
done
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(nfi tga raw image font skin config sound recording)

if [ $build_first -eq 1 ]; then
  cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZARVELLO_FUZZ=ON \
    -DZARVELLO_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"${ZARVELLO_JOBS:-2}" --target fuzz_targets >/dev/null
fi

# The limits every run is held to; -close_fd_mask=2 hides the console echo, libFuzzer keeps its own reports.
limits=(-rss_limit_mb=2048 -malloc_limit_mb=64 -timeout=1 -close_fd_mask=2 -print_final_stats=1)
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# The targets log through the console, and a script may turn its log file on: keep that in the build tree.
cd "$build"
failed=()
for target in "${targets[@]}"; do
  program="$build/fuzz_$target"
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "$here/$target/$target.dict" ] && dict=(-dict="$here/$target/$target.dict")
  log="$build/findings/$target.log"

  status=0
  "$program" "${limits[@]}" "${dict[@]}" -artifact_prefix="$findings/" -runs=0 "$corpus" "$here/$target/seeds" \
    >"$log" 2>&1 || status=$?
  if [ $status -eq 0 ]; then
    "$program" "${limits[@]}" "${dict[@]}" -artifact_prefix="$findings/" -max_total_time="$seconds" -runs="$runs" \
      "$corpus" "$here/$target/seeds" >>"$log" 2>&1 || status=$?
  fi
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | awk '{s += $2} END {print s + 0}')
  cov=$(grep -oE '#[0-9]+.*(DONE|pulse|INITED).*cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  if [ $status -eq 0 ]; then
    echo "fuzz_$target: ok, $execs executions, ${cov:-cov: ?}"
  else
    echo "fuzz_$target: FINDING (exit $status); log $log, input in $findings/"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|==fuzz==)' "$log" | head -n 5 || true
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets with findings: ${failed[*]}"
  exit 1
fi
echo "All fuzz targets ran clean."
