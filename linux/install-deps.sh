#!/usr/bin/env bash
# Installs, from Debian's archive, every package the build, the tools, the tests, the fuzz targets and the
# benchmarks need. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git doxygen dpkg-dev file
  libsdl1.2-dev liblua5.4-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-apps libx11-dev xauth
  libfreetype-dev fonts-dejavu-core libstb-dev
  clang libclang-rt-14-dev llvm valgrind
  libsdl-image1.2-dev libphysfs-dev libsdl-ttf2.0-dev zip gnuplot-nox imagemagick
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
