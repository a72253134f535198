#!/usr/bin/env bash
# Times the export command on a tree shaped like a real one, beside the tools that walk
# trees for a living, and prints one table.
#
#   bench/usr-tree-bench.sh [BUILD_DIR]     default: build
#
# The tree is COPIES (default 6) hard-linked copies of /usr with the links removed
# (`cp -al`, then `find -type l -delete`), made once under ${BENCH_DIR:-/tmp/vantrel-usr}
# and reused: delete that folder to make it again. The caches are left warm: each command
# runs once to warm them, then once measured with /usr/bin/time (wall time and peak
# resident memory), writing to a regular file. The peers are `fdfind -u -j1`, `find
# -printf` with sizes and dates, and `tree -a -s -D`; a peer that is not installed is
# skipped and said so (this script installs nothing). With strace present, one plain
# export is traced for its count of folder and file look-ups.
set -euo pipefail

source "$(dirname "$0")/common.sh"
build_dir="${1:-$bench_root/build}"
exporter=$(bench_program vantrel-oruk-export "$build_dir")
[[ -x /usr/bin/time ]] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 1; }

copies="${COPIES:-6}"
bench_dir="${BENCH_DIR:-/tmp/vantrel-usr}"
out="$bench_dir/out"
mkdir -p "$out"

# Runs the command once to warm the caches, then once measured; prints "WALL PEAK_MB".
measure() {
    local target=$1
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$@" >"$target" 2>/dev/null || true
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        /usr/bin/time -f '%e %M' -o "$out/time.txt" "$@" >"$target" 2>/dev/null || true
    awk '{ printf "%s %.0f", $1, $2 / 1024 }' "$out/time.txt"
}

declare -A wall
row() {
    local label=$1 name=$2
    shift 2
    local figures
    figures=$(measure "$out/$name.txt" "$@")
    wall[$name]=${figures%% *}
    printf '%-40s %10s %10s %12s\n' "$label" "${figures%% *}" "${figures##* }" "$(wc -l <"$out/$name.txt")"
}

peer() {
    local tool=$1
    shift
    if command -v "$tool" >/dev/null; then
        row "$@"
    else
        printf '%-40s %s\n' "$2" "skipped: $tool is not installed"
    fi
}

ratio() {
    local label=$1 a=${wall[$2]:-} b=${wall[$3]:-}
    [[ -n "$a" && -n "$b" ]] || { printf '%-40s %10s\n' "$label" "-"; return; }
    printf '%-40s %10s\n' "$label" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }')"
}

tree=$(make_usr_tree "$copies")
echo "tree: $tree ($(find "$tree" -type f | wc -l) files, $(find "$tree" -type d | wc -l) folders)"
echo "exporter: $exporter"
printf '%-40s %10s %10s %12s\n' "command" "wall (s)" "peak (MB)" "lines"
row "vantrel-oruk-export" plain "$exporter" "$tree"
row "vantrel-oruk-export -sSD" sized "$exporter" -sSD "$tree"
row "vantrel-oruk-export -s" sorted "$exporter" -s "$tree"
peer fdfind "fdfind -u -j1 ." fd fdfind -u -j1 . "$tree"
peer find "find -type f -printf '%s %t %p\\n'" find find "$tree" -type f -printf '%s %t %p\n'
peer tree "tree -a -s -D" tree tree -a -s -D "$tree"
echo
ratio "export / fd" plain fd
ratio "export -sSD / find" sized find
ratio "export -s / export" sorted plain

if command -v strace >/dev/null; then
    echo
    echo "system calls of one plain export (strace -c -f):"
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        strace -c -f -U calls,name -e trace=newfstatat,statx,openat,getdents64 -o "$out/strace.txt" \
        "$exporter" "$tree" >"$out/plain.txt" 2>/dev/null || true
    awk '$2 ~ /^(newfstatat|statx|openat|getdents64)$/ { printf "  %-12s %10s\n", $2, $1 }' "$out/strace.txt"
else
    echo "strace is not installed: no system call counts"
fi
