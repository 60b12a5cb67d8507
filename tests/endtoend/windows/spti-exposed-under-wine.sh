#!/usr/bin/env bash
# The Windows brenmark-cli under Wine burning through SCSI pass-through on the
# recorder the Linux brenmark-cli exposes as /dev/sr90, given to Wine as D:
# (the wineserver opens the device and hands its descriptor to the 32-bit
# program, whose SG_IO requests the 32-bit preloaded library answers):
#   - `--transport spti drives` lists D: as the exposed recorder, a drive of
#     its own beside the built-in virtual recorders;
#   - a data CD, an audio CD and a Video CD burned on D: are the images the
#     Linux program burns of the same sources on its own recorder.
# Usage: spti-exposed-under-wine.sh WINE_RUN WINDOWS_CLI LINUX_CLI
set -euo pipefail
wine_run=$1 cli=$2 linux_cli=${3:-}
[ -n "$linux_cli" ] || { echo "no Linux brenmark-cli to expose the recorder: skipped"; exit 77; }
prefix=${WINEPREFIX:-$HOME/.wine-brenmark-tests}

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-wine-spti-XXXXXX")
. "$(dirname "$0")/wine-check-helpers.sh"
# The drive letter is taken back whatever happens, so that the shared prefix
# holds no device for the other tests.
restore() {
  rm -f "$prefix/dosdevices/d::" "$prefix/dosdevices/d:"
  "$wine_run" reg delete 'HKLM\Software\Wine\Drives' /v d: /f > /dev/null 2>&1 || true
  wineserver -k > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap restore EXIT

mkdir -p "$work/data" "$work/linux-data" "$work/mount" "$prefix/dosdevices"
wineserver -k > /dev/null 2>&1 || true
ln -sfn /dev/sr90 "$prefix/dosdevices/d::"
ln -sfn "$work/mount" "$prefix/dosdevices/d:"
"$wine_run" reg add 'HKLM\Software\Wine\Drives' /v d: /d cdrom /f > /dev/null
wineserver -k > /dev/null 2>&1 || true

# The Windows program on the exposed recorder; the wineserver it starts runs
# inside expose too, so it is stopped after each run.
spti() {
  "$linux_cli" --data-dir "$work/data" expose -- "$wine_run" "$cli" --data-dir "$work/wine-data" --transport spti "$@"
  local status=$?
  wineserver -w > /dev/null 2>&1 || true
  return $status
}
lcli() { "$linux_cli" --data-dir "$work/linux-data" --drive virtual-cd "$@"; }
# The image the exposed recorder's last eject kept.
newest() { ls -t "$work/data/burned discs/"*.cue | head -1; }
same_image() {  # same_image WHAT LINUX_OUTPUT
  local linux_cue
  linux_cue=$(tail -1 "$2")
  cmp -s "$(newest | sed 's/\.cue$/.bin/')" "${linux_cue%.cue}.bin" || fail "$1 differs from the Linux program's"
}

spti drives > "$work/drives" 2>&1 || { cat "$work/drives"; fail "drives"; }
expect "D:" "$work/drives"
grep -q "D:.*Virtual CD" "$work/drives" || { cat "$work/drives"; fail "D: is not listed as the exposed recorder"; }

mkdir -p "$work/source"
head -c 1500000 /dev/urandom > "$work/source/data.bin"
spti --drive D --yes burn-cd "$work/source" > "$work/burn-cd" 2> "$work/burn-cd.err" ||
  { cat "$work/burn-cd.err"; fail "burn-cd through SPTI"; }
bin=$(newest | sed 's/\.cue$/.bin/')
bchunk "$bin" "$(newest)" "$work/data-cd" > /dev/null || fail "bchunk of the data CD"
isoinfo -i "$work/data-cd01.iso" -J -x /source/data.bin | cmp -s - "$work/source/data.bin" ||
  fail "the data CD does not hold the source file"

sox -n -r 44100 -c 2 -b 16 -e signed-integer "$work/tone.wav" synth 4 sine 440
spti --drive D burn-audio "$work/tone.wav" > /dev/null 2> "$work/burn-audio.err" ||
  { cat "$work/burn-audio.err"; fail "burn-audio through SPTI"; }
lcli burn-audio "$work/tone.wav" > "$work/linux-audio" 2> /dev/null || fail "the Linux program's audio CD"
same_image "the audio CD" "$work/linux-audio"

ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=352x240:rate=29.97 -f lavfi -i sine=duration=3 \
  -target ntsc-vcd "$work/movie.mpg"
spti --drive D burn-vcd "$work/movie.mpg" > /dev/null 2> "$work/burn-vcd.err" ||
  { cat "$work/burn-vcd.err"; fail "burn-vcd through SPTI"; }
lcli tray blank > /dev/null
lcli burn-vcd "$work/movie.mpg" > "$work/linux-vcd" 2> /dev/null || fail "the Linux program's Video CD"
same_image "the Video CD" "$work/linux-vcd"
echo "SPTI burns through the exposed recorder: OK"
