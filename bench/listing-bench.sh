#!/usr/bin/env bash
# Times the export command against `find` on one synthetic tree and prints the figures.
#
#   bench/listing-bench.sh             100,000 files in 5,000 folders
#   bench/listing-bench.sh --million   1,000,000 files in 50,000 folders
#
# The tree is made once under ${BENCH_DIR:-/tmp/vantrel-bench} and reused. Each command
# runs once to warm the caches, then ${RUNS:-3} times; the median wall time and the peak
# resident memory are reported.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root_dir=$(dirname "$here")
exporter="$root_dir/build/bin/vantrel-oruk-export"
[[ -x "$exporter" ]] || { echo "build first: make build" >&2; exit 1; }

folders=5000
files_per_folder=20
if [[ "${1:-}" == "--million" ]]; then
    folders=50000
fi
tree="${BENCH_DIR:-/tmp/vantrel-bench}/tree-$((folders * files_per_folder))"

python3 "$here/make_tree.py" "$tree" "$folders" "$files_per_folder"
python3 "$here/time_commands.py" "${RUNS:-3}" "$tree" \
    "find" "find $tree -type f -printf '%s %t %p\n'" \
    "export (plain)" "$exporter $tree" \
    "export --sizes --dates" "$exporter --sizes --dates $tree" \
    "export --sorted" "$exporter --sorted $tree" \
    "export --sorted --sizes --dates" "$exporter --sorted --sizes --dates $tree"
