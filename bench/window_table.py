"""Prints the table of bench/window-bench.sh from the figures of its two reads, plain and
-sSD: files of "name value" lines as window_bench prints them, plus the export's. A
figure over its target is marked with "!"."""
import sys


def figures(path):
    values = {}
    with open(path) as lines:
        for line in lines:
            name, _, value = line.partition(" ")
            try:
                values[name] = float(value)
            except ValueError:
                pass
    return values


def ratio(a, b):
    return lambda f: f[a] / f[b] if f.get(b) else None


def seconds(name):
    return lambda f: f[name] / 1000


def spread(kind):
    return lambda f: f"{f[f'progress_window_{kind}spread_pct']:.1f} / {f[f'progress_command_{kind}spread_pct']:.1f}"


COUNTS = {"read_events", "export_lines", "files", "text_length", "drag_reached_end", "typed_characters"}

# label, target (the figure must not exceed it) or None, the figure or how to compute it.
ROWS = [
    ("listing lines (export)", None, "export_lines"),
    ("files listed (window)", None, "files"),
    ("view text length (characters)", None, "text_length"),
    ("export: wall (s)", None, "export_s"),
    ("export: processor (s)", None, "export_cpu_s"),
    ("export: peak RSS (MiB)", None, "export_peak_mib"),
    ("window: read, wall (s)", None, seconds("read_ms")),
    ("window: read, processor (s)", None, seconds("read_cpu_ms")),
    ("window: RSS after the read (MiB)", None, "rss_mib"),
    ("window: peak RSS (MiB)", None, "hwm_mib"),
    ("read wall time, window / export", 1.2, lambda f: f["read_ms"] / 1000 / f["export_s"]),
    ("read processor time, window / export", 1.2, lambda f: f["read_cpu_ms"] / 1000 / f["export_cpu_s"]),
    ("RSS after read, window / export peak", 1.2, ratio("rss_mib", "export_peak_mib")),
    ("first paint after the read (ms)", None, "first_paint_ms"),
    ("Ctrl+End to repaint (ms)", 50, "ctrl_end_ms"),
    ("Ctrl+Home to repaint (ms)", 50, "ctrl_home_ms"),
    ("scroll bar, 20 positions: median (ms)", 50, "bar_median_ms"),
    ("scroll bar, 20 positions: max (ms)", 50, "bar_max_ms"),
    ("slider drag, 20 moves: median (ms)", 50, "drag_median_ms"),
    ("slider drag, 20 moves: max (ms)", 50, "drag_max_ms"),
    ("slider drag reached the end (1: yes)", None, "drag_reached_end"),
    ("typing at the start (ms)", 50, "type_start_ms"),
    ("typing in the middle (ms)", 50, "type_middle_ms"),
    ("typing at the end (ms)", 50, "type_end_ms"),
    ("characters typed (of 3)", None, "typed_characters"),
    ("progress: events handled in the read", None, "read_events"),
    ("progress: time handling them (ms)", None, "read_event_ms"),
    ("progress: their share of the read (%)", None, "read_event_share_pct"),
    ("progress: window read, best wall (s)", None, seconds("progress_window_ms")),
    ("progress: command read, best wall (s)", None, seconds("progress_command_ms")),
    ("progress: share of the read, wall (%)", None, "progress_share_pct"),
    ("progress: spread window / command (%)", None, spread("")),
    ("progress: window read, best cpu (s)", None, seconds("progress_window_cpu_ms")),
    ("progress: command read, best cpu (s)", None, seconds("progress_command_cpu_ms")),
    ("progress: share of the read, cpu (%)", None, "progress_cpu_share_pct"),
    ("progress: spread window / command (%)", None, spread("cpu_")),
]


def cell(values, target, how):
    try:
        value = values[how] if isinstance(how, str) else how(values)
    except (KeyError, ZeroDivisionError):
        return "-"
    if value is None:
        return "-"
    if isinstance(value, str):
        return value
    if how in COUNTS:
        text = f"{value:.0f}"
    else:
        text = f"{value:.2f}" if abs(value) >= 0.01 or value == 0 else f"{value:.3f}"
        text = text if abs(value) < 10 else f"{value:.1f}"
    return text + (" !" if target is not None and value > target else "")


variants = [figures(path) for path in sys.argv[1:3]]
print(f"{'figure':40} {'plain':>14} {'-sSD':>14} {'target':>8}")
for label, target, how in ROWS:
    cells = " ".join(f"{cell(values, target, how):>14}" for values in variants)
    print(f"{label:40} {cells} {'<= ' + format(target, 'g') if target is not None else '':>8}")
print("(! : over its target)")
