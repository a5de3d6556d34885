#!/usr/bin/env python3
"""Two builds' core benchmarks taken in turn, for comparing them in one session.

Each build runs the whole benchmark binary RUNS times (five repetitions each),
alternating, so that a machine growing busier or quieter falls on both alike.
Prints, per benchmark, each run's median wall time for both builds and the
change of the median of medians.
   bench/core_wall_times.py OLD_BENCH_BINARY NEW_BENCH_BINARY [RUNS]
"""
import json
import statistics
import subprocess
import sys


def medians(binary):
    out = subprocess.run([binary, "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
                          "--benchmark_format=json"], capture_output=True, text=True, check=True).stdout
    return {row["run_name"]: row["real_time"] for row in json.loads(out)["benchmarks"]
            if row.get("aggregate_name") == "median"}


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    old, new = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    times = {old: {}, new: {}}
    for _ in range(runs):
        for binary in (old, new):
            for name, value in medians(binary).items():
                times[binary].setdefault(name, []).append(value)
    print("| Benchmark | before (ns, each run) | after (ns, each run) | change |")
    print("|---|---|---|---|")
    for name, before in times[old].items():
        after = times[new].get(name)
        if not after:
            continue
        change = (statistics.median(after) / statistics.median(before) - 1) * 100
        print(f"| {name} | {' '.join(f'{v:.1f}' for v in before)} | {' '.join(f'{v:.1f}' for v in after)} | "
              f"{change:+.1f} % |")


if __name__ == "__main__":
    main()
