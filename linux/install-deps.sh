#!/usr/bin/env bash
# Installs, from Debian's archive, every package the build, the tools, the tests, the fuzz targets and the
# benchmarks need. Safe to run again: it installs only what is missing.
set -euo pipefail

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
lists_updated=""
update_lists() {
  [ -n "$lists_updated" ] || { $sudo apt-get update -qq; lists_updated=yes; }
}

# SDL 1.2: libsdl1.2-dev, which is the classic library up to Debian 12 and is built from sdl12-compat (the
# SDL 1.2 interface on SDL 2) from Debian 13 on; where the archive has no package of that name, only
# sdl12-compat's libsdl1.2-compat-dev that provides it, that one. SDL 2 itself either way, for
# linux/sdl12-compat.sh, which runs the suite with sdl12-compat swapped in beside the classic library.
sdl_dev=libsdl1.2-dev
if installed libsdl1.2-compat-dev; then
  sdl_dev=libsdl1.2-compat-dev
elif ! installed libsdl1.2-dev; then
  update_lists
  candidate=$(apt-cache policy libsdl1.2-dev 2>/dev/null | sed -n 's/^ *Candidate: //p')
  [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || sdl_dev=libsdl1.2-compat-dev
fi

packages=(
  cmake g++ make pkg-config git doxygen dpkg-dev file lintian
  "$sdl_dev" libsdl2-2.0-0 liblua5.4-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-apps x11-utils libx11-dev xauth
  libfreetype-dev fonts-dejavu-core libstb-dev
  clang libclang-rt-dev llvm valgrind
  libsdl-image1.2-dev libphysfs-dev libsdl-ttf2.0-dev zip gnuplot-nox imagemagick
  libsdl-mixer1.2-dev sox
  zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  update_lists
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
