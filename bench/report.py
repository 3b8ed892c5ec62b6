#!/usr/bin/env python3
"""Prints the benchmark table: operation, rows, median time, target, met?

Reads the JSON of eklz-bench (run with repetitions, aggregates only) and, when given, the JSON
lines of eklz-window-probe runs; takes medians of the repetitions; fits how each operation's
time grows with the register's length; writes the table as Markdown to stdout (and to --out).
Exit status 1 when a target at 32,767 rows is missed or an operation grows faster than it may.
"""
import argparse
import json
import math
import re
import statistics
import sys

TARGET_ROWS = 32767

# benchmark name -> (operation as shown, target in ms at 32,767 rows or None, allowed growth)
# Growth "n" is linear; "n log n" is for sorts.
OPERATIONS = {
    "open": ("open: read, decode, fill the grid, block dates", 50, "n"),
    "read": ("read and decode into the grid", None, "n"),
    "save": ("save: encode, write, atomic replace", 30, "n"),
    "write": ("write a journal to memory", None, "n"),
    "block dates": ("block-date pass", 5, "n"),
    "block watch": ("block states and counts, whole register", 5, "n"),
    "block watch, one edit": ("block state and counts after one edit", None, "n"),
    "block dates watched, every one written": ("block-date pass writing every row, watched",
                                               None, "n"),
    "sort text": ("sort by a text column", 80, "n log n"),
    "sort date": ("sort by a date column", 80, "n log n"),
    "search no match": ("search without a match", 10, "n"),
    "find no match": ("find in all columns without a match", 5, "n"),
    "filter switch": ("row filter switch", 20, "n"),
    "search all journals": ("search 20 archives for a word no row holds", 1000, "n"),
    "column move": ("column move", 20, "n"),
    "column insert": ("column insert", 20, "n"),
    "print pdf": ("print all pages to a PDF file", 5000, "n"),
    "undo a sort": ("undo a sort", 20, "n"),
    "redo a sort": ("redo a sort", 20, "n"),
    "undo a column delete": ("undo a column delete", 20, "n"),
    "redo a column delete": ("redo a column delete", 20, "n"),
    "100 sorts kept for undo": ("100 sorts, each kept for undo", None, "n log n"),
}
WINDOW_TARGETS = {
    "startup_ms": ("start-up to the first shown window", 300, "ms"),
    "open_ms": ("open in the window, until painted", None, "ms"),
    "open_click_ms": ("  of which the button's handler", None, "ms"),
    "rss_open_mb": ("resident memory, register open in the window", 80, "MB"),
    "peak_rss_mb": ("  highest resident memory up to then", None, "MB"),
}

# Above this fitted exponent an operation grows faster than linear (n log n over 1,000 ..
# 100,000 rows fits about 1.1; fixed costs at the small sizes pull the figure down).
MAX_EXPONENT = {"n": 1.2, "n log n": 1.3}


def parse_name(name):
    """("open", 32767) from "open/rows:32767/manual_time_median" and the like."""
    match = re.match(r"^(.*?)/rows:(\d+)(?:[/_]|$)", name)
    return (match.group(1), int(match.group(2))) if match else (None, None)


def to_ms(value, unit):
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


def fmt_ms(ms):
    if ms >= 1000:
        return f"{ms / 1000:.2f} s"
    if ms >= 10:
        return f"{ms:.1f} ms"
    return f"{ms:.2f} ms"


def fmt_target(target, unit="ms"):
    if target is None:
        return "—"
    if unit == "MB":
        return f"≤ {target} MB"
    return "≤ " + fmt_ms(target).replace(".00 ", " ").replace(".0 ", " ")


def growth_exponent(points):
    """Least-squares slope of log(time) over log(rows)."""
    if len(points) < 3:
        return None
    xs = [math.log(rows) for rows, _ in points]
    ys = [math.log(max(ms, 1e-6)) for _, ms in points]
    mean_x, mean_y = statistics.fmean(xs), statistics.fmean(ys)
    return sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, ys)) / sum(
        (x - mean_x) ** 2 for x in xs)


def benchmark_rows(path):
    with open(path, encoding="utf-8") as source:
        data = json.load(source)
    medians = {}
    cpu = {}
    for entry in data.get("benchmarks", []):
        if entry.get("aggregate_name") != "median":
            continue
        operation, rows = parse_name(entry["name"])
        if operation is not None:
            medians[(operation, rows)] = to_ms(entry["real_time"], entry["time_unit"])
            if "cpu_ms" in entry:
                cpu[(operation, rows)] = entry["cpu_ms"]
    return data.get("context", {}), medians, cpu


