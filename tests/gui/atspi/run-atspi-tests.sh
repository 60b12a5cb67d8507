#!/usr/bin/env bash
# Runs the desktop program's tests through the accessibility tree: a virtual
# X display, a D-Bus session with the accessibility bus, a window manager,
# and the Python test script, which starts the program for each case.
# Usage: run-atspi-tests.sh PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# Qt's own file dialog, whatever desktop the machine has.
export QT_QPA_PLATFORMTHEME=
xvfb-run -a -s "-screen 0 1280x900x24" dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately & launcher=$!
  openbox > /dev/null 2>&1 & manager=$!
  status=0
  /usr/bin/python3 "$1" "$2" || status=$?
  kill "$manager" "$launcher" 2> /dev/null || true
  exit "$status"' run-atspi-tests "$here/desktop_as_user.py" "$program"
