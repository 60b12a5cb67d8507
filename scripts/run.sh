#!/usr/bin/env bash
# Installs what is needed, builds Brenmark and starts it.
# With --package it makes the Debian package instead and prints its path.
# Builds only the programs and the files installed with them, in the build
# folder scripts/test.sh uses, configured the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
scripts/configure-release.sh >/dev/null
# Progress goes to the standard error, so that --package prints only the path.
cmake --build build/release -j "$(nproc)" --target brenmark_installable >&2
if [ "${1:-}" = "--package" ]; then
  package=$(cd build/release && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
  [ -f "$package" ] || { echo "cpack made no package" >&2; exit 1; }
  echo "$package"
  exit 0
fi
# With no arguments on a desktop, the main window opens; otherwise the command line runs.
if [ $# -eq 0 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/shell/qt/brenmark
fi
exec build/release/shell/cli/brenmark-cli "${@:-drives}"
