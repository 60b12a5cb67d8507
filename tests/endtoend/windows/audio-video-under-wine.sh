#!/usr/bin/env bash
# The audio and video commands of the Windows brenmark-cli under Wine, checked
# from the Linux side:
#   - burn-audio: cd-info lists the tracks, bchunk splits out exactly the WAV
#     samples; the image is the Linux program's, byte for byte;
#   - WAV and MPEG files and the grab folder given as extended paths;
#   - grab to WAV (the samples of the disc, a header sox reads) and to MP3 with
#     lame_enc.dll found beside the program in a non-ASCII folder (mpg123
#     decodes the stream asked for); without the library, the grab stops with
#     the encoder message;
#   - burn-vcd: vcd-info reads the disc, vcdxrip gives back the MPEG file,
#     ffprobe finds its streams; a file too large for one 21-minute blank is
#     spread over two discs, byte for byte the Linux program's.
# Usage: audio-video-under-wine.sh WINE_RUN WINDOWS_CLI [LINUX_CLI]
set -euo pipefail
wine_run=$1 cli=$2 linux_cli=${3:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-wine-av-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/wine-check-helpers.sh"

# Two tones as raw CD audio, whole sectors (4 s and 3 s), and as WAV files.
pcm() { sox -n -r 44100 -c 2 -b 16 -e signed-integer -L -t raw "$work/$1.raw" synth "$2" sine "$3"; }
pcm tone1 4 440
pcm tone2 3 1000
for tone in tone1 tone2; do
  sox -r 44100 -c 2 -b 16 -e signed-integer -L -t raw "$work/$tone.raw" "$work/$tone.wav"
done

# The bytes of FILE from offset FROM (0-based) on.
bytes_from() { tail -c +"$(($2 + 1))" "$1"; }

# Audio CD.
wcli --drive virtual-cd burn-audio "$(extended "$work/tone1.wav")" "$work/tone2.wav" > "$work/burn-audio" 2> "$work/burn-audio.err" ||
  { cat "$work/burn-audio.err"; fail "burn-audio"; }
expect "Audio CD is done." "$work/burn-audio.err"
cue=$(to_linux < "$work/burn-audio" | tail -1)
bin="$(dirname "$cue")/$(awk -F'"' '/^FILE/ {print $2; exit}' "$cue")"
cd-info --no-device-info --no-cddb --cue-file "$cue" > "$work/audio.cdinfo" 2>&1 || fail "cd-info $cue"
[ "$(grep -cE '^ +[0-9]+: [0-9:]+ +[0-9]+ audio' "$work/audio.cdinfo")" -eq 2 ] ||
  { cat "$work/audio.cdinfo"; fail "cd-info does not list two audio tracks"; }
bchunk -w "$bin" "$cue" "$work/split" > /dev/null || fail "bchunk $cue"
for track in 1 2; do
  split="$work/split0$track.wav" tone="$work/tone$track.raw"
  cmp -s -n "$(stat -c %s "$tone")" <(bytes_from "$split" 44) "$tone" || fail "track $track does not hold its WAV samples"
  [ -z "$(bytes_from "$split" $((44 + $(stat -c %s "$tone"))) | tr -d '\0' | head -c 1)" ] ||
    fail "track $track holds more than its samples and silence"
done
if [ -n "$linux_cli" ]; then
  "$linux_cli" --data-dir "$work/linux-data" --drive virtual-cd burn-audio "$work/tone1.wav" "$work/tone2.wav" \
    > "$work/linux-audio" 2> /dev/null
  linux_cue=$(tail -1 "$work/linux-audio")
  cmp -s "$bin" "${linux_cue%.cue}.bin" || fail "the audio CD differs from the Linux program's"
fi

# Grabbing: a disc of the two tones back to back.
printf 'FILE "grab.bin" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:04:00\n' \
  > "$work/grab.cue"
cat "$work/tone1.raw" "$work/tone2.raw" > "$work/grab.bin"
wcli --drive virtual-cd tray insert "$(to_windows "$work/grab.cue")" > /dev/null || fail "tray insert"

mkdir "$work/wav"
wcli --drive virtual-cd grab "$(extended "$work/wav")" > "$work/grab-wav" 2> "$work/grab-wav.err" ||
  { cat "$work/grab-wav.err"; fail "grab to WAV"; }
[ "$(to_linux < "$work/grab-wav" | xargs -d '\n' -n1 basename | tr '\n' ' ')" = "track01.wav track02.wav " ] ||
  fail "grab printed: $(cat "$work/grab-wav")"
for track in 1 2; do
  wav="$work/wav/track0$track.wav" tone="$work/tone$track.raw"
  [ "$(soxi -s "$wav")" -eq $(($(stat -c %s "$tone") / 4)) ] || fail "sox reads a wrong length from $wav"
  cmp -s <(bytes_from "$wav" 44) "$tone" || fail "track0$track.wav does not hold the track's samples"
done

# The program and its encoder library in a folder whose name no 8-bit code
# page holds; the MP3 files into another.
program="$work/Программа"
mp3="$work/Музыка"
mkdir "$program" "$mp3"
cp "$cli" "$(dirname "$cli")/lame_enc.dll" "$program/"
"$wine_run" "$program/$(basename "$cli")" --data-dir "$work/data" --drive virtual-cd \
  grab --format mp3 --bitrate 192 "$mp3" > "$work/grab-mp3" 2> "$work/grab-mp3.err" ||
  { cat "$work/grab-mp3.err"; fail "grab to MP3"; }
for track in 1 2; do
  samples=$(($(stat -c %s "$work/tone$track.raw") / 4))
  mpg123 -w "$work/decoded.wav" "$mp3/track0$track.mp3" 2> "$work/mpg123" || { cat "$work/mpg123"; fail "mpg123"; }
  expect "MPEG 1.0 L III cbr192 44100 stereo" "$work/mpg123"
  # The Info tag tells the decoder the encoder's delay and padding.
  decoded=$(soxi -s "$work/decoded.wav")
  [ "$decoded" -eq "$samples" ] || fail "track0$track.mp3 decodes to $decoded samples, not $samples"
done

# Without the library beside the program.
bare="$work/bare"
mkdir "$bare" "$work/none"
cp "$cli" "$bare/"
if "$wine_run" "$bare/$(basename "$cli")" --data-dir "$work/data" --drive virtual-cd \
  grab --format mp3 "$work/none" > /dev/null 2> "$work/no-encoder.err"; then
  fail "grab to MP3 without lame_enc.dll succeeded"
fi
expect "Error loading MP3 encoder." "$work/no-encoder.err"
[ -z "$(ls "$work/none")" ] || fail "grab without lame_enc.dll wrote $(ls "$work/none")"

# Video CD from an MPEG-1 file as Video CD authoring tools write them.
ffmpeg -v error -y -f lavfi -i testsrc=duration=3:size=352x240:rate=29.97 -f lavfi -i sine=duration=3 \
  -target ntsc-vcd "$work/movie.mpg"
wcli --drive virtual-cd tray blank > /dev/null
wcli --drive virtual-cd burn-vcd "$(extended "$work/movie.mpg")" > "$work/burn-vcd" 2> "$work/burn-vcd.err" ||
  { cat "$work/burn-vcd.err"; fail "burn-vcd"; }
vcd_cue=$(to_linux < "$work/burn-vcd" | tail -1)
vcd-info --no-banner --cue-file="$vcd_cue" > "$work/vcd-info" 2>&1 || { cat "$work/vcd-info"; fail "vcd-info"; }
expect "VCD 2.0 detected" "$work/vcd-info"
mkdir "$work/rip"
(cd "$work/rip" && vcdxrip --quiet --nofiles --cue-file="$vcd_cue") || fail "vcdxrip"
source_size=$(stat -c %s "$work/movie.mpg")
cmp -s -n "$source_size" "$work/rip/avseq01.mpg" "$work/movie.mpg" || fail "the ripped track differs from movie.mpg"
[ "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$work/rip/avseq01.mpg" | tr '\n' ' ')" = "mpeg1video mp2 " ] ||
  fail "ffprobe does not find the video and audio streams"

# A Video CD spread over two discs: the second disc reads on where the first
# stopped (74,349 data sectors fit a 21-minute blank, 5000 bytes are left over).
if [ -n "$linux_cli" ]; then
  cp "$work/movie.mpg" "$work/big.mpg"
  truncate -s $((74349 * 2324 + 5000)) "$work/big.mpg"
  wcli --drive virtual-cd tray blank --minutes 21 > /dev/null
  wcli --drive virtual-cd --yes burn-vcd "$(to_windows "$work/big.mpg")" > "$work/spread" 2> "$work/spread.err" ||
    { cat "$work/spread.err"; fail "burn-vcd spread over two discs"; }
  linux_spread() { "$linux_cli" --data-dir "$work/linux-data" --drive virtual-cd "$@"; }
  linux_spread tray blank --minutes 21 > /dev/null
  linux_spread --yes burn-vcd "$work/big.mpg" > "$work/linux-spread" 2> /dev/null || fail "the Linux program's spread"
  mapfile -t discs < <(to_linux < "$work/spread")
  mapfile -t linux_discs < "$work/linux-spread"
  [ "${#discs[@]}" -eq 2 ] && [ "${#linux_discs[@]}" -eq 2 ] || fail "the spread did not give two discs"
  for disc in 0 1; do
    cmp -s "${discs[$disc]%.cue}.bin" "${linux_discs[$disc]%.cue}.bin" ||
      fail "disc $((disc + 1)) of the spread differs from the Linux program's"
  done
fi
echo "Windows audio and video commands under Wine: all checks passed"
