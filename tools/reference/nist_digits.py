#!/usr/bin/env python3
"""Correct significant digits of quorl-fit's NIST StRD results.

Scores quorl-fit runs on examples/nist against the 40-digit least-squares
solutions in nist_exact.txt (written by nist_reference.py): for every
parameter, digits = -log10(|v - exact| / |exact|), capped at 34 (0 when the
value is missing, not finite or off by more than its own size), for the
values, their standard errors ("standard_error") and the residual sum of
squares. Numbers are read from Quorl-results.json as decimals, all of their
digits kept.

Either score runs already made, laid out as <runs>/<Name>/start1/ and
<runs>/<Name>/start2/ (or <runs>/<Name>/ for a single run), each holding a
Quorl-results.json:

    python3 tools/reference/nist_digits.py RUNS

or make them: every example is copied to a fresh folder and run there from
both starts (start 2: Quorl-user-start2.nml copied over Quorl-user.nml),
stdin from /dev/null:

    python3 tools/reference/nist_digits.py --run b/fit/quorl-fit [--examples examples/nist]
                                           [--keep DIR] [--jobs N] [--problem NAME ...]

One line per run: problem, start, status and iterations from the JSON, the
digits of each parameter's value and their minimum, the same for the
standard errors, and the digits of the RSS. At the end the medians, over the
runs, of the smallest value and standard-error digits, and over all
parameters of all runs.
"""
import argparse
import concurrent.futures
import decimal
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
from decimal import Decimal
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parents[1]
CAP = 34

decimal.getcontext().prec = 60


def read_exact(path):
    """{problem: {"params": {name: (value, sd)}, "order": [names], "rss": value}}."""
    exact = {}
    for line in path.read_text().splitlines():
        line = line.split("#")[0].strip()
        if not line:
            continue
        words = line.split()
        entry = exact.setdefault(words[0], {"params": {}, "order": [], "rss": None})
        if words[1] == "rss":
            entry["rss"] = Decimal(words[2])
        else:
            entry["params"][words[1]] = (Decimal(words[2]), Decimal(words[3]))
            entry["order"].append(words[1])
    return exact


def digits(v, exact):
    """Correct significant digits of v against exact, between 0 and CAP."""
    if not isinstance(v, Decimal) or not v.is_finite():
        return 0.0
    err = abs(v - exact)
    if err == 0:
        return float(CAP)
    d = -float((err / abs(exact)).log10())
    return max(0.0, min(float(CAP), d))


def score(result_path, ref):
    """Digits of one run: (status, iterations, value digits, se digits, rss digits);
    value and se digits are lists in the order of ref's parameters, None where
    the JSON has no such number."""
    try:
        with open(result_path) as f:
            res = json.load(f, parse_float=Decimal)
    except (OSError, ValueError) as e:
        return {"status": f"no results ({type(e).__name__})", "iterations": None,
                "values": [None] * len(ref["order"]), "ses": [None] * len(ref["order"]),
                "rss": None}
    by_name = {p.get("name"): p for p in res.get("parameters", [])}
    values, ses = [], []
    for name in ref["order"]:
        v_exact, sd_exact = ref["params"][name]
        p = by_name.get(name)
        if p is None:
            values.append(None)
            ses.append(None)
            continue
        values.append(digits(p.get("value"), v_exact))
        se = p.get("standard_error")
        ses.append(None if se is None else digits(se, sd_exact))
    rss = res.get("residual_sum_of_squares")
    return {"status": res.get("status", "?"), "iterations": res.get("iterations"),
            "values": values, "ses": ses,
            "rss": None if rss is None or ref["rss"] is None else digits(rss, ref["rss"])}


def find_runs(runs_dir, names):
    """(problem, start label, path of Quorl-results.json) for the runs present."""
    found = []
    for name in names:
        base = runs_dir / name
        starts = sorted(p for p in base.glob("start*") if p.is_dir())
        if starts:
            found += [(name, s.name[len("start"):], s / "Quorl-results.json") for s in starts]
        elif (base / "Quorl-results.json").exists():
            found.append((name, "-", base / "Quorl-results.json"))
    return found


