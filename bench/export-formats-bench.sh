#!/usr/bin/env bash
# Times the export's data formats and new options against the plain text export of the
# same tree, and prints wall time and peak memory with their ratios to it.
#
#   bench/export-formats-bench.sh            the /usr tree (about 145,000 files)
#   bench/export-formats-bench.sh FOLDER     any tree, e.g. one of bench/make_tree.py
#
# Each command writes to a regular file under ${OUT_DIR:-/tmp/vantrel-formats-bench},
# runs once to warm the caches, then ${RUNS:-5} times; the median of the wall times (to
# the microsecond, from bash's EPOCHREALTIME) and of the peak resident sizes
# (/usr/bin/time -f %M) is reported. Every ratio is to the first line, the plain text
# export.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/common.sh"
exporter=$(bench_program vantrel-oruk-export)
tree=${1:-$(make_usr_tree 1)}
out=${OUT_DIR:-/tmp/vantrel-formats-bench}
runs=${RUNS:-5}
mkdir -p "$out"

# The median of the numbers on standard input.
median() {
    sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# Prints "seconds peak-KiB" of the export with ARGS, each the median of the runs.
measure() {
    local i
    "$exporter" "$@" "$tree" >/dev/null 2>&1
    : >"$out/times"
    local start end
    for ((i = 0; i < runs; i++)); do
        start=$EPOCHREALTIME
        /usr/bin/time -f '%M' -o "$out/time" "$exporter" "$@" "$tree" 2>/dev/null
        end=$EPOCHREALTIME
        echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }') $(cat "$out/time")" >>"$out/times"
    done
    echo "$(cut -d' ' -f1 "$out/times" | median) $(cut -d' ' -f2 "$out/times" | median)"
}

echo "tree $tree, median of $runs runs after a warm-up, output under $out"
printf '%-44s %8s %6s %9s %6s\n' command seconds ratio 'peak MiB' ratio
base_time=
base_memory=
row() {
    local label=$1
    shift
    local figures
    figures=$(measure "$@")
    local seconds=${figures% *} memory=${figures#* }
    base_time=${base_time:-$seconds}
    base_memory=${base_memory:-$memory}
    awk -v l="$label" -v s="$seconds" -v m="$memory" -v bs="$base_time" -v bm="$base_memory" \
        'BEGIN { printf "%-44s %8.3f %6.2f %9.1f %6.2f\n", l, s, s / bs, m / 1024, m / bm }'
}

row "text (plain)" -o "$out/plain.txt"
row "text -s" -s -o "$out/s.txt"
row "text -sSD" -sSD -o "$out/sSD.txt"
row "text --totals" --totals -o "$out/totals.txt"
row "text -sSD --totals" -sSD --totals -o "$out/sSD-totals.txt"
row "text --exclude-dir share --max-depth 3" --exclude-dir share --max-depth 3 -o "$out/filtered.txt"
row "text --include '*.so*;*.h' --exclude '*.py'" --include '*.so*;*.h' --exclude '*.py' -o "$out/masks.txt"
row "csv" -o "$out/l.csv"
row "csv -s --totals" -s --totals -o "$out/s-totals.csv"
row "csv -d" -d -o "$out/d.csv"
row "json" -o "$out/l.json"
row "json -s --totals" -s --totals -o "$out/s-totals.json"
row "html" -o "$out/l.html"
row "html -sSD --totals" -sSD --totals -o "$out/sSD-totals.html"
