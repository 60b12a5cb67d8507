#!/usr/bin/env bash
# The Windows brenmark-cli under Wine and the Linux one on the same data folder,
# and the Windows path forms:
#   - a Windows burn held up by the drive's buffer keeps the Linux program's
#     tray eject and burn out (the recorder is busy), and its image comes out
#     whole; a Linux burn keeps the Windows program out the same way; a Windows
#     burn killed in the middle leaves the recorder free for the Linux program;
#   - extended paths ("\\?\Z:\...") as burn source, data folder and image to
#     insert, entries whose names end in a dot or a space, and a data folder
#     named with a trailing dot, made under that very name;
#   - names that Joliet forbids or that are long in characters, read back from
#     the Windows disc with xorriso and isoinfo.
# Usage: shared-folder-under-wine.sh WINE_RUN WINDOWS_CLI LINUX_CLI
set -euo pipefail
wine_run=$1 cli=$2 linux_cli=${3:-}
[ -n "$linux_cli" ] || { echo "no Linux brenmark-cli to share the folder with: skipped"; exit 77; }

work=$(mktemp -d "${TMPDIR:-/tmp}/brenmark-wine-shared-XXXXXX")
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/wine-check-helpers.sh"
lcli() { "$linux_cli" --data-dir "$work/data" "$@"; }
busy="The selected device is busy with another job."

# Waits up to a minute for TEXT to appear in FILE.
wait_for() {  # wait_for TEXT FILE
  for _ in $(seq 600); do
    grep -qF -- "$1" "$2" 2> /dev/null && return 0
    sleep 0.1
  done
  cat "$2" >&2
  fail "'$1' never appeared in $(basename "$2")"
}

# The one file of a burned CD image, taken out with the Linux tools and compared.
check_cd() {  # check_cd CUE NAME
  local cue=$1 name=$2 bin
  [ -f "$cue" ] || fail "$name: no image at $cue"
  bin="$(dirname "$cue")/$(awk -F'"' '/^FILE/ {print $2; exit}' "$cue")"
  bchunk "$bin" "$cue" "$work/$name" > /dev/null || fail "$name: bchunk $cue"
  LANG=C.UTF-8 xorriso -osirrox on -indev "$work/${name}01.iso" -extract /source/data.bin "$work/$name.data" > /dev/null 2>&1 || true
  cmp -s "$work/$name.data" "$source/data.bin" || fail "$name: the disc does not hold the source file"
}

source="$work/source"
mkdir -p "$source"
head -c 2000000 /dev/urandom > "$source/data.bin"
mkdir -p "$work/data"

# A Windows burn waiting on the drive's buffer (40 polls of 200 ms) holds the
# recorder: the Linux program is refused and changes nothing.
wcli --drive virtual-cd --no --fault bufferfull:40 burn-cd "$source" > "$work/wburn" 2> "$work/wburn.err" &
burner=$!
wait_for "Initializing disc format..." "$work/wburn.err"
if lcli --drive virtual-cd tray eject > /dev/null 2> "$work/leject.err"; then fail "a Linux eject went through a Windows burn"; fi
expect "$busy" "$work/leject.err"
if lcli --drive virtual-cd --no burn-cd "$source" > /dev/null 2> "$work/lburn.err"; then fail "a Linux burn went through a Windows burn"; fi
expect "$busy" "$work/lburn.err"
wait "$burner" || { cat "$work/wburn.err"; fail "the Windows burn failed"; }
check_cd "$(to_linux < "$work/wburn" | tail -1)" windows
lcli --drive virtual-cd tray show > /dev/null || fail "the Linux program cannot read the tray after the Windows burn"

# The other way round.
lcli --drive virtual-cd --no --fault bufferfull:40 burn-cd "$source" > "$work/lburn" 2> "$work/lburn.err" &
burner=$!
wait_for "Initializing disc format..." "$work/lburn.err"
if wcli --drive virtual-cd tray eject > /dev/null 2> "$work/weject.err"; then fail "a Windows eject went through a Linux burn"; fi
expect "$busy" "$work/weject.err"
wait "$burner" || { cat "$work/lburn.err"; fail "the Linux burn failed"; }
check_cd "$(tail -1 "$work/lburn")" linux

