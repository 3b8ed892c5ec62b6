#!/usr/bin/env python3
"""Prints the benchmark tables: the targets and whether they are met, every operation's figures,
how its processor time per row grows with the register, and the window's operations, each run in
a fresh process.

Reads the JSON of eklz-bench (run with repetitions, aggregates only) and, when given, the JSON
lines of bench/windowruns.py; takes medians; writes Markdown to stdout (and to --out).
Exit status 1 when a target is missed or an operation's cost per row grows faster than it may.

A time judged against a target is the wall-clock time less the time the measuring thread was
ready to run but waited for a processor (median of each). On this shared two-core machine the
wall-clock time of the same run swings by a factor of two with whatever else runs; the wait for
a processor is what the other work adds, while the waits a user meets too (the disk, the
display) stay in the figure.
"""
import argparse
import json
import math
import os
import re
import statistics
import subprocess
import sys
import tempfile

TARGET_ROWS = 32767

# benchmark name -> (operation as shown, target in ms at 32,767 rows or None, allowed growth)
# Growth "n" is linear; "n log n" is for sorts.
OPERATIONS = {
    "open": ("open: read, decode, fill the grid, block dates", 50, "n"),
    "read": ("read and decode into the grid", None, "n"),
    "read calc csv": ("read a register Calc saved, with its quoting", None, "n"),
    "save": ("save: encode, write, atomic replace", 30, "n"),
    "write": ("write a journal to memory", None, "n"),
    "block dates": ("block-date pass", 5, "n"),
    "register state": ("block states, counts and repeats, whole register", 5, "n"),
    "register state, one edit": ("the register's state after one edit", None, "n"),
    "block dates beside the state, every one written": ("block-date pass writing every row",
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
    "import xlsx": ("import an .xlsx register (first sheet into journal rows)", 1000, "n"),
    "import ods": ("import an .ods register (first sheet into journal rows)", 1000, "n"),
}

# The window's targets: (what, operation run, rows, figure, limit, unit). Each operation runs in
# a fresh process; the figures are medians over the runs.
#   startup  launch to the end of the window's first paint;
#   open     "Открыть журнал" until the grid is painted, less the wait for a processor;
#   sort     a click on a column header until the grid is repainted, the same;
#   print    "Печать" into a PDF file with the progress dialog, the same;
#   whole    the whole process, launch to exit (start, open, save, "Выход"), the same;
#   peak_rss_open_mb  the highest resident memory (VmHWM) once the register is open.
WINDOW_TARGETS = [
    ("start-up to the first shown window", "open", TARGET_ROWS, "startup", 300, "ms"),
    ("open in the window, until painted", "open", TARGET_ROWS, "open", 25, "ms"),
    ("peak memory with the register open in the window", "open", TARGET_ROWS,
     "peak_rss_open_mb", 40, "MB"),
    ("peak memory with the register open in the window", "open", 1000000, "peak_rss_open_mb",
     300, "MB"),
    ("header-click sort in the window, until repainted", "sort", 100000, "sort", 30, "ms"),
    ("print to PDF with the progress dialog", "print", TARGET_ROWS, "print", 1000, "ms"),
    ("open, then save: the whole process", "save", 1000000, "whole", 2000, "ms"),
]

# The growth verdict, in two steps.
# 1. Per row, the processor time the measuring thread used (median of the repetitions, each run
#    meeting the register in memory, not in the cache) at the largest register measured
#    (1,000,000 rows; 100,000 where the larger one did not run) is compared with that at 10,000
#    rows. Up to twice as much fits; for a sort twice log(n) / log(10,000) as much (n log n; 3.0
#    at 1,000,000 rows). Processor time, not wall-clock time, leaves out whatever else the
#    machine runs; 10,000 rows and not 1,000 as the base, because at 1,000 rows the fixed costs
#    of a call make every operation look cheaper per row at the larger sizes.
# 2. More than that may still be the memory system's doing rather than the code's: past the
#    processor's cache and the reach of its address translation, and with storage fresh from the
#    system (page faults), a row costs more without a single instruction more per row (undoing
#    a sort: 406, 412 and 401 instructions a row at 10,000, 100,000 and 1,000,000 rows, yet
#    two to three times the time a row). Such an operation's instructions are counted with
#    callgrind at 10,000 and 100,000 rows, the operation alone; a growth fault is an instruction
#    count per row at 100,000 more than 1.25 times that at 10,000 (for a sort 1.25 more again,
#    log n).
#    A quadratic pass has ten times as many there, n^1.1 1.26 times. The counts are exact and
#    the same on every run, so the noise in the processor times can make an operation a suspect
#    but never a growth fault. Without valgrind the first step decides.
GROWTH_BASE_ROWS = 10000
GROWTH_LIMIT = 2.0
COUNTED_ROWS = 100000
INSTRUCTION_LIMIT = 1.25


def count_instructions(binary, name, rows):
    """The instructions one run of the benchmark `name` at `rows` takes, counted by callgrind (the
    benchmark turns the counting on around the operation alone); None when it cannot be."""
    pattern = "^" + re.sub(r"([.^$|?*+()\[\]{}\\])", r"\\\1", name) + f"/rows:{rows}/"
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "callgrind.out")
        try:
            subprocess.run(["valgrind", "--tool=callgrind", "--instr-atstart=no",
                            f"--callgrind-out-file={out}", binary,
                            f"--benchmark_filter={pattern}", "--benchmark_repetitions=1"],
                           capture_output=True, check=True)
            with open(out, encoding="utf-8") as counts:
                for line in counts:
                    if line.startswith("totals:"):
                        total = int(line.split()[1])
                        return total if total > 0 else None
        except (OSError, subprocess.CalledProcessError, ValueError):
            return None
    return None


