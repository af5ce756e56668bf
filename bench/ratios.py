#!/usr/bin/env python3
"""Prints the benchmark table of ratios from one Google Benchmark JSON run.

Benchmarks are named FAMILY/IMPLEMENTATION/ARGS; for every FAMILY and ARGS the time of each
peer is divided by the time of "zetch" (the median CPU time when the run has repetitions; the
wall-clock time for benchmarks registered with UseRealTime, named .../real_time).
A ratio above 1 means zetch is faster. Usage: ratios.py RESULTS.json [FAMILY-REGEX]
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


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        run = json.load(f)
    pick = re.compile(sys.argv[2]) if len(sys.argv) > 2 else None
    times = defaultdict(dict)  # (family, args) -> impl -> cpu time
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
    ctx = run.get("context", {})
    print(f"Machine: {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
          f"run {ctx.get('date', '?')}; ratio = peer time / zetch time (above 1: zetch is faster).\n")
    print("| benchmark | input | peer | ratio |")
    print("|---|---|---|---|")
    for key in order:
        family, args = key
        row = times[key]
        if "zetch" not in row:
            continue
        for impl, t in row.items():
            if impl == "zetch":
                continue
            print(f"| {family} | {size_label(args, family)} | {impl} | {t / row['zetch']:.2f} |")


if __name__ == "__main__":
    main()
