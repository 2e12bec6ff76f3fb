#!/usr/bin/env python3
"""Writes examples/nist/<Name>/ for each NIST StRD nonlinear regression problem.

Each folder gets the data table <Name>.txt (the reference file's data, its
numbers copied as written), Quorl-user.nml (the first starting point) and
Quorl-user-start2.nml (the second), both for quorl-fit. The formula is the
model line of the reference file in quorl-fit's notation: square brackets
become parentheses and arctan atan; Nelson fits log(y).

    python3 tools/nist/make_examples.py        # from the top of the source tree
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
SOURCE = ROOT / "tests" / "engine" / "data" / "nist"
TARGET = ROOT / "examples" / "nist"

# The damped step from the first iteration, with room for the slow starts
# (MGH17 and Bennett5 from start 1 take some 700 iterations).
CONTROLS = "JSTEPMULT=3, JBON=1, JUNCLAMP=1, JITERTOT=1000, JPD=3"


def parse(path):
    lines = path.read_text().replace("\r", "").split("\n")
    p = {"name": None, "difficulty": None, "model": [], "params": [], "data": []}
    in_model = False
    data = None
    for line in lines:
        words = line.split()
        if line.startswith("Dataset Name:"):
            p["name"] = words[2]
        elif "Level of Difficulty" in line:
            p["difficulty"] = words[0].lower()
        elif re.match(r"\s*(y|log\[y\])\s*=", line) and not p["model"]:
            in_model = True
        if in_model:
            p["model"].append(line.strip())
            if line.rstrip().endswith("+  e") or line.rstrip().endswith("+ e"):
                in_model = False
        m = re.match(r"\s*(b\d+)\s*=\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)\s*$", line)
        if m:
            p["params"].append(m.groups())
        elif line.startswith("Residual Sum of Squares:"):
            p["rss"] = words[-1]
        elif line.startswith("Data:") and words[1] == "y":
            data = words[1:]
            p["columns"] = data
            continue
        if data is not None and words:
            p["data"].append(words)
    return p


def formula(model_lines):
    """The model line(s) as one formula: measured side and right-hand side."""
    text = " ".join(model_lines)
    lhs, rhs = text.split("=", 1)
    rhs = re.sub(r"\+\s*e\s*$", "", rhs.strip()).strip()
    rhs = rhs.replace("[", "(").replace("]", ")").replace("arctan", "atan")
    rhs = re.sub(r"\s+", " ", rhs)
    rhs = re.sub(r"\( ", "(", rhs)
    rhs = re.sub(r" \)", ")", rhs)
    lhs = lhs.strip().replace("[", "(").replace("]", ")")
    return lhs, rhs


def nml(p, start):
    lhs, rhs = formula(p["model"])
    aux = [c for c in p["columns"] if c != "y"]
    params = ", ".join(f"{b} = {s[start - 1]}" for b, *s in ((q[0], q[1], q[2]) for q in p["params"]))
    certified = "\n".join(f"!   {q[0]} = {q[3]}  ({q[4]})" for q in p["params"])
    return (
        f"! NIST StRD nonlinear regression {p['name']} ({p['difficulty']} difficulty), from start {start}.\n"
        f"! Certified values (standard deviations):\n{certified}\n"
        f"! Certified residual sum of squares: {p['rss']}\n"
        f"&QUORLNML {CONTROLS},\n"
        f"          CJUSERFILE='{p['name']}.txt', WHAT='NIST StRD {p['name']}, start {start}' /\n"
        f"&QUORLFIT FORMULA='{rhs}',\n"
        f"          PARAMETERS='{params}',\n"
        f"          AUXILIARY='{', '.join(aux)}', MEASURED='{lhs}' /\n"
    )


def main():
    files = sorted(SOURCE.glob("*.dat"))
    if len(files) != 27:
        sys.exit(f"expected the 27 reference files in {SOURCE}, found {len(files)}")
    for path in files:
        p = parse(path)
        folder = TARGET / p["name"]
        folder.mkdir(parents=True, exist_ok=True)
        width = max(len(w) for row in p["data"] for w in row)
        rows = "\n".join("  ".join(w.rjust(width) for w in row) for row in p["data"])
        header = "  ".join(c.rjust(width) for c in p["columns"])
        (folder / f"{p['name']}.txt").write_text(
            f"# NIST StRD {p['name']}: the data of {path.name}, {len(p['data'])} observations.\n{header}\n{rows}\n")
        (folder / "Quorl-user.nml").write_text(nml(p, 1))
        (folder / "Quorl-user-start2.nml").write_text(nml(p, 2))
    print(f"wrote {len(files)} folders in {TARGET.relative_to(ROOT)}")


if __name__ == "__main__":
    main()
