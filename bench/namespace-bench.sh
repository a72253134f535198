#!/usr/bin/env bash
# Times a walk of one folder of 10,000 entries through the shell namespace (enumerate,
# attributes with the folder tree's mask, display name, free) against `ls -f` of the
# same folder, and prints both.
#
#   bench/namespace-bench.sh [BUILD_DIR]     default: build
#
# The folder (9,000 files and 1,000 folders, a tenth of those holding a subfolder) is
# made once under ${BENCH_DIR:-/tmp/vantrel-bench} and reused. Each command runs once to
# warm the caches, then ${RUNS:-5} times; the median is reported.
set -euo pipefail

source "$(dirname "$0")/common.sh"
bench=$(bench_program namespace_bench "${1:-}")

folder="${BENCH_DIR:-/tmp/vantrel-bench}/namespace-10000"
make_once "$folder" <<'PY'
import os, sys
folder = sys.argv[1]
for i in range(9000):
    open(os.path.join(folder, f"file-{i:05d}.txt"), "w").close()
for i in range(1000):
    os.mkdir(os.path.join(folder, f"folder-{i:04d}"))
    if i % 10 == 0:
        os.mkdir(os.path.join(folder, f"folder-{i:04d}", "inner"))
PY

runs="${RUNS:-5}"
echo "folder $folder ($(ls -f "$folder" | wc -l) names with . and ..), median of $runs runs after a warm-up"
echo "namespace walk:   $("$bench" "$folder" "$runs")"
python3 - "$folder" "$runs" <<'PY'
import statistics, subprocess, sys, time
folder, runs = sys.argv[1], int(sys.argv[2])
subprocess.run(["ls", "-f", folder], stdout=subprocess.DEVNULL, check=True)
times = []
for _ in range(runs):
    start = time.perf_counter()
    subprocess.run(["ls", "-f", folder], stdout=subprocess.DEVNULL, check=True)
    times.append((time.perf_counter() - start) * 1000)
print(f"ls -f:            median {statistics.median(times):.1f} ms (a process start included)")
PY
