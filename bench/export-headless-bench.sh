#!/usr/bin/env bash
# Measures the export command run headless, as on a server with no display, beside the
# smallest Qt program and the tools that walk trees for a living, and prints each figure
# with its ratio to its peer and the figure it should keep to:
#
#   1. start-up: a folder holding one file, as text and as CSV, beside minimal_core_bench
#      (a QCoreApplication that prints one line), `tree -a` and `find`;
#   2. streaming: JSON and text of one copy of /usr cut by `| head -c 100`, beside the
#      full export to a file: how soon the export stops once nobody reads it;
#   3. memory against the tree's size: peak resident size of the unsorted text and JSON
#      exports of one copy of /usr and of six, and of the sorted ones for reference;
#   4. the whole tree, warm: the plain export beside `fdfind -u -j1`, the export with
#      sizes and dates (-sSD) beside `find -printf '%s %t %p\n'`, and `tree -a`.
#
#   bench/export-headless-bench.sh [BUILD_DIR]     default: build
#
# Every command writes to a regular file in a temporary folder, removed at the end (a
# pipeline's last command does). Wall times come from bash's EPOCHREALTIME around each
# run. The commands of a table run in turns, one round to warm the caches and then
# SMALL_RUNS (default 50) rounds for the one-file folder, RUNS (default 5) for the
# trees, so that a change in the machine's load falls on all of them alike; the median
# of each is reported. Peak resident sizes come from `/usr/bin/time -f %M`, in PEAK_RUNS
# (default 3) runs of their own, so that the timed runs carry no extra process; the
# highest is reported. The trees are hard-linked copies of /usr made once by
# make_usr_tree (common.sh) and reused. fdfind and tree are skipped, and said so, where
# they are not installed: `bash scripts/install-deps.sh --with-bench-tools` installs
# them (this script installs nothing). The load average is printed at the start and the
# end: figures taken on a busy machine say less.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
exporter=$(bench_program vantrel-oruk-export "$build_dir")
minimal=$(bench_program minimal_core_bench "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

small_runs=${SMALL_RUNS:-50}
runs=${RUNS:-5}
peak_runs=${PEAK_RUNS:-3}

# Every program of the run, the yardstick too, starts without a display.
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-headless-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
one="$work/one"
mkdir "$one"
printf '%100s\n' "" >"$one/only.txt"

# The commands measured are functions of this script, each starting its program through
# `probe`: empty in the timed runs, /usr/bin/time while the peak memory is taken.
probe=()
declare -A median peak

# Stops the script with the command that failed and what it wrote to standard error.
failed() {
    echo "failed: $*" >&2
    cat "$work/stderr" >&2
    exit 1
}

have() {
    command -v "$1" >/dev/null
}

# Runs the command NAME with its standard output to $work/NAME.out.
run() {
    "$@" >"$work/$1.out" 2>"$work/stderr" || failed "$@"
}

# time_in_turns COUNT NAME...: runs the commands in turns, one round to warm the caches,
# then COUNT rounds, and sets median[NAME] to the median wall time in seconds of each.
time_in_turns() {
    local count=$1
    shift
    local name round start end
    local -A durations
    for name; do
        run "$name"
    done
    for ((round = 0; round < count; round++)); do
        for name; do
            start=${EPOCHREALTIME/[.,]/}
            run "$name"
            end=${EPOCHREALTIME/[.,]/}
            durations[$name]+="$((end - start)) "
        done
    done
    for name; do
        # shellcheck disable=SC2086 # one duration a word
        median[$name]=$(printf '%s\n' ${durations[$name]} | sort -n | awk '{ v[NR] = $1 } END {
            m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.6f", m / 1e6 }')
    done
}

# peak_of NAME [ARGS...]: runs the command PEAK_RUNS times and sets peak[NAME] to its
# highest peak resident size in KiB.
peak_of() {
    local i kib
    peak[$1]=0
    probe=(/usr/bin/time -f %M -o "$work/time.txt")
    for ((i = 0; i < peak_runs; i++)); do
        run "$@"
        kib=$(tail -n 1 "$work/time.txt")
        ((kib > peak[$1])) && peak[$1]=$kib
    done
    probe=()
}

# A over B to two decimals.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

lines_of() {
    wc -l <"$work/$1.out"
}

# target DESCRIPTION VALUE LIMIT: one line that says whether VALUE keeps to LIMIT.
target() {
    awk -v d="$1" -v v="$2" -v l="$3" 'BEGIN {
        printf "   target  %-44s %10s  <= %-8s %s\n", d, v, l, (v + 0 <= l + 0 ? "met" : "NOT MET") }'
}

load_average() {
    local one_minute five_minutes _
    read -r one_minute five_minutes _ </proc/loadavg
    echo "load average $one_minute (1 min), $five_minutes (5 min) on $(nproc) cores"
}

# The commands of the tables. The export's own, with its arguments:
export_run() { "${probe[@]}" "$exporter" "$@"; }
# The export with ARGS cut after its first 100 bytes. Once head has them and ends, the
# export's next write ends it by SIGPIPE (status 141): that is the point of the measure,
# not a failure.
export_head() { { "$exporter" "$@" || [[ $? -eq 141 ]]; } | head -c 100; }

minimal_core() { "${probe[@]}" "$minimal"; }
one_text() { export_run "$one"; }
one_csv() { export_run --format csv "$one"; }
one_tree() { "${probe[@]}" tree -a "$one"; }
one_find() { "${probe[@]}" find "$one"; }

json_full() { export_run --format json "$tree"; }
json_head() { export_head --format json "$tree"; }
text_full() { export_run --format text "$tree"; }
text_head() { export_head --format text "$tree"; }

fd_plain() { "${probe[@]}" fdfind -u -j1 . "$tree"; }
export_plain() { export_run "$tree"; }
find_printf() { "${probe[@]}" find "$tree" -printf '%s %t %p\n'; }
export_sSD() { export_run -sSD "$tree"; }
tree_all() { "${probe[@]}" tree -a "$tree"; }

# 1. Start-up: everything but the work of reading one file.
startup() {
    echo "1. A folder holding one file ($one)"
    echo "   median wall time of $small_runs rounds after a warm-up; peak: highest of $peak_runs runs"
    local names=(minimal_core one_text one_csv) name
    have tree && names+=(one_tree)
    names+=(one_find)
    time_in_turns "$small_runs" "${names[@]}"
    for name in "${names[@]}"; do
        peak_of "$name"
    done
    local -A label=([minimal_core]=minimal_core_bench [one_text]="export DIR (text)"
        [one_csv]="export --format csv DIR" [one_tree]="tree -a DIR" [one_find]="find DIR")
    printf '   %-44s %10s %10s %10s\n' command 'median ms' 'x minimal' 'peak KiB'
    for name in "${names[@]}"; do
        printf '   %-44s %10.2f %10s %10d\n' "${label[$name]}" \
            "$(awk -v s="${median[$name]}" 'BEGIN { print s * 1000 }')" \
            "$(ratio "${median[$name]}" "${median[minimal_core]}")" "${peak[$name]}"
    done
    have tree || echo "   tree: not installed"
    target "text: wall time, x minimal" "$(ratio "${median[one_text]}" "${median[minimal_core]}")" 1.5
    target "csv: wall time, x minimal" "$(ratio "${median[one_csv]}" "${median[minimal_core]}")" 1.5
    target "text: peak KiB (12 MiB)" "${peak[one_text]}" 12288
    target "csv: peak KiB (12 MiB)" "${peak[one_csv]}" 12288
    echo
}

# 2. Streaming: an export whose reader stops after 100 bytes should stop too.
streaming() {
    echo "2. Streaming, TREE = $tree"
    echo "   median wall time of $runs rounds after a warm-up; ratio: to the full export of the format"
    time_in_turns "$runs" json_full json_head text_full text_head
    printf '   %-44s %10s %10s %10s\n' command seconds 'x full' 'bytes out'
    local format
    for format in json text; do
        printf '   %-44s %10.3f %10s %10d\n' "export --format $format TREE >file" \
            "${median[${format}_full]}" 1.00 "$(stat -c %s "$work/${format}_full.out")"
        printf '   %-44s %10.3f %10s %10d\n' "export --format $format TREE | head -c 100" \
            "${median[${format}_head]}" "$(ratio "${median[${format}_head]}" "${median[${format}_full]}")" \
            "$(stat -c %s "$work/${format}_head.out")"
    done
    target "json: | head -c 100, x full export" "$(ratio "${median[json_head]}" "${median[json_full]}")" 0.1
    target "text: | head -c 100, x full export" "$(ratio "${median[text_head]}" "${median[text_full]}")" 0.1
    echo
}

# 3. Memory: what the export holds should not grow with the tree it reads.
memory() {
    local small=$1 large=$2
    echo "3. Peak resident size against the tree's size, highest of $peak_runs runs"
    echo "   x1 = $small, x6 = $large"
    printf '   %-44s %10s %10s %10s\n' command 'x1 KiB' 'x6 KiB' 'x6/x1'
    local label
    local -A growth
    memory_row() {
        label=$1
        shift
        peak_of export_run "$@" "$small"
        local one_copy=${peak[export_run]}
        peak_of export_run "$@" "$large"
        local six_copies=${peak[export_run]}
        growth[$label]=$(ratio "$six_copies" "$one_copy")
        printf '   %-44s %10d %10d %10s\n' "$label" "$one_copy" "$six_copies" "${growth[$label]}"
    }
    memory_row "export TREE (text, unsorted)"
    memory_row "export --format json TREE (unsorted)" --format json
    memory_row "export -s TREE (text, for reference)" -s
    memory_row "export -s --format json TREE (for reference)" -s --format json
    target "text unsorted: peak x6 / x1" "${growth[export TREE (text, unsorted)]}" 1.3
    target "json unsorted: peak x6 / x1" "${growth[export --format json TREE (unsorted)]}" 1.3
    echo
}

# 4. The whole tree, warm, beside the peers that print the same names (and sizes and dates).
whole_tree() {
    echo "4. Whole tree, warm caches, TREE = $tree"
    echo "   median wall time of $runs rounds after a warm-up; peak: highest of $peak_runs runs;"
    echo "   ratio: the export's time over its peer's, the row above it"
    local names=() name
    have fdfind && names+=(fd_plain)
    names+=(export_plain find_printf export_sSD)
    have tree && names+=(tree_all)
    time_in_turns "$runs" "${names[@]}"
    for name in "${names[@]}"; do
        peak_of "$name"
    done
    local -A label=([fd_plain]="fdfind -u -j1 . TREE" [export_plain]="export TREE"
        [find_printf]="find TREE -printf '%s %t %p\n'" [export_sSD]="export -sSD TREE"
        [tree_all]="tree -a TREE (for reference)")
    local -A peer=([export_plain]=fd_plain [export_sSD]=find_printf)
    printf '   %-44s %10s %10s %10s %10s\n' command seconds ratio 'peak KiB' lines
    have fdfind || echo "   fdfind: not installed"
    for name in "${names[@]}"; do
        local shown=-
        [[ -n ${peer[$name]:-} && -n ${median[${peer[$name]}]:-} ]] &&
            shown=$(ratio "${median[$name]}" "${median[${peer[$name]}]}")
        printf '   %-44s %10.3f %10s %10d %10d\n' "${label[$name]}" "${median[$name]}" "$shown" \
            "${peak[$name]}" "$(lines_of "$name")"
    done
    have tree || echo "   tree: not installed"
    if have fdfind; then
        target "export: time, x fdfind -u -j1" \
            "$(ratio "${median[export_plain]}" "${median[fd_plain]}")" 0.9
    else
        echo "   target  export <= 0.9x fdfind: no fdfind to measure against"
    fi
    target "export -sSD: time, x find -printf" \
        "$(ratio "${median[export_sSD]}" "${median[find_printf]}")" 1.05
}

one_copy=$(make_usr_tree 1)
six_copies=$(make_usr_tree 6)
echo "vantrel-oruk-export run headless (QT_QPA_PLATFORM=offscreen, no display): $exporter"
echo "yardstick: $minimal"
echo "at the start: $(load_average)"
echo
startup
tree=$one_copy
streaming
memory "$one_copy" "$six_copies"
tree=$one_copy
whole_tree
echo
echo "at the end: $(load_average)"
