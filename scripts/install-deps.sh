#!/usr/bin/env bash
# Installs the Debian packages Kalvo needs to build, run, test and benchmark.
# Does nothing when they are all present; uses sudo only when not root.
set -euo pipefail
packages=(
  make cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libqt6opengl6-dev libgl-dev
  portaudio19-dev libsndfile1-dev libcminpack-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libfftw3-dev
  fonts-urw-base35 fonts-liberation2 fonts-dejavu-core
  xvfb xauth libgl1-mesa-dri imagemagick
  clang-14 libclang-rt-14-dev clang-format-14
  dpkg-dev desktop-file-utils appstream
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
