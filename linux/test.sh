#!/usr/bin/env bash
# Installs what is missing, builds everything in linux/build and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZARVELLO_BUILD:-$root/linux/build}"

bash "$root/linux/install-deps.sh"
cmake -S "$root" -B "$build" "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
