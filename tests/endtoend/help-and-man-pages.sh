#!/usr/bin/env bash
# Each program's --help and its man page name the same options, and the man
# pages render without a warning: brenmark(1) is written by hand, brenmark-cli(1)
# is made from --help, whose usage lines docs/command-line.md repeats.
# help-and-man-pages.sh SOURCE_DIR BRENMARK_CLI BRENMARK|none
set -uo pipefail
source_dir=$(realpath "$1")
cli=$(realpath "$2")
gui=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

options_in() { grep -o -E -- '(^|[^a-z0-9-])--?[a-z][a-z-]*' | grep -o -E -- '--?[a-z][a-z-]*' | sort -u; }
# same_options WHAT_A A WHAT_B B: the two lists of options hold the same ones.
same_options() {
  local option
  for option in $(comm -23 <(printf '%s\n' "$2") <(printf '%s\n' "$4")); do fail "$1 names $option, $3 does not"; done
  for option in $(comm -13 <(printf '%s\n' "$2") <(printf '%s\n' "$4")); do fail "$3 names $option, $1 does not"; done
}
# render PAGE: the page as man shows it, failing on any warning of groff's.
render() {
  groff -man -Tutf8 -ww -z "$1" 2> "$work/warnings"
  [ ! -s "$work/warnings" ] || fail "$1 renders with warnings: $(head -n 3 "$work/warnings")"
  groff -man -Tascii -P-c -P-b -P-u "$1" 2> /dev/null | sed 's/\\-/-/g'
}

# brenmark-cli: its page is made from --help as the build makes it.
cmake -DPROGRAM="$cli" -DNAME=brenmark-cli -DSUMMARY=- -DVERSION=0 -DDATE=2000-01-01 \
  -DOUTPUT="$work/brenmark-cli.1" -P "$source_dir/cmake/ManPageFromHelp.cmake" || fail "no man page made from --help"
cli_help=$("$cli" --help | options_in)
same_options "brenmark-cli --help" "$cli_help" "man brenmark-cli" "$(render "$work/brenmark-cli.1" | options_in)"
synopsis=$(awk '/^```text/ { inside = 1; next } inside && /^```/ { exit } inside' "$source_dir/docs/command-line.md")
same_options "brenmark-cli --help" "$cli_help" "the synopsis of docs/command-line.md" "$(printf '%s\n' "$synopsis" | options_in)"
usage=$("$cli" --help | sed -n 's/^  brenmark-cli \[OPTIONS\] \(.*\)$/brenmark-cli [OPTIONS] \1/p')
[ "$usage" = "$(printf '%s\n' "$synopsis" | grep '^brenmark-cli \[OPTIONS\] ')" ] ||
  fail "the commands of docs/command-line.md's synopsis are not those of brenmark-cli --help"

# brenmark: its page names the options of --help, and those of Qt's it
# mentions are among those --help-all adds.
if [ "$gui" != none ]; then
  sed -e 's/@PROJECT_VERSION@/0/' -e 's/@BRENMARK_RELEASE_DATE@/2000-01-01/' \
    "$source_dir/packaging/brenmark.1.in" > "$work/brenmark.1"
  page=$(render "$work/brenmark.1" | options_in)
  help=$(QT_QPA_PLATFORM=offscreen "$gui" --help 2> /dev/null | options_in)
  qt=$(comm -13 <(printf '%s\n' "$help") <(QT_QPA_PLATFORM=offscreen "$gui" --help-all 2> /dev/null | options_in |
                                            sed 's/^--/-/' | sort -u))
  same_options "brenmark --help" "$help" "man brenmark" "$(comm -23 <(printf '%s\n' "$page") <(printf '%s\n' "$qt"))"
  [ -n "$(comm -12 <(printf '%s\n' "$page") <(printf '%s\n' "$qt"))" ] || fail "man brenmark names none of Qt's options"
fi

[ "$failures" -eq 0 ] || exit 1
echo "--help and the man pages name the same options"
