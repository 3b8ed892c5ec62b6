#!/usr/bin/env python3
"""Prints the benchmark tables: the window's targets and whether they are met, the window's
figures (each operation run in a fresh process) and every operation of eklz-bench in one process.

usage: report.py --window RUNS.jsonl [RUNS.jsonl ...] [--benchmarks eklz-bench.json] [--out FILE]

Reads the JSON lines of bench/windowruns.py and, when given, the JSON of eklz-bench (run with
repetitions, aggregates only); takes medians; writes Markdown to stdout (and to --out).
Exit status 1 when a target is missed or a window run failed.

A time is judged by the probe's wall-clock figure (open_ms, save_ms, ...), what a user waits;
beside it stands that time less the wait of the main thread for a processor, which is what
other work on this shared machine adds. Peak memory is the highest resident memory of a run
(VmHWM), the highest median over the operations run at that size.
"""
import argparse
import json
import os
import statistics
import sys
import time

# (what, probe figure, limit at 32,767 rows, limit at 327,670 rows, unit). Figures in ms or MB.
TARGETS = [
    ("open until painted", "open", 150, 1500, "ms"),
    ("a click until painted", "click", 16, 50, "ms"),
    ("a key typed until painted", "key", 16, 50, "ms"),
    ("an edit stored until painted", "edit", 16, 50, "ms"),
    ("header sort until painted", "sort", 150, 1500, "ms"),
    ("save", "save", 200, 1500, "ms"),
    ("peak memory", "peak_rss_mb", 120, 1024, "MB"),
]
TARGET_ROWS = (32767, 327670)
# Where each figure comes from: the operation run, and the figures it reports beside its own.
ORDER = ["open", "click", "sort", "save", "print"]
FIGURES = {"open": ["open"], "click": ["click", "key", "edit"], "sort": ["sort"],
           "save": ["save"], "print": ["print"]}


def fmt_value(value, unit="ms"):
    if value is None:
        return "—"
    if unit == "MB":
        return f"{value / 1024:.2f} GB" if value >= 1024 else f"{value:.0f} MB"
    if value >= 1000:
        return f"{value / 1000:.2f} s"
    return f"{value:.1f} ms" if value >= 10 else f"{value:.2f} ms"


def fmt_limit(limit, unit):
    if unit == "MB":
        return f"{limit / 1024:g} GB" if limit >= 1024 else f"{limit:g} MB"
    return f"{limit / 1000:g} s" if limit >= 1000 else f"{limit:g} ms"


