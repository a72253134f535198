#!/usr/bin/env bash
# Reads folders whose links lead far: a folder holding a link to `/`, and `/proc` as the
# root, beside `find` reading `/` itself (what the link leads to; `find -L` on the folder
# does not end in reasonable time, as it follows the links under /proc); then the
# processor time the idle program uses with a watched folder over 10 seconds.
#
#   bench/links-bench.sh [BUILD_DIR]     default: build
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root_dir=$(dirname "$here")
build_dir="${1:-$root_dir/build}"
exporter="$build_dir/bin/vantrel-oruk-export"
idle="$build_dir/bin/idle_bench"
[[ -x "$exporter" && -x "$idle" ]] || { echo "build first: make build" >&2; exit 1; }

base="${BENCH_DIR:-/tmp/vantrel-bench}/links"
rm -rf "$base"
mkdir -p "$base/up"
echo text >"$base/up/file.txt"
ln -s / "$base/up/root"

python3 "$here/time_commands.py" "${RUNS:-1}" "$base/up" \
    "find / (no links followed)" "find / -type f 2>/dev/null || true" \
    "export (a link to /)" "$exporter $base/up" \
    "export /proc" "$exporter /proc"

"$idle" "$base/up" "${IDLE_SECONDS:-10}"
