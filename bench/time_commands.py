"""Runs each (label, command) pair RUNS times after one warm-up and prints a table of
the median wall time, its ratio to the first command, the peak memory and the output's
line count."""
import resource
import statistics
import subprocess
import sys
import time


def run(command):
    start = time.perf_counter()
    proc = subprocess.Popen(command, shell=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    lines = sum(1 for _ in proc.stdout)
    proc.wait()
    elapsed = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {command}")
    return elapsed, lines


def peak_memory(command):
    # RUSAGE_CHILDREN keeps the largest child seen so far: measure in a fresh process.
    probe = f"import resource,subprocess;subprocess.run({command!r},shell=True,stdout=subprocess.DEVNULL," \
            "stderr=subprocess.DEVNULL);print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)"
    return int(subprocess.check_output([sys.executable, "-c", probe]))


runs, tree = int(sys.argv[1]), sys.argv[2]
pairs = list(zip(sys.argv[3::2], sys.argv[4::2]))
print(f"tree {tree}, median of {runs} runs after a warm-up")
print(f"{'command':34} {'seconds':>8} {'ratio':>6} {'peak MiB':>9} {'lines':>9}")
baseline = None
for label, command in pairs:
    run(command)
    times = []
    for _ in range(runs):
        elapsed, lines = run(command)
        times.append(elapsed)
    median = statistics.median(times)
    baseline = baseline or median
    print(f"{label:34} {median:8.2f} {median / baseline:6.2f} {peak_memory(command) / 1024:9.1f} {lines:9d}",
          flush=True)