def allowed_growth(growth, rows):
    if growth == "n log n":
        return GROWTH_LIMIT * math.log(rows) / math.log(GROWTH_BASE_ROWS)
    return GROWTH_LIMIT


def parse_name(name):
    """("open", 32767) from "open/rows:32767/manual_time_median" and the like."""
    match = re.match(r"^(.*?)/rows:(\d+)(?:[/_]|$)", name)
    return (match.group(1), int(match.group(2))) if match else (None, None)


def to_ms(value, unit):
    return value * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[unit]


def fmt_ms(ms):
    if ms is None:
        return "—"
    if ms >= 1000:
        return f"{ms / 1000:.2f} s"
    if ms >= 10:
        return f"{ms:.1f} ms"
    return f"{ms:.2f} ms"


def fmt_value(value, unit):
    if value is None:
        return "—"
    return f"{value:.1f} MB" if unit == "MB" else fmt_ms(value)


def fmt_target(target, unit="ms"):
    if target is None:
        return "—"
    return "≤ " + fmt_value(target, unit).replace(".00 ", " ").replace(".0 ", " ")


def fmt_ns(ns):
    return "—" if ns is None else (f"{ns:.0f} ns" if ns >= 10 else f"{ns:.1f} ns")


def load_benchmarks(path):
    """Context, {(operation, rows): figures}, [(operation, rows, error)]."""
    with open(path, encoding="utf-8") as source:
        data = json.load(source)
    figures = {}
    errors = []
    for entry in data.get("benchmarks", []):
        operation, rows = parse_name(entry["name"])
        if operation is None:
            continue
        if entry.get("error_occurred"):
            error = (operation, rows, " ".join(entry.get("error_message", "?").split()))
            if error not in errors:  # once, not once per repetition
                errors.append(error)
            continue
        if entry.get("aggregate_name") != "median":
            continue
        wall = to_ms(entry["real_time"], entry["time_unit"])
        figures[(operation, rows)] = {"wall": wall, "cpu": entry.get("cpu_ms"),
                                      "waited": entry.get("waited_ms", 0.0)}
    return data.get("context", {}), figures, errors


def judged(figure):
    """The wall-clock time less the wait for a processor, never below the processor time: the
    two are medians over different repetitions, and a long wait in one repetition must not
    take a median wall-clock time down to nothing."""
    less_wait = figure["wall"] - min(figure["waited"] or 0.0, figure["wall"])
    return max(less_wait, figure["cpu"] or 0.0)


def load_window_runs(path):
    runs = []
    with open(path, encoding="utf-8") as source:
        for line in source:
            if line.strip().startswith("{"):
                runs.append(json.loads(line))
    return runs


def window_figure(run, figure):
    """One run's figure by its name in WINDOW_TARGETS, or None."""
    if figure == "startup":
        return run.get("startup_ms")
    if figure == "whole":
        return run["whole_ms"] - run.get("run_waited_ms", 0.0)
    if figure.endswith("_mb"):
        return run.get(figure)
    if f"{figure}_ms" not in run:
        return None
    return run[f"{figure}_ms"] - run.get(f"{figure}_waited_ms", 0.0)


