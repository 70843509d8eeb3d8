#!/usr/bin/env bash
# The installed engine as a game programmer gets it: installs the build (the API reference included) into a
# scratch prefix, builds and runs a small program of the tests' own (tests/install) out of tree against that
# prefix once through find_package(Zarvello) and once through pkg-config, compiles every installed header on
# its own, and makes the Debian package (in BUILD_DIR-package, configured for /usr) and checks its contents,
# its dependencies and what lintian says (an error fails the check). With --system it also
# installs that package on this machine, builds the program against /usr and removes the package again.
# Usage: linux/check-install.sh [--system] [BUILD_DIR]   (default linux/build; configured and built first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
system=0
if [ "${1:-}" = "--system" ]; then system=1; shift; fi
build="${1:-$root/linux/build}"
jobs="${ZARVELLO_JOBS:-$(nproc)}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

step() { echo "-- $*"; }

cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null
step "install into a scratch prefix (the API reference is written on the way)"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in include/zarvello/Zarvello.h include/zarvello/Version.h include/zarvello/NFILoader.h lib/libzarvello.a \
         lib/cmake/Zarvello/ZarvelloConfig.cmake lib/cmake/Zarvello/ZarvelloConfigVersion.cmake \
         lib/pkgconfig/zarvello.pc include/zarvello/Audio.h lib/libzarvello-audio.a lib/pkgconfig/zarvello-audio.pc \
         bin/nfitool bin/imgtool bin/fonttool bin/skintool share/zarvello/default.nfi \
         share/doc/zarvello/README.md share/doc/zarvello/LICENSE share/doc/zarvello/api/index.html; do
  [ -e "$prefix/$f" ] || { echo "check-install: $f was not installed" >&2; exit 1; }
done
# Exactly the public headers: the private ones beside the sources in src/ stay out, and so do the records of
# how the project is checked (docs/dev/).
for header in "$root"/src/*.h; do
  if [ -e "$prefix/include/zarvello/$(basename "$header")" ]; then
    echo "check-install: the private header $(basename "$header") was installed" >&2; exit 1
  fi
done
if [ -e "$prefix/share/doc/zarvello/docs/dev" ]; then
  echo "check-install: the records of checking (docs/dev) were installed" >&2; exit 1
fi

step "every installed header compiles on its own"
sdl_cflags=$(pkg-config --cflags sdl)
for header in "$prefix"/include/zarvello/*.h; do
  # shellcheck disable=SC2086
  echo "#include <zarvello/$(basename "$header")>" |
    g++ -std=c++17 -Wall -Wextra -fsyntax-only -x c++ - -I"$prefix/include" $sdl_cflags
done

# Runs the program from its run directory (the shipped data beside it) and expects a clean end.
run_check() {
  local dir=$1 out
  out=$(cd "$dir" && ./installcheck -nologconsole 2>&1) || { echo "$out" >&2; echo "check-install: $dir failed" >&2; exit 1; }
  if grep -q "Memory Leak!" <<<"$out"; then echo "$out" >&2; echo "check-install: leak report in $dir" >&2; exit 1; fi
  grep "installcheck:" <<<"$out"
}

# Where Lua's static archive is installed, a game takes Lua from it and needs only SDL 1.2 when it runs.
lua_archive="$(pkg-config --variable=libdir lua5.4-c++)/liblua5.4-c++.a"
needs_no_lua() {
  [ -e "$lua_archive" ] || return 0
  if readelf -d "$1" | grep -q 'NEEDED.*lua'; then echo "check-install: $1 needs Lua's shared library" >&2; exit 1; fi
}

step "a program built with find_package(Zarvello)"
cmake -S "$root/tests/install" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
needs_no_lua "$work/cmake/installcheck"
run_check "$work/cmake"

step "a program built with pkg-config"
mkdir -p "$work/pc/data"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 -o "$work/pc/installcheck" "$root/tests/install/installcheck.cpp" $(pkg-config --cflags --libs zarvello)
cp "$(pkg-config --variable=pkgdatadir zarvello)/default.nfi" "$work/pc/data/"
needs_no_lua "$work/pc/installcheck"
run_check "$work/pc"
# The audio library links through its own module (walker, in check-examples, links Zarvello::audio).
printf '#include <zarvello/Audio.h>\nint main() { return enableSound(0, 0, 0) == SDL_TRUE ? 0 : 1; }\n' >"$work/audio.cpp"
# shellcheck disable=SC2046
g++ -std=c++17 -o "$work/audiocheck" "$work/audio.cpp" $(pkg-config --cflags --libs zarvello-audio)
unset PKG_CONFIG_PATH

step "the Debian package (configured for /usr in ${build}-package), and lintian on it"
# A package installs under /usr, where the library, its CMake files and zarvello.pc belong in the multiarch
# folder; a build configured for that prefix puts them there.
package_build="${build}-package"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$package_build" -DCMAKE_INSTALL_PREFIX=/usr -DZARVELLO_TESTS=OFF -DZARVELLO_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$package_build" -j"$jobs" >/dev/null
rm -f "$package_build"/libzarvello-dev_*.deb
(cd "$package_build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$package_build"/libzarvello-dev_*.deb | head -n 1)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
dpkg-deb -c "$deb" > "$work/contents"
for f in ./usr/include/zarvello/Init.h "./usr/lib/$multiarch/libzarvello.a" \
         "./usr/lib/$multiarch/cmake/Zarvello/ZarvelloConfig.cmake" "./usr/lib/$multiarch/pkgconfig/zarvello.pc" \
         "./usr/lib/$multiarch/libzarvello-audio.a" "./usr/lib/$multiarch/pkgconfig/zarvello-audio.pc" \
         ./usr/bin/nfitool ./usr/bin/imgtool ./usr/bin/fonttool ./usr/bin/skintool \
         ./usr/share/man/man1/nfitool.1.gz ./usr/share/man/man1/imgtool.1.gz ./usr/share/man/man1/fonttool.1.gz \
         ./usr/share/man/man1/skintool.1.gz ./usr/share/zarvello/default.nfi ./usr/share/doc/zarvello/LICENSE \
         ./usr/share/doc/zarvello/api/index.html \
         ./usr/share/doc/libzarvello-dev/copyright ./usr/share/doc/libzarvello-dev/changelog.gz; do
  grep -q " $f\$" "$work/contents" || { echo "check-install: the package lacks $f" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libsdl1.2-dev libsdl-mixer1.2-dev liblua5.4-dev libc6 libstdc++6 libfreetype6; do
  grep -q "$d" <<<"$depends" || { echo "check-install: the package does not depend on $d ($depends)" >&2; exit 1; }
done
# Errors fail the check; warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || { echo "check-install: lintian found errors in $deb" >&2; exit 1; }
echo "$(basename "$deb"): Depends: $depends"

if [ "$system" -eq 1 ]; then
  step "the package installed on this machine, a program built against /usr"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  trap 'apt-get remove -y -qq libzarvello-dev >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
  cmake -S "$root/tests/install" -B "$work/system" >/dev/null
  cmake --build "$work/system" >/dev/null
  run_check "$work/system"
  mkdir -p "$work/system-pc/data"
  # shellcheck disable=SC2046
  g++ -std=c++17 -o "$work/system-pc/installcheck" "$root/tests/install/installcheck.cpp" $(pkg-config --cflags --libs zarvello)
  cp /usr/share/zarvello/default.nfi "$work/system-pc/data/"
  run_check "$work/system-pc"
  apt-get remove -y -qq libzarvello-dev >/dev/null
fi
echo "check-install: the installed engine builds and runs a program both ways; the package holds what a game needs"
