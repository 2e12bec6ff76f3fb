#!/usr/bin/env python3
"""Prints, for each BM_<Op>_Quad / BM_<Op>_QD pair in a Google Benchmark JSON
report, both median times per operation and their ratio (Quad / QD), and
where there is one, the ratio to the branch-free kernel BM_<Op>_Kernel.

    quorl_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \\
        --benchmark_out=bench.json --benchmark_out_format=json
    python3 bench/compare.py bench.json
"""
import json
import sys


def main(path):
    with open(path) as f:
        report = json.load(f)
    medians = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name = b["run_name"]
        medians[name] = b.get("per_op", b["cpu_time"]) * (1e9 if "per_op" in b else 1.0)
    print(f"{'operation':<10} {'Quad ns':>10} {'QD ns':>10} {'Quad/QD':>8} {'kernel ns':>10} {'Quad/kernel':>11}")
    for name, ours in medians.items():
        if not name.endswith("_Quad"):
            continue
        op = name[len("BM_"):-len("_Quad")]
        theirs = medians.get(f"BM_{op}_QD")
        kernel = medians.get(f"BM_{op}_Kernel")
        if theirs:
            line = f"{op:<10} {ours:>10.2f} {theirs:>10.2f} {ours / theirs:>8.2f}"
            if kernel:
                line += f" {kernel:>10.2f} {ours / kernel:>11.2f}"
            print(line)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "bench.json")
