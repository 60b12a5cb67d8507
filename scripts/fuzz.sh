#!/usr/bin/env bash
# Builds the libFuzzer harnesses (build/fuzz, clang) and runs them.
#
#   scripts/fuzz.sh [SECONDS] [INPUT...]   runs each harness SECONDS (default 60)
#   scripts/fuzz.sh --replay [INPUT...]    runs each harness over its seeds only
#
# INPUT names harnesses by their input (wav, recorder, ...); all by default.
# A run starts from the committed seeds in tests/fuzz/<input>/ and keeps the
# inputs it finds in build/fuzz/corpus/<input>/, never among the seeds; it
# prints per harness the executions, the edges covered, the corpus size and
# any crash, leak or hang with the input that caused it (kept in
# build/fuzz/findings/<input>/). The status is 1 when any harness failed.
set -euo pipefail
cd "$(dirname "$0")/.."

replay=false
seconds=60
if [ "${1:-}" = "--replay" ]; then
  replay=true
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

build=build/fuzz
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBRENMARK_FUZZ=ON "${launcher[@]}" > /dev/null
cmake --build "$build" --target fuzzers > /dev/null

inputs=("$@")
if [ ${#inputs[@]} -eq 0 ]; then
  for harness in "$build"/tests/fuzz/fuzz_*; do inputs+=("${harness##*/fuzz_}"); done
fi

# The harnesses' own files (recorders' folders, settings) go to a scratch
# folder, in memory where there is one: the recorders sync what they write.
base=${TMPDIR:-/tmp}
[ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && base=/dev/shm
scratch=$(mktemp -d "$base/brenmark-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failed=0
printf '%-16s %12s %8s %8s  %s\n' harness executions edges corpus outcome
for input in "${inputs[@]}"; do
  harness=$build/tests/fuzz/fuzz_$input
  seeds=tests/fuzz/$input
  if [ ! -x "$harness" ] || [ ! -d "$seeds" ]; then
    echo "no harness or seeds for '$input'" >&2
    failed=1
    continue
  fi
  findings=$build/findings/$input
  mkdir -p "$findings"
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
  [ -f "tests/fuzz/$input.dict" ] && options+=(-dict="tests/fuzz/$input.dict")
  if [ "$replay" = true ]; then
    corpora=("$seeds")
    options+=(-runs=0)
  else
    corpus=$build/corpus/$input
    mkdir -p "$corpus"
    corpora=("$corpus" "$seeds")
    options+=(-max_total_time="$seconds")
  fi
  log=$build/findings/$input.log
  status=0
  TMPDIR=$scratch "$harness" "${options[@]}" "${corpora[@]}" > "$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  size=$(grep -o 'corp: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  outcome=ok
  if [ "$status" -ne 0 ]; then
    failed=1
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    what=$(sed -n 's/^SUMMARY: //p' "$log" | head -n 1)
    outcome="FAILED (${what:-status $status}); log $log"
    [ -n "$artifact" ] && outcome+="; input $artifact"
  fi
  printf '%-16s %12s %8s %8s  %s\n' "$input" "${executions:-?}" "${edges:-?}" "${size:-?}" "$outcome"
  if [ "$status" -ne 0 ] && [ -n "${artifact:-}" ] && [ -f "$artifact" ]; then
    head -c 256 "$artifact" | od -A d -t x1z | sed 's/^/    /'
  fi
done
exit "$failed"
