#!/usr/bin/env python3
"""Reference values for examples/exp_decay, independent of Quorl.

The weighted least-squares fit of y = a*exp(-b*x) + c (weights 1/sigma) to
examples/exp_decay/exp_decay.dat, by Gauss-Newton with analytic derivatives
in 80-digit decimal arithmetic, the data read as the exact decimals they
are. Prints the solution, chi-square and the standard errors for both
configurations of the example (c free; c held at 1.2) to 40 digits; the
example's test keeps these values.

    python3 tools/reference/exp_decay_reference.py
"""
from decimal import Decimal as D, getcontext
from pathlib import Path

getcontext().prec = 80


def read(path):
    rows = []
    for line in Path(path).read_text().splitlines():
        line = line.split("#")[0].strip()
        if not line or not line[0].isdigit():
            continue
        x, y, s = (D(t) for t in line.split())
        rows.append((x, y, s))
    return rows


def solve(m, v):
    """Gauss-Jordan with partial pivoting; returns the inverse and m^-1 v."""
    n = len(m)
    a = [row[:] + [D(int(i == j)) for j in range(n)] for i, row in enumerate(m)]
    for col in range(n):
        piv = max(range(col, n), key=lambda r: abs(a[r][col]))
        a[col], a[piv] = a[piv], a[col]
        p = a[col][col]
        a[col] = [t / p for t in a[col]]
        for r in range(n):
            if r != col:
                f = a[r][col]
                a[r] = [t - f * u for t, u in zip(a[r], a[col])]
    inv = [row[n:] for row in a]
    return inv, [sum(inv[i][j] * v[j] for j in range(n)) for i in range(n)]


def fit(rows, p, free):
    for _ in range(100):
        jac, res = [], []
        for x, y, s in rows:
            e = (-p[1] * x).exp()
            w = 1 / s
            res.append((y - (p[0] * e + p[2])) * w)
            full = [e * w, -p[0] * x * e * w, w]
            jac.append([full[k] for k in free])
        n = len(free)
        jtj = [[sum(r[i] * r[j] for r in jac) for j in range(n)] for i in range(n)]
        jtr = [sum(r[i] * z for r, z in zip(jac, res)) for i in range(n)]
        inv, step = solve(jtj, jtr)
        for k, d in zip(free, step):
            p[k] += d
        if max(abs(d) for d in step) < D(10) ** -70:
            break
    chi2 = sum(z * z for z in res)
    dof = len(rows) - len(free)
    se = {k: (inv[i][i] * chi2 / dof).sqrt() for i, k in enumerate(free)}
    seu = {k: inv[i][i].sqrt() for i, k in enumerate(free)}
    return p, chi2, se, seu


rows = read(Path(__file__).resolve().parents[2] / "examples/exp_decay/exp_decay.dat")
for label, start, free in (("c free", [D(5), D("0.8"), D("1.2")], [0, 1, 2]),
                           ("c held at 1.2", [D(5), D("0.8"), D("1.2")], [0, 1])):
    p, chi2, se, seu = fit(rows, start, free)
    print(label)
    for k, name in enumerate("abc"):
        extra = f"\n      se {se[k]:.34e}  unscaled {seu[k]:.34e}" if k in se else ""
        print(f"  {name} = {p[k]:.40e}{extra}")
    print(f"  chi2 = {chi2:.40e}")
