#!/usr/bin/env bash
# The Windows desktop program under Wine on a virtual display: its dialog
# tests (which burn a data CD through the main window), the disc they burned
# read with the Linux tools, and the screenshots of every window.
# Usage: dialogs-under-wine.sh PREFIX DIALOG_TESTS PROGRAM SCREENSHOT_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1 tests=$2 program=$3 screenshots=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-win32-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
linux_path() { tr -d '\r' | sed 's|^\\\\?\\||; s|\\|/|g; s|^[A-Za-z]:||'; }

# The folder the data CD is burned from: a nested folder, a file of several writes.
mkdir -p "$work/source/Фото/deeper"
printf 'hello\n' > "$work/source/Фото/привет.txt"
head -c 300000 /dev/urandom > "$work/source/Фото/deeper/data.bin"

BRENMARK_WIN32_TEST_DIR=$(windows_path "$work") "$here/gui-under-wine.sh" "$prefix" "$tests"

# The disc the main window burned, read back on this side.
cue=$(linux_path < "$work/burned-cd.txt")
[ -f "$cue" ] || fail "no disc image at $cue"
bin="$(dirname "$cue")/$(awk -F'"' '/^FILE/ {print $2; exit}' "$cue")"
bchunk "$bin" "$cue" "$work/track" > /dev/null || fail "bchunk $cue"
isoinfo -d -i "$work/track01.iso" | grep -q "Volume id: TestDisc" || fail "volume label of $cue"
LANG=C.UTF-8 xorriso -osirrox on -indev "$work/track01.iso" -extract /source "$work/read-back" > /dev/null 2>&1 ||
  fail "extracting $cue"
diff -r "$work/source" "$work/read-back" || fail "the disc does not hold the folder"

# Every window as it looks, in the folder the README names.
rm -rf "$screenshots"
"$here/gui-under-wine.sh" "$prefix" "$program" --data-dir "$(windows_path "$work/shots-data")" \
  --screenshots "$(windows_path "$screenshots")"
for name in main-window about speed-selection progress audio-files video-files track-selection tray message; do
  [ "$(head -c 4 "$screenshots/$name.png" | tail -c 3)" = PNG ] || fail "no screenshot $name.png"
done
echo "screenshots in $screenshots"
