#!/usr/bin/env bash
# Exports a folder holding one file, once in a parent that holds nothing else and once in
# a parent that also holds 20,000 other folders, and prints for each: the median wall
# time, the peak resident memory and the file-system calls (strace, %file and getdents64).
# The export reads the folder it is given; what it costs should not grow with its
# parent.
#
#   bench/export-siblings-bench.sh [BUILD_DIR]     default: build
#
# SIBLINGS (default 20000) sets the number of other folders, RUNS (default 5) the runs
# timed per case after one to warm the caches. The folders are made in a temporary folder
# that is removed at the end. Needs /usr/bin/time and strace.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
exporter=$(bench_program vantrel-oruk-export "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }
command -v strace >/dev/null || { echo "needs strace (apt-get install strace)" >&2; exit 1; }

siblings="${SIBLINGS:-20000}"
runs="${RUNS:-5}"
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-siblings.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$siblings" <<'PY'
import os, sys
work, siblings = sys.argv[1], int(sys.argv[2])
for parent in ("small", "crowded"):
    os.makedirs(os.path.join(work, parent, "target"))
    with open(os.path.join(work, parent, "target", "only.txt"), "w") as f:
        f.write("x" * 100)
for i in range(siblings):
    os.mkdir(os.path.join(work, "crowded", f"sibling-{i:05d}"))
PY

# The export without a display, as on a server, writing into the temporary folder.
run_export() {
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$@" >"$work/out.txt" 2>"$work/err.txt"
}

# Median wall time in seconds of `runs` runs, after one that warms the caches.
wall_time() {
    local folder=$1 times=()
    run_export "$exporter" "$folder"
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s.%N)
        run_export "$exporter" "$folder"
        end=$(date +%s.%N)
        times+=("$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] }'
}

peak_rss_mb() {
    run_export /usr/bin/time -v -o "$work/time.txt" "$exporter" "$1"
    awk -F: '/Maximum resident set size/ { printf "%.1f", $2 / 1024 }' "$work/time.txt"
}

file_calls() {
    run_export strace -f -c -U calls,name -e trace=%file,getdents64 -o "$work/strace.txt" "$exporter" "$1"
    awk '$2 == "total" { print $1 }' "$work/strace.txt"
}

echo "vantrel-oruk-export of a folder holding one file ($exporter)"
printf '%-28s %10s %14s %18s\n' "parent" "wall (s)" "peak RSS (MB)" "file syscalls"
for parent in small crowded; do
    folder="$work/$parent/target"
    label="alone"
    [[ $parent == crowded ]] && label="with $siblings folders"
    printf '%-28s %10s %14s %18s\n' "$label" "$(wall_time "$folder")" "$(peak_rss_mb "$folder")" \
        "$(file_calls "$folder")"
done