def median_of(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("benchmarks", help="JSON written by eklz-bench")
    parser.add_argument("--window", help="JSON lines written by bench/windowruns.py")
    parser.add_argument("--out", help="also write the tables to this file")
    parser.add_argument("--bench-binary", help="eklz-bench, to count instructions with callgrind "
                        "where the processor time per row grows too much")
    args = parser.parse_args()

    context, figures, errors = load_benchmarks(args.benchmarks)
    missed = []
    notes = []  # grew in time per row, not in instructions per row
    target_lines = ["| what | rows | median | target | met? |", "|---|---:|---:|---:|:---:|"]
    figure_lines = ["| operation | rows | wall clock | less the wait | CPU time | CPU per row |",
                    "|---|---:|---:|---:|---:|---:|"]
    sizes = sorted({rows for _, rows in figures})
    growth_lines = ["| operation | " + " | ".join(f"{rows:,}" for rows in sizes) +
                    " | largest ÷ 10,000 | allowed | fits? |",
                    "|---|" + "---:|" * len(sizes) + "---:|---:|:---:|"]

    names = sorted({name for name, _ in figures},
                   key=lambda n: (list(OPERATIONS).index(n) if n in OPERATIONS else 99, n))
    for name in names:
        label, target, growth = OPERATIONS.get(name, (name, None, "n log n" if "sort" in name
                                                      else "n"))
        by_rows = {rows: f for (n, rows), f in figures.items() if n == name}
        per_row = {rows: f["cpu"] * 1e6 / rows for rows, f in by_rows.items()
                   if f["cpu"] is not None}
        for rows, figure in sorted(by_rows.items()):
            figure_lines.append(f"| {label} | {rows:,} | {fmt_ms(figure['wall'])} | "
                                f"{fmt_ms(judged(figure))} | {fmt_ms(figure['cpu'])} | "
                                f"{fmt_ns(per_row.get(rows))} |")
        if target is not None and TARGET_ROWS in by_rows:
            value = judged(by_rows[TARGET_ROWS])
            met = value <= target
            target_lines.append(f"| {label} | {TARGET_ROWS:,} | {fmt_ms(value)} | "
                                f"{fmt_target(target)} | {'yes' if met else '**NO**'} |")
            if not met:
                missed.append(f"{label}, {TARGET_ROWS:,} rows: {fmt_ms(value)} > "
                              f"{fmt_target(target)}")
        larger = [rows for rows in per_row if rows > GROWTH_BASE_ROWS]
        ratio_text, allowed_text, fits_text = "—", "—", ""
        if GROWTH_BASE_ROWS in per_row and per_row[GROWTH_BASE_ROWS] > 0 and larger:
            largest = max(larger)
            ratio = per_row[largest] / per_row[GROWTH_BASE_ROWS]
            allowed = allowed_growth(growth, largest)
            fits = ratio <= allowed
            ratio_text = f"{ratio:.2f} ({largest:,})"
            allowed_text = f"{allowed:.1f} ({growth})"
            why = f"CPU time per row at {largest:,} rows is {ratio:.2f} times that at 10,000"
            if not fits and args.bench_binary:
                counts = [count_instructions(args.bench_binary, name, rows)
                          for rows in (GROWTH_BASE_ROWS, COUNTED_ROWS)]
                if None not in counts:
                    instructions = counts[1] / counts[0] * GROWTH_BASE_ROWS / COUNTED_ROWS
                    limit = INSTRUCTION_LIMIT * (allowed_growth(growth, COUNTED_ROWS) /
                                                 GROWTH_LIMIT)
                    fits = instructions <= limit
                    why += (f", instructions per row at {COUNTED_ROWS:,} {instructions:.2f} times "
                            f"(at most {limit:.2f})")
                    allowed_text += f"; instructions ×{instructions:.2f}"
            fits_text = "yes" if fits else "**NO**"
            if ratio > allowed:
                fits_text += " (memory)" if fits else ""
                (notes if fits else missed).append(f"{label}: {why}")
        growth_lines.append(f"| {label} | " +
                            " | ".join(fmt_ns(per_row.get(rows)) for rows in sizes) +
                            f" | {ratio_text} | {allowed_text} | {fits_text} |")

    window_lines = []
    failed_runs = []
    if args.window:
        runs = load_window_runs(args.window)
        groups = {}
        for run in runs:
            groups.setdefault((run["operation"], run["rows"]), []).append(run)
        window_lines = ["| operation | rows | runs | wall clock | less the wait | CPU time | "
                        "peak memory | whole process |", "|---|---:|---:|---:|---:|---:|---:|---:|"]
        order = ["open", "save", "sort", "print"]
        for (operation, rows), group in sorted(
                groups.items(), key=lambda item: (order.index(item[0][0])
                                                  if item[0][0] in order else 9, item[0][1])):
            failed = [run for run in group if run.get("failure")]
            if failed:
                failed_runs.append(f"{operation}, {rows:,} rows, {len(failed)} of {len(group)} "
                                   "runs; the first: " +
                                   "; ".join(failed[0]["failure"].splitlines()))
            platform = group[0].get("platform", "?")
            wall = median_of(run.get(f"{operation}_ms") for run in group)
            window_lines.append(
                f"| {operation} ({platform}) | {rows:,} | {len(group)}"
                f"{f', {len(failed)} failed' if failed else ''} | {fmt_ms(wall)} | "
                f"{fmt_ms(median_of(window_figure(run, operation) for run in group))} | "
                f"{fmt_ms(median_of(run.get(f'{operation}_cpu_ms') for run in group))} | "
                f"{fmt_value(median_of(run.get('peak_rss_mb') for run in group), 'MB')} | "
                f"{fmt_ms(median_of(window_figure(run, 'whole') for run in group))} |")
        for label, operation, rows, figure, limit, unit in WINDOW_TARGETS:
            group = groups.get((operation, rows), [])
            value = median_of(window_figure(run, figure) for run in group)
            failed = [run for run in group if run.get("failure")]
            if not group:
                continue
            met = value is not None and value <= limit and not failed
            why = f" ({len(failed)} of {len(group)} runs failed)" if failed else ""
            target_lines.append(f"| {label} (window, {len(group)} runs) | {rows:,} | "
                                f"{fmt_value(value, unit)}{why} | {fmt_target(limit, unit)} | "
                                f"{'yes' if met else '**NO**'} |")
            if not met:
                missed.append(f"{label}, {rows:,} rows: {fmt_value(value, unit)}{why}, target "
                              f"{fmt_target(limit, unit)}")

    out = ["## Targets", "",
           "Medians on this machine. A time is the wall-clock time less the time the measuring "
           "thread waited for a processor (other work on the machine); in the window each "
           "operation runs in a fresh process (cold).", ""] + target_lines + [""]
    out += ["## Every operation, in one process (median of the repetitions)", ""]
    out += figure_lines + [""]
    out += ["## How the processor time per row grows with the register", "",
            "A growth fault is a CPU time per row at the largest register more than twice that "
            "at 10,000 rows (for a sort, twice log n / log 10,000).", ""]
    out += growth_lines + [""]
    if window_lines:
        out += ["## The window: one operation per fresh process (medians)", "",
                "\"Whole process\" is the launch to the exit, less the main thread's wait for a "
                "processor; peak memory is the highest resident memory of the run.", ""]
        out += window_lines + [""]
    host = context.get("host_name", "?")
    cpus = context.get("num_cpus", "?")
    mhz = context.get("mhz_per_cpu", "?")
    load = context.get("load_avg", [])
    out.append(f"Machine: {host}, {cpus} CPUs at {mhz} MHz; load average at the start "
               f"{', '.join(f'{x:.2f}' for x in load) or '?'}; taken {context.get('date', '?')}.")
    if notes:
        out += ["", "Grew in time per row but not in instructions per row (the memory system, "
                "not the code):"] + [f"- {item}" for item in notes]
    if missed:
        out += ["", "Missed:"] + [f"- {item}" for item in missed]
    if errors or failed_runs:
        out += ["", "Did not run or failed:"]
        out += [f"- {name}, {rows:,} rows: {message}" for name, rows, message in errors]
        out += [f"- window: {item}" for item in failed_runs]
    text = "\n".join(out) + "\n"
    sys.stdout.write(text)
    if args.out:
        with open(args.out, "w", encoding="utf-8") as target_file:
            target_file.write(text)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
