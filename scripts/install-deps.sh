#!/usr/bin/env bash
# Installs the Debian 12 packages Brenmark needs.
#   scripts/install-deps.sh run    what building and running the programs needs
#                                  (scripts/run.sh)
#   scripts/install-deps.sh test   that and the test tool chain: the programs the
#                                  tests compare with, the Windows cross build and
#                                  Wine, the sanitizers, the package checker
#                                  (scripts/test.sh; the default)
# The package manager's output goes to a log, shown only when it fails.
set -euo pipefail

set_name=${1:-test}
case "$set_name" in
  run|test) ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

packages=(
  cmake g++ ninja-build pkg-config
  # The build is configured with its tests (scripts/configure-release.sh), which
  # needs the test framework's headers even to build the programs alone.
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev xdg-utils
  libmp3lame-dev
  # The 32-bit build of the library expose preloads (for Wine's 32-bit programs).
  g++-multilib
  # Makes the WAV file of README's first tour.
  sox
  # The Debian package (scripts/run.sh --package) reads its programs' libraries.
  dpkg-dev file
)
test_packages=(
  libbenchmark-dev
  clang libclang-rt-14-dev
  xorriso cdrskin genisoimage libcdio-utils vcdimager bchunk ffmpeg mpg123 lame
  # The rippers that read audio discs from the exposed recorder.
  cd-paranoia cdparanoia
  # Burning programs the exposed recorders are tried with.
  wodim cdrdao growisofs dvd+rw-tools
  # A player of our Video CDs through the device, and the tray's own program.
  mplayer eject
  desktop-file-utils appstream lintian
  # The check of the documented commands reads the man pages as man and groff show them.
  man-db
  # The 32-bit Windows programs: a cross compiler, and Wine to run their tests.
  g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine
  # The Windows desktop program's dialog tests run on a virtual X display.
  xvfb xauth
  # The Qt program's tests through the accessibility tree, as a screen reader
  # sees it: a D-Bus session, the accessibility bus, a window manager.
  dbus at-spi2-core python3-pyatspi openbox
)
[ "$set_name" = run ] || packages+=("${test_packages[@]}")

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

log="$(cd "$(dirname "$0")/.." && pwd)/build/install-deps.log"

# Runs a command with its output appended to the log; when it fails, shows the
# log's last lines and stops.
logged() {
  if ! "$@" >> "$log" 2>&1; then
    echo "Installing packages failed: $*" >&2
    echo "Last lines of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
}

# The Windows build cross-compiles libmp3lame from Debian's source package
# (apt-get source), which needs source entries beside the binary ones.
deb_sources=/etc/apt/sources.list.d/debian.sources
src_sources=/etc/apt/sources.list.d/debian-src.sources
need_sources=false
if [ "$set_name" = test ] && [ -f "$deb_sources" ] && ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_sources=true
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ "$need_sources" = false ] && exit 0

mkdir -p "$(dirname "$log")"
: > "$log"
echo "Installing packages (log: $log)"
if [ "$need_sources" = true ]; then
  sed 's/^Types: deb$/Types: deb-src/' "$deb_sources" | $sudo tee "$src_sources" > /dev/null
fi
# 32-bit Wine comes from the i386 architecture.
if [ "$set_name" = test ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || logged $sudo dpkg --add-architecture i386
fi
logged $sudo apt-get update
if [ ${#missing[@]} -gt 0 ]; then
  logged $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi
