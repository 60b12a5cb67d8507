#!/usr/bin/env bash
# Runs every command the documentation shows, as written, against the built
# programs: each line of the ```sh and ```console blocks of docs/*.md,
# CONTRIBUTING.md and README.md (README's tour is readme-tour.sh's), and the
# forms of both man pages' synopses. Each runs in a scratch home folder whose
# data folder is fresh for every page, so only virtual recorders are used.
# A console block's output is compared with what it shows; what a command's
# comment promises is checked by the table below. A command the table does
# not know fails the check, so a new command in the docs is either run or
# named with the reason it cannot be; so does an entry no page shows any more.
# docs-commands.sh SOURCE_DIR BRENMARK_CLI BRENMARK|none expose|none
set -uo pipefail
source_dir=$(realpath "$1")
cli_program=$(realpath "$2")
gui_program=$3
[ "$gui_program" = none ] || gui_program=$(realpath "$gui_program")
expose_built=$4

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" MANPATH="$home/man"
unset XDG_DATA_HOME XDG_CONFIG_HOME BRENMARK_DRIVE BRENMARK_TRACE

# --- the table -------------------------------------------------------------
# run PAGE COMMAND STATUS [CHECK]: COMMAND (as shown, without its comment)
#   must exit with STATUS, and CHECK (bash, with $out and $err holding its
#   standard output and error) must hold afterwards.
# run_as PAGE FORM COMMAND STATUS [CHECK]: a synopsis FORM, run as COMMAND.
# skip PAGE COMMAND REASON: shown, but not run here, for REASON.
declare -A status_of check_of run_instead reason_of used
run() { status_of["$1: $2"]=$3 check_of["$1: $2"]=${4:-true}; }
run_as() { run "$1" "$2" "$4" "${5:-}"; run_instead["$1: $2"]=$3; }
skip() { reason_of["$1: $2"]=$3; }

skip README.md 'scripts/run.sh' 'installs packages and builds the release (this check runs on a build)'
skip README.md 'scripts/test.sh' 'the whole test command, which runs this check'
run README.md 'export PATH="$PWD/build/release/shell/cli:$PWD/build/release/shell/qt:$PATH"' 0 \
  '[ "$(command -v brenmark-cli)" = "$home/build/release/shell/cli/brenmark-cli" ]'

page=CONTRIBUTING.md
skip $page 'scripts/run.sh' 'installs packages and builds the release (this check runs on a build)'
skip $page 'scripts/test.sh' 'the whole test command, which runs this check'
skip $page 'cmake -S . -B build/dev -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRENMARK_WERROR=ON -DBRENMARK_TESTS=ON -DBRENMARK_GUI=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache' \
  'configures a build of the sources (this check runs on one)'
skip $page 'cmake --build build/dev -j2 --target brenmark-cli endtoend_recorder_cli_tests' 'builds the sources'
skip $page 'ctest --test-dir build/dev -R readme_tour --output-on-failure' 'runs a test of this test suite'
skip $page 'scripts/fuzz.sh' 'builds the fuzzing tree with clang and fuzzes for minutes'
skip $page 'scripts/fuzz.sh 600 recorder sgio' 'fuzzes for 20 minutes'
skip $page 'scripts/fuzz.sh --replay' 'builds the fuzzing tree with clang (the test command replays it)'

page=docs/install.md
skip $page 'scripts/run.sh --package' 'installs packages and builds the release package (the test command checks it)'
skip $page 'sudo apt install ./build/release/brenmark_*.deb' 'installs into the system'
skip $page 'cmake --install build/release --prefix ~/.local' 'needs the release build (tests/gui/CheckInstall.cmake installs one)'
run $page 'man brenmark' 0 '[[ $out == *"desktop test bench for CD and DVD recorders"* ]]'
run $page 'man brenmark-cli' 0 '[[ $out == *"burn-audio"* && $out == *"--data-dir"* ]]'

page=docs/desktop.md
run $page 'QT_QPA_PLATFORM=offscreen build/release/shell/qt/brenmark --screenshots DIR' 0 '[ -s DIR/main-window.png ]'

page=docs/command-line.md
run $page 'cli=build/release/shell/cli/brenmark-cli' 0
run $page '$cli drives' 0 '[ "$out" = "$(printf "0\tvirtual-cd: Brenmark Virtual CD-RW\n1\tvirtual-dvd: Brenmark Virtual DVD-R")" ]'
run $page '$cli --drive virtual-cd device-info' 0 '[[ $out == "Drive Model - virtual-cd: Brenmark Virtual CD-RW"* ]]'
run $page '$cli --drive virtual-cd burn-cd ~/Documents' 0 'kept "$out" cue'
run $page '$cli --drive virtual-dvd --speed 5540 burn-dvd ~/Pictures' 0 'kept "$out" iso && [[ $err == *"(5540 KB/Sec)"* ]]'
run $page '$cli --drive virtual-cd burn-audio intro.wav song.wav' 0 \
  'kept "$out" cue && [ "$(grep -c "TRACK .. AUDIO" "$out")" = 2 ]'
run $page '$cli --drive virtual-cd tray insert ~/disc.cue' 0 'cmp -s ~/disc.cue ~/fixtures/disc.cue'
run $page '$cli --drive virtual-cd disc-info' 0 '[[ $out == *"Tracks - 2"* ]]'
run $page '$cli --drive virtual-cd grab ~/Music/disc' 0 '[ "$out" = "$(printf "%s\n" ~/Music/disc/track01.wav ~/Music/disc/track02.wav)" ]'
run $page '$cli --drive virtual-cd grab --format mp3 --bitrate 192 --tracks 1,3-5 ~/Music/disc' 0 \
  '[ "$out" = ~/Music/disc/track01.mp3 ] && [[ $err == *"Tracks not on the disc are skipped: 3, 4, 5."* ]]'
run $page '$cli --drive virtual-cd tray empty' 0 \
  '[ -z "$out" ] && { told=$($cli --drive virtual-cd disc-info 2>&1); [ $? = 1 ]; } && [[ $told == "No media detected"* ]]'
run $page '$cli --drive virtual-cd tray blank --minutes 21' 0 \
  '[ "$($cli --drive virtual-cd tray)" = "$(printf "blank CD-R (21 min)\npace: fast")" ]'
run $page '$cli --drive virtual-cd --fault WRITE10:count=3 --no burn-cd ~/Documents' 1 \
  '[ -z "$out" ] && [[ $($cli --drive virtual-cd tray) == "blank CD-R (21 min)"* ]]'
run $page '$cli --drive virtual-cd burn-cd --multisession ~/Documents' 0 'kept "$out" cue'
run $page '$cli --drive virtual-cd tray insert last' 0 '[[ $($cli --drive virtual-cd tray) == *appendable* ]]'
run $page '$cli --drive virtual-cd burn-cd ~/Pictures' 0 \
  'kept "$out" cue && [ "$(grep -c "^REM DISC-STATE session" "$out")" = 2 ] &&
   [[ $err == *"entries of the previous session imported."* ]]'
run $page '$cli --drive virtual-dvd tray blank dvd+rw' 0 '[[ $($cli --drive virtual-dvd tray) == "blank DVD+RW"* ]]'
run $page '$cli --drive virtual-dvd burn-dvd --multisession ~/Documents' 0 'kept "$out" iso && [[ $err == *Formatting* ]]'
run $page '$cli --drive virtual-dvd tray insert last' 0
run $page '$cli --drive virtual-dvd burn-dvd --multisession ~/Pictures' 0 \
  'kept "$out" iso && isoinfo -J -f -i "$out" | grep -q "^/Documents/notes.txt" && isoinfo -J -f -i "$out" | grep -q "^/Pictures/holiday.jpg"'
run $page '$cli --drive virtual-cd burn-vcd a.mpg b.mpg' 0 'kept "$out" cue && [ "$(grep -c "TRACK .. MODE2/2352" "$out")" = 3 ]'
run $page '$cli --drive virtual-cd --yes burn-vcd long.mpg' 0 '[ "$(printf "%s\n" "$out" | wc -l)" -ge 2 ]'
run $page '$cli --drive virtual-cd burn-audio --disc-at-once --title "Live" --performer "The Band" a.wav b.wav' 0 \
  'kept "$out" cue && grep -q "TITLE \"Live\"" "$out" && grep -q "PERFORMER \"The Band\"" "$out"'
run $page '$cli --drive virtual-cd burn-image --verify ~/album.cue' 0 'kept "$out" cue && [[ $err == *"no differences"* ]]'
run $page '$cli --drive virtual-dvd burn-image backup.iso' 0 'kept "$out" iso && cmp -s "$out" backup.iso'

page=docs/faults-and-verify.md
run $page 'cli=build/release/shell/cli/brenmark-cli' 0
run $page '$cli --drive virtual-cd --fault WRITE10:from=300:corrupt burn-cd --verify ~/Documents' 1 \
  '[[ $err == *"Verification failed: 1 file differs: /Documents/report.pdf (first difference within bytes"* ]]'
run $page '$cli --drive virtual-cd --fault READCD:from=480:count=3 --no burn-audio --verify a.wav b.wav' 1 \
  '[[ $err == *"Verification failed: 1 track could not be read: track 2 (b.wav)"* ]]'

# The trace lines shown on the page, but for their times and, of a write, its address.
trace_fields() { cut -d '|' -f 2,3,5,6; }
run $page '$cli --trace ~/trace.log --drive virtual-cd --fault SYNCHRONIZECACHE:sense=4/44/00 --no burn-cd ~/Documents' 1 \
  '[[ $out == *" (failed)" ]]'
run $page "grep 'WRITE(10)' ~/trace.log" 0 \
  '[ "$(head -n 1 <<< "$out" | trace_fields)" = "$(grep -m 1 "| WRITE(10) |" "$source_dir/$page" | trace_fields)" ]'
run $page "grep -v '| GOOD |' ~/trace.log" 0 \
  '[ "$(trace_fields <<< "$out")" = "$(grep "| SYNCHRONIZE CACHE |" "$source_dir/$page" | trace_fields)" ]'

page=docs/expose.md
run $page 'cli=build/release/shell/cli/brenmark-cli' 0
run $page '$cli expose -- $cli drives' 0 \
  '[[ $out == "0	sr90: Brenmark Virtual CD-RW"$'\''\n'\''"1	sr91: Brenmark Virtual DVD-R"$'\''\n'\''"2	virtual-cd"* ]]'
run $page '$cli expose -- $cli --drive sr90 burn-cd ~/Documents' 0 \
  '[ -z "$out" ] && [ "$(ls ~/.local/share/brenmark/"burned discs"/*.cue | wc -l)" = 1 ]'
run $page '$cli expose -- $cli --drive sr91 disc-info' 0 '[[ $out == *"Medium - DVD-R (sequential, blank)"* ]]'
run $page '$cli --fault WRITE10:transport:always expose -- $cli --drive sr90 --no burn-cd ~/Documents' 1 \
  '[[ $err == *"Disc burning failed."* ]]'
run $page '$cli expose -- xorriso -outdev /dev/sr90 -toc' 0 '[[ $out == *"Media status : is blank"* ]]'
run $page '$cli expose -- cdrskin dev=/dev/sr91 -atip' 0 '[[ $out == *"Virtual DVD-R"* ]]'
run $page '$cli expose -- cdrdao write --driver generic-mmc:0x10 --device /dev/sr90 album.toc' 0 \
  '$cli --drive virtual-cd disc-info | grep -q "^Tracks - 2$" &&
   $cli expose -- cd-info --no-device-info --no-disc-mode -C /dev/sr90 2> /dev/null | grep -q "TITLE: Album"'

page=docs/windows.md
wine='Wine cannot run here, or needs the Windows build; the Windows stage of scripts/test.sh runs these'
skip $page 'scripts/install-deps.sh && cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DBRENMARK_GUI=OFF -DBRENMARK_TESTS=OFF && cmake --build build/windows --target brenmark brenmark-cli' \
  'installs packages and cross-builds the Windows programs (the Windows stage of scripts/test.sh)'
for command in 'cmake/wine-run.sh build/windows/shell/win32/brenmark.exe' \
    'cli="cmake/wine-run.sh build/windows/shell/cli/brenmark-cli.exe"' '$cli drives' \
    '$cli --drive virtual-cd tray show' '$cli --drive virtual-cd device-info' \
    '$cli --drive virtual-cd burn-cd ~/Documents' '$cli --drive virtual-dvd burn-dvd ~/Pictures' \
    '$cli --drive virtual-cd disc-info' '$cli --drive virtual-cd tray blank' \
    '$cli --drive virtual-cd burn-audio intro.wav song.wav' '$cli --drive virtual-cd burn-vcd movie.mpg' \
    '$cli --drive virtual-cd tray insert album.cue' '$cli --drive virtual-cd grab --format mp3 ~/Music/album' \
    'ln -s /dev/sr90 "$WINEPREFIX/dosdevices/d::"' 'ln -s /tmp "$WINEPREFIX/dosdevices/d:"' \
    "wine reg add 'HKLM\\Software\\Wine\\Drives' /v d: /d cdrom /f" 'wineserver -k' \
    'brenmark-cli expose -- wine brenmark-cli.exe --transport spti drives'; do
  skip $page "$command" "$wine"
done

page=docs/benchmarks.md
skip $page 'cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRENMARK_BENCH=ON -DBRENMARK_TESTS=OFF -DBRENMARK_GUI=OFF' \
  'configures a release build of its own'
skip $page 'cmake --build build/bench' 'builds every benchmark (long on two cores)'
skip $page 'ls build/bench/bench/*/ build/bench/bench/virtualdrive/*/' 'lists the benchmark build'
skip $page 'build/bench/bench/gui/brenmark_job_rate_bench' 'a benchmark of several minutes, on the benchmark build'

page='man brenmark'
skip "$page" 'brenmark [--data-dir folder]' 'opens the window and waits for its user (--screenshots renders it)'
run_as "$page" 'brenmark --screenshots folder [--data-dir folder]' \
  'QT_QPA_PLATFORM=offscreen $gui --screenshots shots --data-dir data' 0 '[ -s shots/main-window.png ] && [ -d data ]'
run_as "$page" 'brenmark --version' '$gui --version' 0 '[[ $out == "Brenmark "* ]]'

# Its synopsis is --help's usage: each form used with its options.
page='man brenmark-cli'
form='brenmark-cli [OPTIONS]'
run_as "$page" "$form drives" '$cli_program --trace trace.log drives' 0 'grep -q "| virtual-dvd | INQUIRY |" trace.log'
run_as "$page" "$form tray [show | blank [cd-r | cd-rw | dvd-r | dvd-rw | dvd+r | dvd+rw] [--minutes N] | insert IMAGE|last | eject | empty | pace real|fast]" \
  '$cli_program tray blank cd-rw && $cli_program tray pace fast && $cli_program tray show' 0 '[[ $out == "blank CD-RW"* ]]'
run_as "$page" "$form burn-cd [--multisession] [--blank fast|full] [--verify] FOLDER" \
  '$cli_program burn-cd --verify Documents && $cli_program tray insert last &&
   $cli_program burn-cd --multisession --blank fast Pictures' 0 \
  '[[ $err == *"no differences"* && $err == *"Blanking the disc..."* ]] && [[ $($cli_program tray) == "blank CD-R"* ]]'
