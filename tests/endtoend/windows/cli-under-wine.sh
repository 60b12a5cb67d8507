#!/usr/bin/env bash
# The Windows brenmark-cli under Wine, checked from the Linux side:
#   - drives, tray show, device-info, disc-info, burn-cd and burn-dvd work;
#   - a data CD from a folder with names outside any 8-bit code page holds the
#     same names, files and sectors as the Linux program's disc of that folder;
#   - through the host-adapter library: our test library (enumeration, a report
#     and a data CD burn, also with the library chosen by the system's version)
#     and Wine's own (no adapter: only the virtual recorders, no failure).
# Usage: cli-under-wine.sh WINE_RUN WINDOWS_CLI TEST_LIBRARY [LINUX_CLI]
set -euo pipefail
wine_run=$1 cli=$2 aspi_library=$3 linux_cli=${4:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-wine-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/wine-check-helpers.sh"

# A folder as a user keeps it: names in several scripts, a nested folder,
# a file larger than one write.
source="$work/Source Ünïcode – 日本語"
mkdir -p "$source/Фото альбом/глубже" "$source/plain"
printf 'hello\n' > "$source/Фото альбом/привет.txt"
printf 'deep\n' > "$source/Фото альбом/глубже/εικόνα.txt"
head -c 400000 /dev/urandom > "$source/plain/data.bin"
printf 'x' > "$source/Ä.TXT"

# The Joliet names of an image (in UTF-8, which isoinfo cannot print), and
# one file taken out of it.
joliet_names() { LANG=C.UTF-8 xorriso -indev "$1" -find / 2>/dev/null; }
extract() { LANG=C.UTF-8 xorriso -osirrox on -indev "$1" -extract "$2" "$3" > /dev/null 2>&1; }

# The CD image a burn printed, checked with the Linux tools; its ISO 9660 and
# Joliet listings and file contents go to files named after $2.
read_cd() {  # read_cd CUE OUT_PREFIX
  local cue=$1 out=$2 bin
  bin="$(dirname "$cue")/$(awk -F'"' '/^FILE/ {print $2; exit}' "$cue")"
  cd-info --no-device-info --cue-file "$cue" > "$out.cdinfo" 2>&1 || fail "cd-info $cue"
  expect "ISO 9660 filesystem" "$out.cdinfo"
  bchunk "$bin" "$cue" "$out.track" > /dev/null || fail "bchunk $cue"
  isoinfo -i "$out.track01.iso" -f > "$out.iso9660"
  joliet_names "$out.track01.iso" > "$out.joliet"
  extract "$out.track01.iso" "/$(basename "$source")/Фото альбом/привет.txt" "$out.hello"
  extract "$out.track01.iso" "/$(basename "$source")/plain/data.bin" "$out.data"
  cmp -s "$out.hello" "$source/Фото альбом/привет.txt" || fail "contents of привет.txt in $cue"
  cmp -s "$out.data" "$source/plain/data.bin" || fail "contents of data.bin in $cue"
}

# Plain commands.
wcli drives > "$work/drives"
expect $'0\tvirtual-cd: Brenmark Virtual CD-RW' "$work/drives"
expect $'1\tvirtual-dvd: Brenmark Virtual DVD-R' "$work/drives"
wcli --drive virtual-cd tray show > "$work/tray"
expect "blank" "$work/tray"
wcli --drive virtual-cd device-info > "$work/device-info"
expect "Brenmark" "$work/device-info"

# Data CD and DVD.
wcli --drive virtual-cd burn-cd "$source" > "$work/burn-cd" 2> "$work/burn-cd.err" || { cat "$work/burn-cd.err"; fail "burn-cd"; }
cue=$(to_linux < "$work/burn-cd" | tail -1)
[ -f "$cue" ] || fail "burn-cd printed no image: $(cat "$work/burn-cd")"
read_cd "$cue" "$work/windows"
expect "Фото альбом/привет.txt" "$work/windows.joliet"
wcli --drive virtual-cd tray insert "$(to_windows "$cue")" > /dev/null
wcli --drive virtual-cd disc-info > "$work/disc-info"
expect "1" "$work/disc-info"

wcli --drive virtual-dvd burn-dvd "$source" > "$work/burn-dvd" 2> "$work/burn-dvd.err" || { cat "$work/burn-dvd.err"; fail "burn-dvd"; }
iso=$(to_linux < "$work/burn-dvd" | tail -1)
joliet_names "$iso" > "$work/dvd.joliet"
expect "εικόνα.txt" "$work/dvd.joliet"

# The same folder burned by the Linux program: the same disc but for the
# recording times.
if [ -n "$linux_cli" ]; then
  "$linux_cli" --data-dir "$work/linux-data" --drive virtual-cd burn-cd "$source" > "$work/linux-burn" 2> /dev/null
  linux_cue=$(tail -1 "$work/linux-burn")
  read_cd "$linux_cue" "$work/linux"
  for listing in iso9660 joliet; do
    diff "$work/linux.$listing" "$work/windows.$listing" || fail "$listing names differ from the Linux disc"
  done
  [ "$(stat -c %s "$work/linux.track01.iso")" = "$(stat -c %s "$work/windows.track01.iso")" ] ||
    fail "the Windows disc's size differs from the Linux disc's"
  # Only the recording times may differ: 7-byte times in directory records,
  # 17-byte ones in the volume descriptors.
  differing=$(cmp -l "$work/linux.track01.iso" "$work/windows.track01.iso" | wc -l || true)
  [ "$differing" -lt 800 ] || fail "$differing bytes differ from the Linux disc"
fi

# Host-adapter library: ours, beside a copy of the program.
aspi="$work/aspi"
mkdir -p "$aspi/data"
cp "$cli" "$aspi/brenmark-cli.exe"
cp "$cli" "$aspi/brenmark-cli-win98.exe"
cp "$aspi_library" "$aspi/wnaspi32.dll"
export BRENMARK_TEST_ASPI_FOLDER="$aspi/data"
acli() { "$wine_run" "$aspi/$1" --data-dir "$work/data" "${@:2}"; }
acli brenmark-cli.exe --transport aspi drives > "$work/aspi-drives"
expect $'0\tBrenmark Virtual CD-RW' "$work/aspi-drives"
expect $'1\tBrenmark Virtual DVD-R' "$work/aspi-drives"
expect $'2\tvirtual-cd: Brenmark Virtual CD-RW' "$work/aspi-drives"
BRENMARK_TRANSPORT=aspi acli brenmark-cli.exe --drive 0 device-info > "$work/aspi-report"
expect "Brenmark" "$work/aspi-report"
# Windows 98 chooses the host-adapter library by itself.
"$wine_run" reg add 'HKCU\Software\Wine\AppDefaults\brenmark-cli-win98.exe' /v Version /d win98 /f > /dev/null 2>&1
acli brenmark-cli-win98.exe --drive 0 burn-cd "$source" > /dev/null 2> "$work/aspi-burn.err" || { cat "$work/aspi-burn.err"; fail "burn-cd through the host-adapter library"; }
"$wine_run" reg delete 'HKCU\Software\Wine\AppDefaults\brenmark-cli-win98.exe' /f > /dev/null 2>&1
aspi_cue=$(ls "$aspi/data/burned discs/"*.cue | head -1)
read_cd "$aspi_cue" "$work/aspi"
[ -z "$linux_cli" ] || diff "$work/linux.joliet" "$work/aspi.joliet" || fail "the disc burned through the library differs"

# Wine's own library: no host adapter, so only the virtual recorders; the
# command still succeeds.
wcli --transport aspi drives > "$work/wine-aspi" 2> "$work/wine-aspi.err" || fail "drives with Wine's library"
[ "$(wc -l < "$work/wine-aspi")" -eq 2 ] || fail "Wine's library listed drives: $(cat "$work/wine-aspi")"
expect "No CD/DVD libraries found on you computer." "$work/wine-aspi.err"
echo "Windows CLI under Wine: all checks passed"
