#!/usr/bin/env bash
# Installs the Debian 12 packages Brenmark needs to build, run and test.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev xdg-utils
  libmp3lame-dev
  clang libclang-rt-14-dev
  xorriso genisoimage libcdio-utils vcdimager bchunk sox ffmpeg mpg123 lame
  desktop-file-utils appstream dpkg-dev file
  # The 32-bit Windows programs: a cross compiler, and Wine to run their tests.
  g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine
  # The Windows desktop program's dialog tests run on a virtual X display.
  xvfb xauth
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# The Windows build cross-compiles libmp3lame from Debian's source package
# (apt-get source), which needs source entries beside the binary ones.
deb_sources=/etc/apt/sources.list.d/debian.sources
src_sources=/etc/apt/sources.list.d/debian-src.sources
if [ -f "$deb_sources" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  sed 's/^Types: deb$/Types: deb-src/' "$deb_sources" | $sudo tee "$src_sources" > /dev/null
  $sudo apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# 32-bit Wine comes from the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