run_as "$page" "$form burn-dvd [--multisession] [--blank fast|full] [--verify] FOLDER" \
  '$cli_program --speed 5540 burn-dvd --verify Pictures' 0 'kept "$out" iso'
run_as "$page" "$form burn-audio [--verify] [--disc-at-once [--gap SECONDS] [--title TEXT] [--performer TEXT]] FILE.wav..." \
  '$cli_program burn-audio --verify --disc-at-once --gap 0.5 --title Album --performer Band a.wav b.wav' 0 \
  'kept "$out" cue && grep -q "PERFORMER \"Band\"" "$out"'
run_as "$page" "$form burn-vcd [--verify] FILE.mpg..." '$cli_program burn-vcd --verify a.mpg' 0 'kept "$out" cue'
run_as "$page" "$form burn-image [--verify] IMAGE.iso|IMAGE.cue" '$cli_program burn-image --verify album.cue' 0 'kept "$out" cue'
run_as "$page" "$form device-info" '$cli_program --drive virtual-dvd device-info' 0 '[[ $out == *"virtual-dvd"* ]]'
run_as "$page" "$form disc-info" '$cli_program --drive virtual-cd disc-info' 0 '[[ $out == *"Medium - CD-R (blank)"* ]]'
run_as "$page" "$form grab [--format wav|mp3] [--bitrate KBPS] [--tracks LIST] [--overwrite] OUTPUT_FOLDER" \
  '$cli_program tray insert disc.cue && $cli_program grab --format mp3 --bitrate 128 --tracks 2 --overwrite Music' 0 \
  '[[ $out == *Music/track02.mp3 ]]'
run_as "$page" "$form expose [--cd-as PATH] [--dvd-as PATH] -- COMMAND [ARGS...]" \
  '$cli_program expose --cd-as "$home/cd" --dvd-as "$home/dvd" -- test -e "$home/dvd"' 0 '[ ! -e cd ] && [ ! -e dvd ]'

# --- the fixtures ------------------------------------------------------------
# A home as a user might have it, with the programs where the docs build them.
mkdir -p "$home/build/release/shell/cli" "$home/build/release/shell/qt" "$home/Documents" "$home/Pictures" \
         "$home/Music" "$home/fixtures" "$home/man/man1"
ln -s "$cli_program" "$home/build/release/shell/cli/brenmark-cli"
[ "$gui_program" = none ] || ln -s "$gui_program" "$home/build/release/shell/qt/brenmark"
printf 'Hello\n' > "$home/Documents/notes.txt"
head -c 1500000 /dev/zero | tr '\0' 'x' > "$home/Documents/report.pdf"   # reaches past block 300
printf 'not really a photo\n' > "$home/Pictures/holiday.jpg"
cd "$home"
for wav in intro song a b; do sox -n -r 44100 -c 2 -b 16 "$wav.wav" synth 5 sine 440; done
ffmpeg -loglevel error -f lavfi -i testsrc=size=352x240:rate=30 -t 2 -target ntsc-vcd a.mpg
cp a.mpg b.mpg
# More than the 21-minute CD-R the page loads before it holds.
ffmpeg -loglevel error -f lavfi -i testsrc=size=352x240:rate=30 -t 120 -c:v mpeg1video -b:v 16M \
  -minrate 16M -maxrate 16M -bufsize 2M -f vcd -muxrate 16400k long.mpg
