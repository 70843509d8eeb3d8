#!/usr/bin/env bash
# Runs the test suite of the plain build (linux/build, or $ZARVELLO_BUILD) with sdl12-compat, the SDL 1.2
# interface on SDL 2, swapped in for the SDL 1.2 library at run time, as most players' distributions ship it.
# The package libsdl1.2-compat is downloaded from the archive (apt-get download, kept in the build tree) and
# unpacked there; the programs find it through LD_LIBRARY_PATH. SDL 2 itself (libsdl2-2.0-0) comes from
# linux/install-deps.sh.
# Usage: linux/sdl12-compat.sh                the whole suite (configures and builds the tree first)
#        linux/sdl12-compat.sh COMMAND...     any command instead, such as linux/build/zarvello -windowed
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZARVELLO_BUILD:-$root/linux/build}"
compat="$build/sdl12-compat"

bash "$root/linux/install-deps.sh"
if [ ! -f "$compat/version" ]; then
  rm -rf "$compat"
  mkdir -p "$compat/download"
  # apt-get download writes into the working directory; as root it warns that it cannot drop privileges.
  (cd "$compat/download" && apt-get download -q libsdl1.2-compat 2>&1 |
    grep -v '^W: Download is performed unsandboxed' || true)
  deb=$(ls "$compat"/download/libsdl1.2-compat_*.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || { echo "sdl12-compat: apt-get download libsdl1.2-compat gave no package" >&2; exit 1; }
  dpkg-deb -x "$deb" "$compat/root"
  dpkg-deb -f "$deb" Version >"$compat/version"
fi
library_dir=$(dirname "$(find "$compat/root" -name 'libSDL-1.2.so.0' | head -n 1)")
[ -f "$library_dir/libSDL-1.2.so.0" ] || { echo "sdl12-compat: no libSDL-1.2.so.0 in $compat/root" >&2; exit 1; }
export LD_LIBRARY_PATH="$library_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

if [ $# -gt 0 ]; then
  exec "$@"
fi

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"
# The swap must have taken: the program resolves SDL 1.2 to the unpacked library.
resolved=$(ldd "$build/zarvello" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')
[ "$(readlink -f "$resolved")" = "$(readlink -f "$library_dir/libSDL-1.2.so.0")" ] || {
  echo "sdl12-compat: the program still loads $resolved" >&2
  exit 1
}
echo "Running the test suite on sdl12-compat $(cat "$compat/version") ($library_dir)"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
