#!/usr/bin/env bash
# Runs the first tour of README.md against the built brenmark-cli, as a new
# user would in an empty home folder, and compares each command's standard
# output with the output README shows (its home folder and the images' time
# stamps aside). Then checks what the tour promises around it: the data
# folder given as --data-dir is the default one, BRENMARK_DRIVE and the
# fallback recorders choose the drive, a copied open image stays appendable.
# readme-tour.sh BRENMARK_CLI README.md
set -euo pipefail
cli=$(realpath "$1")
readme=$(realpath "$2")

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" PATH="$(dirname "$cli"):$PATH"
unset XDG_DATA_HOME BRENMARK_DRIVE BRENMARK_TRACE
mkdir -p "$home/Documents"
printf 'Hello\n' > "$home/Documents/notes.txt"
cd "$home"

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

# The paths and the time stamps in image names differ from run to run.
normalize() { sed -E -e "s|$home|/home/me|g" -e 's/-[0-9]{8}-[0-9]{6}(-[0-9]+)?\./-STAMP./g'; }

# The tour: the console block after the tour marker; "$ " starts a command,
# the lines up to the next one are its output.
tour=$(awk '/^<!-- tour/ { marked = 1; next }
            marked && /^```console/ { inside = 1; next }
            inside && /^```/ { exit }
            inside { print }' "$readme")
[ -n "$tour" ] || { echo "FAILED: README.md has no tour" >&2; exit 1; }

run_step() {
  local command=$1 expected=$2 actual
  [ -z "$command" ] && return 0
  if ! actual=$(eval "$command" 2> "$home/step.err"); then
    fail "$command exits non-zero: $(cat "$home/step.err")"
    return 0
  fi
  actual=$(printf '%s\n' "$actual" | normalize)
  expected=$(printf '%s\n' "$expected" | normalize)
  if [ "$actual" != "$expected" ]; then
    fail "$command printed something else than README shows:"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2 || true
  fi
}

command="" expected="" steps=0
while IFS= read -r line; do
  if [[ "$line" == '$ '* ]]; then
    run_step "$command" "$expected"
    command=${line#'$ '} expected="" steps=$((steps + 1))
  elif [ -z "$expected" ]; then
    expected=$line
  else
    expected+=$'\n'$line
  fi
done <<< "$tour"
run_step "$command" "$expected"
[ "$steps" -ge 5 ] || fail "the tour holds only $steps commands"

# The documented default folder, given as --data-dir, shows the same tray.
[ "$(brenmark-cli tray)" = "$(brenmark-cli --data-dir "$home/.local/share/brenmark" tray)" ] ||
  fail "--data-dir of the default folder shows another tray"
XDG_DATA_HOME="$home/xdg" brenmark-cli tray blank --minutes 21
[ "$(brenmark-cli --data-dir "$home/xdg/brenmark" tray)" = $'blank CD-R (21 min)\npace: fast' ] ||
  fail "--data-dir \$XDG_DATA_HOME/brenmark shows another tray than XDG_DATA_HOME does"

# Without --drive: BRENMARK_DRIVE, else the virtual recorder of the burn's kind.
[[ "$(BRENMARK_DRIVE=virtual-dvd brenmark-cli tray)" == "blank DVD-R"* ]] || fail "BRENMARK_DRIVE is not the default drive"
BRENMARK_DRIVE=no-such-drive brenmark-cli disc-info 2> "$home/err" && fail "an unknown BRENMARK_DRIVE is used"
grep -q "BRENMARK_DRIVE=no-such-drive names no drive" "$home/err" || fail "an unknown BRENMARK_DRIVE is not named"
[[ "$(brenmark-cli burn-dvd Documents 2> /dev/null)" == *"/virtual-dvd-"*.iso ]] || fail "burn-dvd does not fall back on virtual-dvd"

# An open CD copied as .cue/.bin alone is inserted open and takes a second session.
brenmark-cli tray blank
first=$(brenmark-cli burn-cd --multisession Documents 2> /dev/null)
mkdir copy
cp "$first" "${first%.cue}.bin" copy/
brenmark-cli tray insert "copy/$(basename "$first")"
[[ "$(brenmark-cli tray)" == *"appendable"* ]] || fail "a copied open image is inserted closed"
brenmark-cli burn-cd Documents > /dev/null 2>&1 || fail "a copied open image takes no second session"
brenmark-cli tray insert last
brenmark-cli disc-info | grep -q "^Sessions - 2$" || fail "the appended copy does not hold two sessions"

if [ "$failures" -gt 0 ]; then
  echo "$steps tour commands run; $failures checks failed" >&2
  exit 1
fi
echo "README tour: $steps commands, all as shown"