cat > album.toc << 'EOF'
CD_DA
CD_TEXT { LANGUAGE_MAP { 0 : EN } LANGUAGE 0 { TITLE "Album" PERFORMER "The Band" } }
TRACK AUDIO
CD_TEXT { LANGUAGE 0 { TITLE "Intro" PERFORMER "The Band" } }
FILE "intro.wav" 0
TRACK AUDIO
CD_TEXT { LANGUAGE 0 { TITLE "Song" PERFORMER "The Band" } }
FILE "song.wav" 0
EOF
# Images "of your own": discs burned into a data folder of the fixtures', copied.
copy_cue() {
  local cue=$1 to=$2
  sed "s|^FILE \"[^\"]*\"|FILE \"$(basename "${to%.cue}").bin\"|" "$cue" > "$to"
  cp "${cue%.cue}.bin" "${to%.cue}.bin"
}
fixture_cli() { "$cli_program" --data-dir "$home/fixtures/data" "$@" < /dev/null 2> /dev/null; }
copy_cue "$(fixture_cli --drive virtual-cd burn-audio a.wav b.wav)" disc.cue
cp disc.cue disc.bin fixtures/
copy_cue "$(fixture_cli --drive virtual-cd burn-audio --disc-at-once --title Album a.wav b.wav)" album.cue
cp "$(fixture_cli --drive virtual-dvd burn-dvd Documents)" backup.iso
# The man pages as installed: brenmark(1) from its source, brenmark-cli(1) from --help.
sed -e 's/@PROJECT_VERSION@/0/' -e 's/@BRENMARK_RELEASE_DATE@/2000-01-01/' \
  "$source_dir/packaging/brenmark.1.in" > man/man1/brenmark.1
cmake -DPROGRAM="$cli_program" -DNAME=brenmark-cli -DSUMMARY=- -DVERSION=0 -DDATE=2000-01-01 \
  -DOUTPUT=man/man1/brenmark-cli.1 -P "$source_dir/cmake/ManPageFromHelp.cmake"
rm -rf fixtures/data