def window_rows(path):
    runs = []
    with open(path, encoding="utf-8") as source:
        for line in source:
            line = line.strip()
            if line.startswith("{"):
                runs.append(json.loads(line))
    return runs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("benchmarks", help="JSON written by eklz-bench")
    parser.add_argument("--window", help="JSON lines written by eklz-window-probe runs")
    parser.add_argument("--window-rows", type=int, default=TARGET_ROWS)
    parser.add_argument("--out", help="also write the table to this file")
    args = parser.parse_args()

    context, medians, cpu = benchmark_rows(args.benchmarks)
    lines = ["| operation | rows | median | its CPU time | target | met? |",
             "|---|---:|---:|---:|---:|:---:|"]
    growth_lines = ["| operation | 1,000 | 10,000 | 32,767 | 100,000 | growth ≈ n^k | "
                    "expected | fits? |", "|---|---:|---:|---:|---:|---:|:---:|:---:|"]
    failed = []

    names = sorted({name for name, _ in medians},
                   key=lambda n: (list(OPERATIONS).index(n) if n in OPERATIONS else 99, n))
    for name in names:
        label, target, growth = OPERATIONS.get(name, (name, None, "n log n" if "sort" in name
                                                      else "n"))
        points = sorted((rows, ms) for (n, rows), ms in medians.items() if n == name)
        for rows, ms in points:
            if rows == TARGET_ROWS and target is not None:
                met = ms <= target
                if not met:
                    failed.append(f"{label}: {fmt_ms(ms)} > {fmt_target(target)}")
                verdict = "yes" if met else "**NO**"
            else:
                verdict = ""
            cpu_ms = cpu.get((name, rows))
            lines.append(f"| {label} | {rows:,} | {fmt_ms(ms)} | "
                         f"{'—' if cpu_ms is None else fmt_ms(cpu_ms)} | "
                         f"{fmt_target(target) if rows == TARGET_ROWS else ''} | {verdict} |")
        exponent = growth_exponent(points)
        by_rows = dict(points)
        cells = [fmt_ms(by_rows[r]) if r in by_rows else "—" for r in (1000, 10000, 32767, 100000)]
        fits = exponent is None or exponent <= MAX_EXPONENT[growth]
        if not fits:
            failed.append(f"{label}: grows as n^{exponent:.2f}, faster than {growth}")
        growth_lines.append(f"| {label} | " + " | ".join(cells) +
                            f" | {'—' if exponent is None else f'{exponent:.2f}'} | {growth} | "
                            f"{'yes' if fits else '**NO**'} |")

    window_text = []
    if args.window:
        runs = window_rows(args.window)
        if runs:
            platform = runs[0].get("platform", "?")
            opened = {run.get("rows_opened") for run in runs if "rows_opened" in run}
            opened_whole = opened == {args.window_rows}
            if opened and not opened_whole:
                window_text.append(f"The window opened {sorted(opened)} data rows instead of "
                                   f"{args.window_rows:,}: the figures with the register open "
                                   f"are left out.")
            for key, (label, target, unit) in WINDOW_TARGETS.items():
                values = [run[key] for run in runs if key in run]
                if not values or (key != "startup_ms" and not opened_whole):
                    continue
                value = statistics.median(values)
                shown = f"{value:.1f} MB" if unit == "MB" else fmt_ms(value)
                rows = "—" if key == "startup_ms" else f"{args.window_rows:,}"
                verdict = ""
                if target is not None:
                    met = value <= target
                    verdict = "yes" if met else "**NO**"
                    if not met:
                        failed.append(f"{label}: {shown} > {fmt_target(target, unit)}")
                lines.append(f"| {label} ({platform}, {len(values)} runs) | {rows} | {shown} | "
                             f"— | {fmt_target(target, unit)} | {verdict} |")

    out = ["## Figures (median of the repetitions)", "",
           "Median wall-clock time against the target; beside it the processor time the "
           "measured thread used in the same runs (median), which falls short of the wall-clock "
           "time when the machine is busy with other work.", ""] + lines + [""]
    out += ["## How the time grows with the register", ""] + growth_lines + [""]
    if window_text:
        out += window_text + [""]
    host = context.get("host_name", "?")
    cpus = context.get("num_cpus", "?")
    mhz = context.get("mhz_per_cpu", "?")
    load = context.get("load_avg", [])
    out.append(f"Machine: {host}, {cpus} CPUs at {mhz} MHz; load average at the start "
               f"{', '.join(f'{x:.2f}' for x in load) or '?'}; taken {context.get('date', '?')}.")
    if failed:
        out += ["", "Missed:"] + [f"- {item}" for item in failed]
    text = "\n".join(out) + "\n"
    sys.stdout.write(text)
    if args.out:
        with open(args.out, "w", encoding="utf-8") as target_file:
            target_file.write(text)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
