#!/usr/bin/env bash
# Installs what is needed, builds Brenmark and starts it.
# With --package it makes the Debian package instead and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRENMARK_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
if [ "${1:-}" = "--package" ]; then
  (cd build/release && cpack -G DEB >/dev/null)
  ls "$PWD"/build/release/brenmark_*.deb
  exit 0
fi
# With no arguments on a desktop, the main window opens; otherwise the command line runs.
if [ $# -eq 0 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/shell/qt/brenmark
fi
exec build/release/shell/cli/brenmark-cli "${@:-drives}"