# A Windows program killed while it holds the recorder leaves it free.
# (Started without the helper's subshell, so that the process is the program's.)
"$wine_run" "$cli" --data-dir "$work/data" --drive virtual-cd --no --fault bufferfull:always burn-cd "$source" \
  > /dev/null 2> "$work/killed.err" &
burner=$!
wait_for "Initializing disc format..." "$work/killed.err"
kill -KILL "$burner"
wait "$burner" 2> /dev/null || true
freed=false
for _ in $(seq 50); do
  if lcli --drive virtual-cd tray blank > /dev/null 2> "$work/freed.err"; then freed=true; break; fi
  sleep 0.1
done
$freed || { cat "$work/freed.err"; fail "the recorder stayed locked after the Windows program was killed"; }

# Extended paths, and names that end in a dot or a space (made here, seen
# through Wine).
printf 'dot\n' > "$source/ends with a dot."
printf 'space\n' > "$source/ends with a space "
"$wine_run" "$cli" --data-dir "$(extended "$work/extended-data")" --drive virtual-cd burn-cd "$(extended "$source")" \
  > "$work/xburn" 2> "$work/xburn.err" || { cat "$work/xburn.err"; fail "burn-cd with extended paths"; }
xcue=$(to_linux < "$work/xburn" | tail -1)
[ "$(dirname "$xcue")" -ef "$work/extended-data/burned discs" ] || fail "the image is not in the extended data folder: $xcue"
check_cd "$xcue" extended
LANG=C.UTF-8 xorriso -osirrox on -indev "$work/extended01.iso" -extract "/source/ends with a space " "$work/space" > /dev/null 2>&1 || true
cmp -s "$work/space" "$source/ends with a space " || fail "the file whose name ends in a space is not on the disc"
"$wine_run" "$cli" --data-dir "$(extended "$work/extended-data")" --drive virtual-cd tray insert "$(extended "$xcue")" \
  > /dev/null 2> "$work/insert.err" || { cat "$work/insert.err"; fail "tray insert of an extended path"; }

# A data folder named with a trailing dot is made under that name.
# (winepath drops the dot, so the name is put after the converted folder.)
wcli_dot() { "$wine_run" "$cli" --data-dir "$(to_windows "$work")\\dotted." "$@"; }
wcli_dot --drive virtual-cd tray show > /dev/null 2> "$work/dotted.err" || { cat "$work/dotted.err"; fail "a data folder ending in a dot"; }
[ -d "$work/dotted." ] && [ ! -e "$work/dotted" ] || fail "the data folder ending in a dot was made under another name"

# Joliet names: a character Joliet forbids becomes "_", and a name is as long
# as its characters allow, whatever their UTF-8 length.
names="$work/names"
cjk=$(printf '漢%.0s' $(seq 40)).txt
mkdir -p "$names"
printf 'a' > "$names/a;b.txt"
printf 'c' > "$names/$cjk"
wcli --drive virtual-dvd burn-dvd "$names" > "$work/nburn" 2> "$work/nburn.err" || { cat "$work/nburn.err"; fail "burn-dvd of the names"; }
iso=$(to_linux < "$work/nburn" | tail -1)
LANG=C.UTF-8 xorriso -indev "$iso" -find / 2> /dev/null > "$work/names.xorriso"
isoinfo -J -j iso8859-1 -f -i "$iso" > "$work/names.isoinfo"
expect "/names/a_b.txt" "$work/names.xorriso"
expect "/names/$cjk" "$work/names.xorriso"
# isoinfo spells only a Latin-1 name, the others as one "_" per character.
expect "/names/a_b.txt;1" "$work/names.isoinfo"
expect "/names/$(printf '_%.0s' $(seq 40)).txt;1" "$work/names.isoinfo"
echo "Windows and Linux programs on one data folder, and extended paths: all checks passed"
