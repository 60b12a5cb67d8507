#!/bin/sh
# Runs a cross-built Windows program under Wine: one shared prefix, a UTF-8
# locale for file names, and a wineserver kept alive between runs so that each
# program starts in a fraction of a second.
: "${WINEPREFIX:=$HOME/.wine-brenmark-tests}"; export WINEPREFIX
: "${WINEDEBUG:=-all}"; export WINEDEBUG
export LANG=C.UTF-8
# Windows loads a host-adapter library found beside the program before the
# system's; Wine prefers its own copy unless told otherwise.
case "$1" in */*) folder=${1%/*} ;; *) folder=. ;; esac
if [ -e "$folder/wnaspi32.dll" ]; then
  WINEDLLOVERRIDES="wnaspi32=n${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"; export WINEDLLOVERRIDES
fi
wineserver -p30 </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
exec wine "$@"
