#!/usr/bin/env python3
"""Runs eklz-window-probe once per operation and run, each in a fresh process, and writes one
JSON line per run: the probe's own figures plus, measured from outside, the whole process from
its launch to its exit (whole_ms wall clock, whole_cpu_ms processor time of it and its children,
maxrss_mb its highest resident memory), its exit status and why the run failed, if it did.

usage: windowruns.py --probe BIN --generator BIN --runs N --out FILE OPERATION:ROWS ...

The registers are written once beforehand with eklz-journal-gen (seed 20090315); every run gets
a fresh copy in a folder of its own. The operations take turns run by run, so that a busy spell
of the machine spreads over all of them instead of spoiling one. A save must leave the file
byte for byte as it was (an unchanged register written anew), a printout must be a PDF file
that pdfinfo reads, with a page for every 60 rows at most.
"""
import argparse
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SEED = "20090315"


def run_timed(argv, env=None, cwd=None):
    """Runs a command to its end: wall-clock and processor time (user and system, of the
    process and every child it waited for), highest resident memory, exit status, output."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter_ns()
        process = subprocess.Popen(argv, env=env, cwd=cwd, stdout=out, stderr=err,
                                   stdin=subprocess.DEVNULL)
        _, status, usage = os.wait4(process.pid, 0)
        wall_ms = (time.perf_counter_ns() - start) / 1e6
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        return {"whole_ms": wall_ms, "whole_cpu_ms": (usage.ru_utime + usage.ru_stime) * 1e3,
                "maxrss_mb": usage.ru_maxrss / 1024, "exit": process.returncode,
                "stdout": out.read().decode("utf-8", "replace"),
                "stderr": err.read().decode("utf-8", "replace")}


def sha1(path):
    digest = hashlib.sha1()
    with open(path, "rb") as source:
        for block in iter(lambda: source.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def pdf_pages(path):
    try:
        info = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        return 0
    for line in info.stdout.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return 0


def check(operation, rows, folder, original):
    """Why the run's result is wrong, or None."""
    if operation == "save":
        if sha1(os.path.join(folder, "thisyear.csv")) != original:
            return "the saved file differs from the register opened"
    if operation == "print":
        pages = pdf_pages(os.path.join(folder, "journal.pdf"))
        if pages * 60 < rows:
            return f"the PDF file has {pages} pages for {rows:,} rows"
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--generator", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--out", required=True)
    parser.add_argument("plan", nargs="+", help="OPERATION:ROWS, e.g. open:32767")
    args = parser.parse_args()
    plan = [(item.split(":")[0], int(item.split(":")[1])) for item in args.plan]

    with tempfile.TemporaryDirectory(prefix="eklz-window-") as scratch, \
            open(args.out, "w", encoding="utf-8") as out:
        originals = {}
        for rows in sorted({rows for _, rows in plan}):
            path = os.path.join(scratch, f"register-{rows}.csv")
            subprocess.run([args.generator, str(rows), SEED, path], check=True)
            originals[rows] = (path, sha1(path))
        failures = 0
        for run in range(args.runs):
            for operation, rows in plan:
                folder = os.path.join(scratch, "program")
                shutil.rmtree(folder, ignore_errors=True)
                os.mkdir(folder)
                source, original = originals[rows]
                shutil.copyfile(source, os.path.join(folder, "thisyear.csv"))
                env = dict(os.environ, EKLZ_LAUNCH_NS=str(time.time_ns()))
                result = run_timed([args.probe, folder, str(rows), operation], env=env)
                record = {}
                for line in result.pop("stdout").splitlines():
                    if line.startswith("{"):
                        record = json.loads(line)
                record.update(result)
                record.update(operation=operation, rows=rows, run=run)
                failure = check(operation, rows, folder, original) if result["exit"] == 0 else (
                    record.pop("stderr").strip() or f"exit status {result['exit']}")
                record.pop("stderr", None)
                record["failure"] = failure
                failures += failure is not None
                out.write(json.dumps(record, ensure_ascii=False) + "\n")
                out.flush()
                print(f"{operation} {rows:>9,} run {run + 1}: {record['whole_ms']:8.1f} ms"
                      + (f"  FAILED: {failure.splitlines()[0]}" if failure else ""),
                      file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