# --- the commands --------------------------------------------------------------
# Lines "PAGE<TAB>COMMAND<TAB>EXPECTED" of every page, EXPECTED being a
# console block's output, with \n for its line breaks. A block that is not
# sh or console says it holds no commands (```text); one without a kind fails.
commands_of() {
  awk -v page="$2" '
    function flush() { if (command != "") print page "\t" command "\t" expected; command = ""; expected = "" }
    /^<!-- tour/ { tour = 1; next }
    !inside && /^```/ {
      inside = 1; kind = substr($0, 4)
      if (tour) { kind = "tour"; tour = 0 }
      if (kind == "") print page "\t```\t"
      next
    }
    inside && /^```/ { flush(); inside = 0; next }
    !inside || kind == "tour" || (kind != "sh" && kind != "console") { next }
    continued {
      line = $0; sub(/^[[:space:]]+/, "", line)
      command = command " " line; sub(/[[:space:]]*\\$/, "", command); continued = ($0 ~ /\\$/); next
    }
    kind == "console" && !/^\$ / { expected = expected (expected == "" ? "" : "\\n") $0; next }
    /^[[:space:]]*(#.*)?$/ { next }
    {
      flush(); command = $0; sub(/^\$ /, "", command)
      continued = (command ~ /\\$/); sub(/[[:space:]]*\\$/, "", command)
    }' "$1"
}
man_synopsis() {
  groff -man -Tascii -P-c -P-b -P-u "$1" 2> /dev/null |
    awk -v page="$2" '/^SYNOPSIS/ { on = 1; next } /^[A-Z]/ { on = 0 } on && NF { sub(/^ +/, ""); print page "\t" $0 "\t" }'
}
{
  for doc in README.md CONTRIBUTING.md $(cd "$source_dir" && echo docs/*.md); do
    commands_of "$source_dir/$doc" "$doc"
  done
  man_synopsis man/man1/brenmark.1 'man brenmark'
  man_synopsis man/man1/brenmark-cli.1 'man brenmark-cli'
} > commands.tsv

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
# The paths and the time stamps in image names differ from run to run.
normalize() { sed -E -e "s|$home|/home/me|g" -e 's/-[0-9]{8}-[0-9]{6}(-[0-9]+)?\./-STAMP./g'; }
# kept PATH KIND: PATH is an image the recorder kept, of that kind.
kept() { [[ $1 == "$home/.local/share/brenmark/burned discs/"*".$2" ]] && [ -s "$1" ]; }
key_of() { printf '%s: %s' "$1" "$(printf '%s' "$2" | sed -E 's/[[:space:]]+#.*$//; s/[[:space:]]+$//')"; }

# A page's commands run in order in one shell of its own (what they set, such
# as cli=, holds for the next ones), on recorders of its own. Its status is
# the number of its commands that failed.
run_page() {
  local page=$1 shown expected key command status out err failed=0
  rm -rf "$home/.local" "$home/Music"/* "$home/shots" "$home/data" "$home/DIR"
  cp fixtures/disc.cue fixtures/disc.bin .
  (
    export gui="$gui_program"
    while IFS=$'\t' read -r shown expected; do
      key=$(key_of "$page" "$shown")
      [ -n "${status_of[$key]+set}" ] || continue
      command=${run_instead[$key]:-${key#"$page: "}}
      if [[ $command == *'$gui'* || $command == *shell/qt/brenmark* ]] && [ "$gui_program" = none ]; then
        echo "not run (the desktop program is not built): $key" | tee -a "$home/not-run.txt"
        continue
      fi
      if [[ $command == *' expose '* ]] && [ "$expose_built" = none ]; then
        echo "not run (this build has no expose library): $key" | tee -a "$home/not-run.txt"
        continue
      fi
      eval "$command" > "$home/out.txt" 2> "$home/err.txt" < /dev/null
      status=$?
      out=$(cat "$home/out.txt") err=$(cat "$home/err.txt")
      if [ "$status" != "${status_of[$key]}" ]; then
        echo "FAILED: $key exits $status, not ${status_of[$key]}: $(tail -n 3 "$home/err.txt")" >&2
        failed=$((failed + 1))
        continue
      fi
      if [ -n "$expected" ] &&
         ! diff <(printf '%b\n' "$expected" | normalize) <(printf '%s\n' "$out" | normalize) > "$home/diff.txt"; then
        echo "FAILED: $key printed something else than $page shows:" >&2
        cat "$home/diff.txt" >&2
        failed=$((failed + 1))
      fi
      if ! (eval "${check_of[$key]}") < /dev/null > /dev/null 2>&1; then
        echo "FAILED: $key does not do what $page says: $(tail -n 3 "$home/err.txt")" >&2
        failed=$((failed + 1))
      fi
    done < <(awk -F'\t' -v page="$page" '$1 == page { sub(/^[^\t]*\t/, ""); print }' commands.tsv)
    exit "$failed"
  )
}

runs=0 skips=0
while IFS=$'\t' read -r page shown expected; do
  if [ "$shown" = '```' ]; then
    fail "$page: a code block without a kind (sh, console, or text when it holds no commands)"
    continue
  fi
  key=$(key_of "$page" "$shown")
  used["$key"]=1
  if [ -n "${reason_of[$key]+set}" ]; then
    skips=$((skips + 1))
  elif [ -n "${status_of[$key]+set}" ]; then
    runs=$((runs + 1))
  else
    fail "$key: a command this check does not know; add it to its table, run or skipped with the reason"
  fi
done < commands.tsv
for key in "${!status_of[@]}" "${!reason_of[@]}"; do
  [ -n "${used[$key]+set}" ] || fail "$key: in this check's table, but no page shows it any more"
done

while IFS= read -r page; do
  run_page "$page"
  failures=$((failures + $?))
done < <(cut -f1 commands.tsv | uniq)

not_built=$(cat not-run.txt 2> /dev/null | wc -l)
runs=$((runs - not_built))
if [ "$failures" -gt 0 ]; then
  echo "$runs commands run, $skips skipped, $not_built not built; $failures checks failed" >&2
  exit 1
fi
echo "documented commands: $runs run as written, $skips skipped for the reasons in docs-commands.sh," \
  "$not_built left out of this build"
