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

# Two short WAV files and an MPEG-1 clip for the audio CD, grab and Video CD runs.
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 5 sine 440
sox -n -r 44100 -c 2 -b 16 "$work/two.wav" synth 6 sine 660
ffmpeg -v error -y -f lavfi -i testsrc=duration=2:size=352x240:rate=29.97 -f lavfi -i sine=duration=2 \
  -target ntsc-vcd "$work/clip.mpg"
mkdir "$work/grabbed"

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

# The grabbed tracks hold the samples of the files burned, "two" as track 1.
for pair in "two 01" "one 02"; do
  set -- $pair
  sox "$work/$1.wav" -t raw "$work/$1.raw"
  sox "$work/grabbed/track$2.wav" -t raw "$work/track$2.raw" || fail "no track$2.wav grabbed"
  cmp -n "$(stat -c %s "$work/$1.raw")" "$work/$1.raw" "$work/track$2.raw" || fail "track$2.wav is not $1.wav"
done
vcd_cue=$(linux_path < "$work/burned-audio-and-video.txt" | tail -1)
vcd-info --no-banner --cue-file="$vcd_cue" > "$work/vcd-info" 2>&1 || fail "vcd-info $vcd_cue"
grep -q "entries: 1" "$work/vcd-info" || fail "the Video CD has not one entry"

# Every window as it looks, in the folder the README names.
rm -rf "$screenshots"
"$here/gui-under-wine.sh" "$prefix" "$program" --data-dir "$(windows_path "$work/shots-data")" \
  --screenshots "$(windows_path "$screenshots")"
for name in main-window about speed-selection progress progress-ended audio-files video-files track-selection tray message; do
  [ "$(head -c 4 "$screenshots/$name.png" | tail -c 3)" = PNG ] || fail "no screenshot $name.png"
done
echo "screenshots in $screenshots"
