#!/usr/bin/env bash
# Times authoring all metadata of a tree of 200,000 empty files in 2,000
# folders: genisoimage -J -o against brenmark-datadisc-author, in the same
# run, on the same warm tree. Both write their image to a temporary file.
#
#   bench/datadisc/compare-with-genisoimage.sh [path/to/brenmark-datadisc-author]
set -euo pipefail
cd "$(dirname "$0")/../.."
author=${1:-build-rel/bench/datadisc/brenmark-datadisc-author}
[ -x "$author" ] || { echo "build $author first (-DBRENMARK_BENCH=ON)" >&2; exit 1; }

df -h /work /tmp | sed 's/^/  /'
work=$(mktemp -d /tmp/brenmark-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "building the tree in $work ..."
python3 - "$work/tree" <<'PY'
import os, sys
top = sys.argv[1]
for folder in range(2000):
    d = os.path.join(top, f"Project folder with a rather long name {folder}")
    os.makedirs(d)
    for f in range(100):
        if f % 10 == 0:
            name = f"Minutes of the weekly coordination meeting of the project {f} final version.txt"
        else:
            name = f"Quarterly report of the northern sales region part {f}.pdf"
        os.close(os.open(os.path.join(d, name), os.O_WRONLY | os.O_CREAT, 0o644))
PY
find "$work/tree" -printf '' # warm the caches for both tools

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc; }

for round in 1 2; do
  g=$(seconds genisoimage -J -o "$work/genisoimage.iso" "$work/tree")
  b=$(seconds "$author" "$work/tree" "$work/brenmark.iso")
  printf 'round %d: genisoimage -J -o %6.3f s   brenmark-datadisc-author %6.3f s   ratio %.2f\n' \
    "$round" "$g" "$b" "$(echo "$b / $g" | bc -l)"
done
"$author" "$work/tree" "$work/brenmark.iso"
ls -l "$work/genisoimage.iso" "$work/brenmark.iso" | awk '{print "  " $5 " bytes  " $9}'
