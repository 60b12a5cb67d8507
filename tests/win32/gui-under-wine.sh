#!/bin/sh
# Runs a cross-built Windows program with windows under Wine on a virtual X
# display of its own. The Wine prefix is one of its own too, whose wineserver
# starts on that display (one started without a display cannot show dialogs
# later), with Wine's fonts installed (dialogs are measured in them) and a
# virtual desktop (without a window manager windows have no title bar).
# Usage: gui-under-wine.sh PREFIX PROGRAM [ARGUMENTS...]
set -eu
WINEPREFIX=$1; shift
export WINEPREFIX WINEDEBUG=-all LANG=C.UTF-8
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  wineserver -k 2>/dev/null || true
  if [ ! -e "$WINEPREFIX/.brenmark-gui" ]; then
    wine wineboot -i >/dev/null 2>&1
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    wine reg add "HKCU\\Software\\Wine\\Explorer" /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v Default /d 1024x768 /f >/dev/null 2>&1
    touch "$WINEPREFIX/.brenmark-gui"
  fi
  status=0
  timeout 300 wine "$@" || status=$?
  wineserver -k 2>/dev/null || true
  exit $status
' gui-under-wine "$@"
