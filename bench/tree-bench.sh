#!/usr/bin/env bash
# Times the shell folder tree: expanding a folder of 10,000 subfolders and 10,000 files
# with ShowFiles off and on, and selecting a path 12 levels deep from the desktop root.
#
#   bench/tree-bench.sh [BUILD_DIR]     default: build
#
# The folders are made once under ${BENCH_DIR:-/tmp/vantrel-bench} and reused. Each
# measure runs ${RUNS:-5} times; the median is reported.
set -euo pipefail

source "$(dirname "$0")/common.sh"
bench=$(bench_program tree_bench "${1:-}")

base="${BENCH_DIR:-/tmp/vantrel-bench}/tree"
big="$base/big"
make_once "$base" <<'PY'
import os, sys
base = sys.argv[1]
big = os.path.join(base, "big")
os.mkdir(big)
for i in range(10000):
    os.mkdir(os.path.join(big, f"folder-{i:05d}"))
    open(os.path.join(big, f"file-{i:05d}.txt"), "w").close()
deep = os.path.join(base, "deep")
for level in range(12):
    deep = os.path.join(deep, f"level-{level:02d}")
os.makedirs(deep)
PY
deep="$base/deep$(printf '/level-%02d' $(seq 0 11))"

echo "folder $big ($(ls -f "$big" | wc -l) names with . and ..), median of ${RUNS:-5} runs"
"$bench" "$big" "$deep" "${RUNS:-5}"
