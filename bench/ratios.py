#!/usr/bin/env python3
"""Prints the benchmark table of ratios from one Google Benchmark JSON run.

Benchmarks are named FAMILY/IMPLEMENTATION/ARGS; for every FAMILY and ARGS the time of each
peer is divided by the time of "zetch" (the median CPU time when the run has repetitions; the
wall-clock time for benchmarks registered with UseRealTime, named .../real_time).
A ratio above 1 means zetch is faster. Runs of the benchmark programs of several variants of the
library are set side by side, one column each.
Usage: ratios.py [LABEL=]RESULTS.json... [FAMILY-REGEX]
"""
import json
import re
import sys
from collections import defaultdict


# Families whose argument counts something other than bytes.
COUNTED = {"regexp_compile": "patterns", "regexp_compile_alloc": "patterns"}


def size_label(arg, family=""):
    if family in COUNTED:
        return f"{arg} {COUNTED[family]}"
    try:
        n = int(arg)
    except ValueError:
        return arg
    for unit, div in (("MiB", 1 << 20), ("KiB", 1 << 10)):
        if n >= div and n % div == 0:
            return f"{n // div} {unit}"
    return f"{n} B"


def load(path, pick):
    """(family, args) -> impl -> time, in the order of first appearance, and the run's context."""
    with open(path) as f:
        run = json.load(f)
    times = defaultdict(dict)
    order = []
    for b in run["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        # Benchmarks timed by the wall clock (multi-threaded ones) are compared by it.
        field = "cpu_time"
        if name.endswith("/real_time"):
            name, field = name[: -len("/real_time")], "real_time"
        parts = name.split("/")
        if len(parts) < 2:
            continue
        family, impl, args = parts[0], parts[1], "/".join(parts[2:])
        if pick and not pick.search(family):
            continue
        key = (family, args)
        if key not in times:
            order.append(key)
        times[key][impl] = b[field]
    return times, order, run.get("context", {})


def main():
    args = sys.argv[1:]
    if not args:
        sys.exit(__doc__)
    pick = None
    if not args[-1].endswith(".json"):
        pick = re.compile(args.pop())
    # One run per variant of the library, given as LABEL=RESULTS.json; a plain path is one column.
    runs = []
    for a in args:
        label, _, path = a.rpartition("=")
        runs.append((label or "ratio",) + load(path, pick))
    ctx = runs[0][3]
    print(f"Machine: {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
          f"run {ctx.get('date', '?')}; ratio = peer time / zetch time (above 1: zetch is faster).\n")
    print("| benchmark | input | peer | " + " | ".join(r[0] for r in runs) + " |")
    print("|---|---|---|" + "---|" * len(runs))
    for key in runs[0][2]:
        family, fargs = key
        base = runs[0][1][key]
        if "zetch" not in base:
            continue
        for impl in base:
            if impl == "zetch":
                continue
            cells = []
            for _, times, _, _ in runs:
                row = times.get(key, {})
                cells.append(f"{row[impl] / row['zetch']:.2f}" if "zetch" in row and impl in row else "-")
            print(f"| {family} | {size_label(fargs, family)} | {impl} | " + " | ".join(cells) + " |")


if __name__ == "__main__":
    main()