def median_of(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def load_runs(paths):
    groups = {}
    for path in paths:
        with open(path, encoding="utf-8") as source:
            for line in source:
                if line.strip().startswith("{"):
                    run = json.loads(line)
                    groups.setdefault((run["operation"], run["rows"]), []).append(run)
    return groups


def less_wait(run, figure):
    if f"{figure}_ms" not in run:
        return None
    return run[f"{figure}_ms"] - run.get(f"{figure}_waited_ms", 0.0)


def window_tables(groups):
    """The targets' lines, the figures' lines, the misses and the failures."""
    def median_at(figure, rows, judge=lambda run, f: run.get(f"{f}_ms")):
        if figure == "peak_rss_mb":
            medians = [median_of(run.get(figure) for run in group)
                       for (_, r), group in groups.items() if r == rows]
            return max((m for m in medians if m is not None), default=None)
        operation = next(op for op, figures in FIGURES.items() if figure in figures)
        return median_of(judge(run, figure) for run in groups.get((operation, rows), []))

    targets = ["| target | " + " | ".join(f"{rows:,} rows | limit | met?" for rows in TARGET_ROWS)
               + " |", "|---|" + "---:|---:|:---:|" * len(TARGET_ROWS)]
    missed = []
    for what, figure, *limits, unit in TARGETS:
        cells = []
        for rows, limit in zip(TARGET_ROWS, limits):
            value = median_at(figure, rows)
            met = value is not None and value <= limit
            cells.append(f"{fmt_value(value, unit)} | ≤ {fmt_limit(limit, unit)} | "
                         f"{'yes' if met else '**no**'}")
            if not met:
                missed.append(f"{what}, {rows:,} rows: {fmt_value(value, unit)}, limit "
                              f"{fmt_limit(limit, unit)}")
        targets.append(f"| {what} | " + " | ".join(cells) + " |")

    figures = ["| operation | rows | runs | wall clock | less the wait | peak memory | "
               "whole process |", "|---|---:|---:|---:|---:|---:|---:|"]
    failures = []
    for (operation, rows), group in sorted(
            groups.items(), key=lambda item: (ORDER.index(item[0][0]) if item[0][0] in ORDER
                                              else 9, item[0][1])):
        failed = [run for run in group if run.get("failure")]
        if failed:
            failures.append(f"{operation}, {rows:,} rows, {len(failed)} of {len(group)} runs; "
                            "the first: " + "; ".join(failed[0]["failure"].splitlines()))
        platform = group[0].get("platform", "?")
        for figure in FIGURES.get(operation, [operation]):
            wall = median_of(run.get(f"{figure}_ms") for run in group)
            figures.append(
                f"| {figure} ({platform}) | {rows:,} | {len(group)}"
                f"{f', {len(failed)} failed' if failed else ''} | {fmt_value(wall)} | "
                f"{fmt_value(median_of(less_wait(run, figure) for run in group))} | "
                f"{fmt_value(median_of(run.get('peak_rss_mb') for run in group), 'MB')} | "
                f"{fmt_value(median_of(run.get('whole_ms') for run in group))} |")
    return targets, figures, missed, failures


def benchmark_tables(path):
    """eklz-bench's medians: one line per operation and size, and the machine's description."""
    with open(path, encoding="utf-8") as source:
        data = json.load(source)
    lines = ["| operation | rows | wall clock | CPU time |", "|---|---:|---:|---:|"]
    errors = []
    for entry in data.get("benchmarks", []):
        name, _, rest = entry["name"].partition("/rows:")
        rows = rest.split("/")[0].split("_")[0]
        if entry.get("error_occurred"):
            errors.append(f"{name}, {rows} rows: {entry.get('error_message', '?')}")
        elif entry.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry["time_unit"]]
            lines.append(f"| {name} | {int(rows):,} | {fmt_value(entry['real_time'] * scale)} | "
                         f"{fmt_value(entry.get('cpu_ms'))} |" if rows.isdigit() else
                         f"| {name} | — | {fmt_value(entry['real_time'] * scale)} | "
                         f"{fmt_value(entry.get('cpu_ms'))} |")
    context = data.get("context", {})
    machine = (f"{context.get('host_name', '?')}, {context.get('num_cpus', '?')} CPUs at "
               f"{context.get('mhz_per_cpu', '?')} MHz")
    return lines, sorted(set(errors)), machine


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--window", nargs="+", required=True,
                        help="JSON lines written by bench/windowruns.py")
    parser.add_argument("--benchmarks", help="JSON written by eklz-bench")
    parser.add_argument("--out", help="also write the tables to this file")
    args = parser.parse_args()

    targets, figures, missed, failures = window_tables(load_runs(args.window))
    out = ["## Targets (the window, medians of fresh processes)", ""] + targets + [""]
    out += ["## The window: one operation per fresh process (medians)", "",
            "\"Less the wait\" leaves out the main thread's wait for a processor; \"whole "
            "process\" is the launch to the exit.", ""] + figures + [""]
    machine = f"{os.uname().nodename}, {os.cpu_count()} CPUs"
    if args.benchmarks:
        lines, errors, machine = benchmark_tables(args.benchmarks)
        out += ["## Every operation in one process (eklz-bench, medians)", ""] + lines + [""]
        failures += errors
    load = ", ".join(f"{x:.2f}" for x in os.getloadavg())
    out.append(f"Machine: {machine}; load average at the end {load}; "
               f"{time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}.")
    if missed:
        out += ["", "Missed:"] + [f"- {item}" for item in missed]
    if failures:
        out += ["", "Failed:"] + [f"- {item}" for item in failures]
    text = "\n".join(out) + "\n"
    sys.stdout.write(text)
    if args.out:
        with open(args.out, "w", encoding="utf-8") as target_file:
            target_file.write(text)
    return 1 if missed or failures else 0


if __name__ == "__main__":
    sys.exit(main())
