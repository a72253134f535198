"""Times commands that each write one PDF: RUNS runs after a warm-up, then prints the
median wall time, peak memory, the PDF's page count and the speed-up of the first
command over each other. Arguments: RUNS LINES, then per command: LABEL PDF N ARG1..ARGN."""
import resource
import statistics
import subprocess
import sys
import time


def timed(argv):
    start = time.perf_counter()
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def peak_mib(argv):
    probe = ("import resource,subprocess,sys;subprocess.run(sys.argv[1:],stdout=subprocess.DEVNULL,"
             "stderr=subprocess.DEVNULL);print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    return int(subprocess.check_output([sys.executable, "-c", probe, *argv])) / 1024


def pages(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    return next((line.split()[-1] for line in info.splitlines() if line.startswith("Pages:")), "?")


runs, lines = int(sys.argv[1]), sys.argv[2]
rest, commands = sys.argv[3:], []
while rest:
    label, pdf, count = rest[0], rest[1], int(rest[2])
    commands.append((label, pdf, rest[3:3 + count]))
    rest = rest[3 + count:]

print(f"listing of {lines} lines, median of {runs} runs after a warm-up")
print(f"{'command':32} {'seconds':>8} {'pages':>6} {'peak MiB':>9} {'ratio':>9}")
first = None
for label, pdf, argv in commands:
    timed(argv)
    median = statistics.median(timed(argv) for _ in range(runs))
    first = first or median
    print(f"{label:32} {median:8.2f} {pages(pdf):>6} {peak_mib(argv):9.1f} {median / first:8.1f}x", flush=True)
