#!/bin/sh
# Cross-builds libmp3lame as a static library from Debian's lame source
# package, for the MP3 encoder library of the Windows build: Debian ships no
# Windows build of it. Installs lib/libmp3lame.a and include/lame/lame.h under
# PREFIX. Needs source entries for apt (scripts/install-deps.sh adds them).
# SSE2 floating point, as on x86-64, rather than the x87's wider registers:
# the encoder then computes what the Linux program's does.
# Usage: cross-build-mp3lame.sh PREFIX C_COMPILER   (e.g. i686-w64-mingw32-gcc-posix)
set -eu
prefix=$1 cc=$2
host=$(basename "$cc")
host=${host%-gcc*}

work="$prefix/source"
log="$prefix/build.log"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
if ! {
  apt-get source lame &&
    cd lame-*/ &&
    ./configure --host="$host" --prefix="$prefix" --disable-shared --enable-static \
      --disable-frontend --disable-decoder CC="$cc" CFLAGS="-O2 -msse2 -mfpmath=sse" &&
    make -j"$(nproc)" &&
    make install
} > "$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "cross-build-mp3lame: failed, the whole log is in $log" >&2
  exit 1
fi
# Only the installed library is kept.
cd "$prefix"
rm -rf "$work"