def run_one(binary, example, folder, start, timeout):
    """Runs quorl-fit on a copy of example in folder; returns the folder."""
    if folder.exists():
        shutil.rmtree(folder)
    shutil.copytree(example, folder)
    (folder / "Quorl-results.json").unlink(missing_ok=True)
    if start == 2:
        shutil.copyfile(folder / "Quorl-user-start2.nml", folder / "Quorl-user.nml")
    with open(folder / "quorl-fit.log", "w") as log, open(os.devnull) as null:
        try:
            subprocess.run([str(binary)], cwd=folder, stdin=null, stdout=log,
                           stderr=subprocess.STDOUT, timeout=timeout)
        except subprocess.TimeoutExpired:
            log.write(f"\n[nist_digits: stopped after {timeout} s]\n")
    return folder


def run_all(binary, examples, runs_dir, names, jobs, timeout):
    tasks = [(name, start) for name in names for start in (1, 2)
             if (examples / name / "Quorl-user.nml").exists()]
    with concurrent.futures.ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [pool.submit(run_one, binary, examples / name, runs_dir / name / f"start{start}",
                               start, timeout) for name, start in tasks]
        for f in concurrent.futures.as_completed(futures):
            f.result()


def fmt(d):
    return "   -" if d is None else f"{d:4.1f}"


def smallest(ds):
    present = [d for d in ds if d is not None]
    if not present:
        return None
    # A parameter missing from the results counts as 0 digits.
    return 0.0 if len(present) < len(ds) else min(present)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("runs", nargs="?", type=Path, help="folder of finished runs")
    ap.add_argument("--run", type=Path, metavar="BINARY", help="make the runs with this quorl-fit")
    ap.add_argument("--examples", type=Path, default=ROOT / "examples" / "nist")
    ap.add_argument("--keep", type=Path, metavar="DIR", help="with --run: make the runs here and keep them")
    ap.add_argument("--exact", type=Path, default=HERE / "nist_exact.txt")
    ap.add_argument("--problem", action="append", help="only this problem (repeatable)")
    ap.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    ap.add_argument("--timeout", type=float, default=600, help="seconds per run")
    args = ap.parse_args()
    if (args.runs is None) == (args.run is None):
        ap.error("give either a folder of runs or --run BINARY")

    exact = read_exact(args.exact)
    names = args.problem or sorted(exact)
    unknown = [n for n in names if n not in exact]
    if unknown:
        ap.error(f"not in {args.exact}: {', '.join(unknown)}")

    tmp = None
    if args.run:
        binary = args.run.resolve()
        if args.keep:
            runs_dir = args.keep.resolve()
            runs_dir.mkdir(parents=True, exist_ok=True)
        else:
            tmp = tempfile.TemporaryDirectory(prefix="nist_digits.")
            runs_dir = Path(tmp.name)
        run_all(binary, args.examples.resolve(), runs_dir, names, args.jobs, args.timeout)
    else:
        runs_dir = args.runs

    runs = find_runs(runs_dir, names)
    if not runs:
        sys.exit(f"no Quorl-results.json under {runs_dir}")
    print(f"# digits against {args.exact}, capped at {CAP}; runs in {runs_dir}")
    print(f"{'problem':9s} {'st':>2s} {'status':12s} {'iter':>5s}  {'val min':>7s} {'se min':>6s}"
          f" {'rss':>4s}  values | standard errors")
    mins_v, mins_se, all_v, all_se = [], [], [], []
    for name, start, path in runs:
        s = score(path, exact[name])
        mv, ms = smallest(s["values"]), smallest(s["ses"])
        if mv is not None:
            mins_v.append(mv)
        if ms is not None:
            mins_se.append(ms)
        all_v += [0.0 if d is None else d for d in s["values"]]
        all_se += [d for d in s["ses"] if d is not None]
        it = "-" if s["iterations"] is None else str(s["iterations"])
        print(f"{name:9s} {start:>2s} {str(s['status'])[:12]:12s} {it:>5s}  {fmt(mv):>7s} {fmt(ms):>6s}"
              f" {fmt(s['rss'])}  {' '.join(fmt(d) for d in s['values'])} | "
              f"{' '.join(fmt(d) for d in s['ses'])}")

    def med(xs):
        return f"{statistics.median(xs):.1f}" if xs else "-"

    print(f"median of the per-run minimum digits: values {med(mins_v)}, standard errors {med(mins_se)}"
          f"  ({len(runs)} runs)")
    print(f"median over all parameters:           values {med(all_v)}, standard errors {med(all_se)}"
          f"  ({len(all_v)} values, {len(all_se)} standard errors)")
    if tmp:
        tmp.cleanup()


if __name__ == "__main__":
    main()
