#!/usr/bin/env bash
# Measures the main window with the listing of a tree shaped like a real one, beside the
# export command reading the same tree, and prints one table with the targets.
#
#   bench/window-bench.sh [BUILD_DIR]      default: build; COPIES=6 ROUNDS=3
#
# The tree is the one of usr-tree-bench.sh (COPIES hard-linked copies of /usr, made once
# under ${BENCH_DIR:-/tmp/vantrel-usr} by common.sh). For a plain read and for -sSD:
#  - the export (vantrel-oruk-export, writing text to a regular file under /tmp) runs
#    once to warm the caches, then once under /usr/bin/time for its wall time and peak
#    resident memory (this includes starting the process and writing the file);
#  - window_bench shows the window offscreen at 1000x800, ticks the check boxes, selects
#    the folder and clicks "Lecture répertoire": the read runs from the click until the
#    status line says "Lecture terminée.", the memory is the process's resident set
#    right after it and its peak. Then Ctrl+End, Ctrl+Home, twenty scroll bar positions,
#    a mouse drag of the slider and a character typed at the start, in the middle and at
#    the end, each until the view's viewport has repainted.
#
# The progress figure is what the window's read costs beyond the read command itself:
# window_bench alternates, ROUNDS times, the window's read (status line count every
# 100 ms, pending events every 10 ms, a stop check after each file) with the same read
# through ReadFolder into the same view with no hooks, each from an empty view and file
# list, and gives the difference of the quickest rounds of each (other work only ever
# adds time) as a share of the window's read. Timing inside the hooks would miss the
# per-file cost of asking them and the cost of the events they let run, which is why
# the whole reads are compared. Its noise is the spread of the rounds, printed beside
# it with every round: a share within the spread is not measured, only bounded. Hence
# also a direct figure: the time the first read spends handling the events that its
# pending-message calls dispatch (timed in the application's notify while the window
# reads), as a share of that read. It leaves out the stop check after each file and the
# event dispatcher's own polling, which only the rounds see.
#
# Every read is timed in wall time and in the process's processor time: on a machine
# that other work shares, the wall time waits for that work (compare the load averages
# printed with the table), and the processor time is the steadier figure.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
exporter=$(bench_program vantrel-oruk-export "$build_dir")
window_bench=$(bench_program window_bench "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

tree=$(make_usr_tree "${COPIES:-6}")
rounds="${ROUNDS:-3}"
work=$(mktemp -d /tmp/vantrel-window-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Runs both programs with the flags of variant NAME (none for "plain") and keeps their
# figures in $work/NAME.txt as "name value" lines.
measure() {
    local name=$1
    shift
    local figures="$work/$name.txt"
    echo "reading $tree ${*:-(no options)}" >&2
    local log="$work/$name.log"
    offscreen "$exporter" "$@" "$tree" -o "$work/export.txt" 2>"$log" || { cat "$log" >&2; exit 1; }
    offscreen /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$exporter" "$@" "$tree" \
        -o "$work/export.txt" 2>"$log" || { cat "$log" >&2; exit 1; }
    awk '{ printf "export_s %s\nexport_peak_mib %.1f\nexport_cpu_s %.2f\n", $1, $2 / 1024, $3 + $4 }' \
        "$work/time.txt" >"$figures"
    echo "export_lines $(wc -l <"$work/export.txt")" >>"$figures"
    rm -f "$work/export.txt"
    offscreen "$window_bench" --rounds "$rounds" "$@" "$tree" >>"$figures" 2>"$log" || { cat "$log" >&2; exit 1; }
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
measure plain
measure sized -sSD

echo
echo "tree: $tree; window 1000x800, offscreen; $rounds progress rounds;" \
    "load average $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after"
python3 "$bench_root/bench/window_table.py" "$work/plain.txt" "$work/sized.txt"
echo
echo "progress rounds, plain then -sSD:"
grep -h '^progress_round_' "$work/plain.txt" "$work/sized.txt" | sed 's/^progress_round_/  round /'
