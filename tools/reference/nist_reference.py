#!/usr/bin/env python3
"""Least-squares solutions of the 27 NIST StRD nonlinear regression problems
to 40 significant digits, independent of Quorl.

For each problem the model is written out below in Python and differentiated
by forward-mode automatic differentiation (exact partial derivatives, rounded
only by the working precision). The data are read from the reference .dat
files as the decimals they are written as. Gauss-Newton, each step the
least-squares solution of J d = r by Householder QR (no normal equations,
so the conditioning of J, not its square, sets the rounding), starts from the
certified values and runs at mp.dps = 60 until the largest relative step is
below 1e-50. When a Gauss-Newton step does not lower the residual sum of
squares the step is damped Levenberg-Marquardt style instead.

At the solution: the residual sum of squares and the standard deviations
sqrt(diag((J'J)^-1) * RSS / (n - p)), (J'J)^-1 = R^-1 R^-T from the QR.

The file written, tools/reference/nist_exact.txt, has one value a line:

    <Name> <parameter> <value> <standard deviation>
    <Name> rss <value>

with 40 significant digits, '#' starting a comment. Every value is checked
against the certified 11 digits: rounded to 11 significant digits it must
read as the certified text; any that does not is printed.

    python3 tools/reference/nist_reference.py                 # write nist_exact.txt
    python3 tools/reference/nist_reference.py --check         # also re-solve at 90 digits
    python3 tools/reference/nist_reference.py --problem MGH09 --out /tmp/x.txt
"""
import argparse
import re
import sys
import time
from pathlib import Path

import mpmath
from mpmath import mp, mpf

DATA = Path("/work/shared/nist")
OUT = Path(__file__).resolve().parent / "nist_exact.txt"
DIGITS = 40          # significant digits written
TOL_EXP = 50         # stop when the largest relative step is below 10**-TOL_EXP


class Dual:
    """A value with its gradient with respect to the parameters."""
    __slots__ = ("v", "d")

    def __init__(self, v, d):
        self.v = v
        self.d = d

    @staticmethod
    def lift(a, n):
        return a if isinstance(a, Dual) else Dual(mpf(a), [mpf(0)] * n)

    def __add__(self, o):
        if not isinstance(o, Dual):
            return Dual(self.v + o, self.d)
        return Dual(self.v + o.v, [a + b for a, b in zip(self.d, o.d)])

    __radd__ = __add__

    def __neg__(self):
        return Dual(-self.v, [-a for a in self.d])

    def __sub__(self, o):
        return self + (-o)

    def __rsub__(self, o):
        return (-self) + o

    def __mul__(self, o):
        if not isinstance(o, Dual):
            return Dual(self.v * o, [a * o for a in self.d])
        return Dual(self.v * o.v, [a * o.v + self.v * b for a, b in zip(self.d, o.d)])

    __rmul__ = __mul__

    def __truediv__(self, o):
        if not isinstance(o, Dual):
            return self * (1 / mpf(o))
        q = self.v / o.v
        return Dual(q, [(a - q * b) / o.v for a, b in zip(self.d, o.d)])

    def __rtruediv__(self, o):
        return Dual.lift(o, len(self.d)) / self

    def __rpow__(self, o):
        # constant ** u = exp(u log constant)
        return exp(self * mpmath.log(o))

    def __pow__(self, o):
        if isinstance(o, Dual):
            # u**w = exp(w log u), u > 0
            return exp(o * log(self))
        o = mpf(o)
        if o == int(o):
            k = int(o)
            if k == 2:
                return self * self
            if k == 3:
                return self * self * self
        p = self.v ** o
        g = o * self.v ** (o - 1)
        return Dual(p, [g * a for a in self.d])


def _chain(u, f, g):
    """f(u) with derivative g(u) * u'."""
    if not isinstance(u, Dual):
        return f(u)
    gv = g(u.v)
    return Dual(f(u.v), [gv * a for a in u.d])


def exp(u):
    if not isinstance(u, Dual):
        return mpmath.exp(u)
    e = mpmath.exp(u.v)
    return Dual(e, [e * a for a in u.d])


def log(u):
    return _chain(u, mpmath.log, lambda v: 1 / v)


def sin(u):
    return _chain(u, mpmath.sin, mpmath.cos)


def cos(u):
    return _chain(u, mpmath.cos, lambda v: -mpmath.sin(v))


def atan(u):
    return _chain(u, mpmath.atan, lambda v: 1 / (1 + v * v))


# The models, b = (b1, b2, ...) as in the reference files, x the predictor
# (Nelson: the pair x1, x2). Constants are written so that they are exact:
# 0.5 and .5 are binary-exact, pi is taken at the working precision.
def _enso(b, x):
    t = 2 * mp.pi * x
    return (b[0] + b[1] * cos(t / 12) + b[2] * sin(t / 12)
            + b[4] * cos(t / b[3]) + b[5] * sin(t / b[3])
            + b[7] * cos(t / b[6]) + b[8] * sin(t / b[6]))


def _gauss(b, x):
    return (b[0] * exp(-b[1] * x) + b[2] * exp(-(x - b[3]) ** 2 / b[4] ** 2)
            + b[5] * exp(-(x - b[6]) ** 2 / b[7] ** 2))


def _rational33(b, x):
    return ((b[0] + b[1] * x + b[2] * x ** 2 + b[3] * x ** 3)
            / (1 + b[4] * x + b[5] * x ** 2 + b[6] * x ** 3))


def _lanczos(b, x):
    return b[0] * exp(-b[1] * x) + b[2] * exp(-b[3] * x) + b[4] * exp(-b[5] * x)


def _chwirut(b, x):
    return exp(-b[0] * x) / (b[1] + b[2] * x)


def _misra1a(b, x):
    return b[0] * (1 - exp(-b[1] * x))


MODELS = {
    "Bennett5": lambda b, x: b[0] * (b[1] + x) ** (-1 / b[2]),
    "BoxBOD": _misra1a,
    "Chwirut1": _chwirut,
    "Chwirut2": _chwirut,
    "DanWood": lambda b, x: b[0] * x ** b[1],
    "ENSO": _enso,
    "Eckerle4": lambda b, x: (b[0] / b[1]) * exp(mpf("-0.5") * ((x - b[2]) / b[1]) ** 2),
    "Gauss1": _gauss,
    "Gauss2": _gauss,
    "Gauss3": _gauss,
    "Hahn1": _rational33,
    "Kirby2": lambda b, x: (b[0] + b[1] * x + b[2] * x ** 2) / (1 + b[3] * x + b[4] * x ** 2),
    "Lanczos1": _lanczos,
    "Lanczos2": _lanczos,
    "Lanczos3": _lanczos,
    "MGH09": lambda b, x: b[0] * (x ** 2 + x * b[1]) / (x ** 2 + x * b[2] + b[3]),
    "MGH10": lambda b, x: b[0] * exp(b[1] / (x + b[2])),
    "MGH17": lambda b, x: b[0] + b[1] * exp(-x * b[3]) + b[2] * exp(-x * b[4]),
    "Misra1a": _misra1a,
    "Misra1b": lambda b, x: b[0] * (1 - (1 + b[1] * x / 2) ** (-2)),
    "Misra1c": lambda b, x: b[0] * (1 - (1 + 2 * b[1] * x) ** mpf("-0.5")),
    "Misra1d": lambda b, x: b[0] * b[1] * x * ((1 + b[1] * x) ** (-1)),
    "Nelson": lambda b, x: b[0] - b[1] * x[0] * exp(-b[2] * x[1]),
    "Rat42": lambda b, x: b[0] / (1 + exp(b[1] - b[2] * x)),
    "Rat43": lambda b, x: b[0] / ((1 + exp(b[1] - b[2] * x)) ** (1 / b[3])),
    "Roszman1": lambda b, x: b[0] - b[1] * x - atan(b[2] / (x - b[3])) / mp.pi,
    "Thurber": _rational33,
}


def read_dat(path):
    """Certified values and standard deviations (as text), certified RSS, and
    the data rows (as text) of a reference .dat file."""
    prob = {"params": [], "rows": []}
    in_data = False
    for line in path.read_text().replace("\r", "").split("\n"):
        words = line.split()
        if in_data:
            if words:
                prob["rows"].append(words)
            continue
        m = re.match(r"\s*(b\d+)\s*=\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)\s*$", line)
        if m:
            prob["params"].append((m.group(1), m.group(4), m.group(5)))
        elif line.startswith("Residual Sum of Squares:"):
            prob["rss"] = words[-1]
        elif line.startswith("Data:") and len(words) > 1 and words[1] == "y":
            prob["columns"] = words[1:]
            in_data = True
    return prob


def observations(name, prob):
    """(measured, predictor) pairs at the working precision."""
    obs = []
    for row in prob["rows"]:
        y = mpf(row[0])
        if name == "Nelson":
            obs.append((log(y), (mpf(row[1]), mpf(row[2]))))
        else:
            obs.append((y, mpf(row[1])))
    return obs


def evaluate(model, b, obs):
    """Residuals r = measured - f and the Jacobian of f."""
    p = len(b)
    duals = [Dual(b[k], [mpf(int(i == k)) for i in range(p)]) for k in range(p)]
    res, jac = [], []
    for y, x in obs:
        f = model(duals, x)
        res.append(y - f.v)
        jac.append(f.d)
    return res, jac


def householder(a, rhs):
    """QR of the m x p matrix a (list of rows) by Householder reflections,
    applied to rhs as well. Returns R (p x p, upper) and Q' rhs (first p)."""
    a = [row[:] for row in a]
    r = rhs[:]
    m, p = len(a), len(a[0])
    for k in range(p):
        norm = mpmath.sqrt(mpmath.fsum(a[i][k] ** 2 for i in range(k, m)))
        if norm == 0:
            raise ZeroDivisionError("rank-deficient Jacobian")
        alpha = -norm if a[k][k] >= 0 else norm
        v = [mpf(0)] * k + [a[i][k] for i in range(k, m)]
        v[k] -= alpha
        vv = mpmath.fsum(v[i] ** 2 for i in range(k, m))
        for j in range(k, p):
            s = 2 * mpmath.fsum(v[i] * a[i][j] for i in range(k, m)) / vv
            for i in range(k, m):
                a[i][j] -= s * v[i]
        s = 2 * mpmath.fsum(v[i] * r[i] for i in range(k, m)) / vv
        for i in range(k, m):
            r[i] -= s * v[i]
    return [row[:p] for row in a[:p]], r[:p]


def back_solve(rmat, c):
    p = len(c)
    x = [mpf(0)] * p
    for i in reversed(range(p)):
        x[i] = (c[i] - mpmath.fsum(rmat[i][j] * x[j] for j in range(i + 1, p))) / rmat[i][i]
    return x


def r_inverse(rmat):
    p = len(rmat)
    cols = [back_solve(rmat, [mpf(int(i == j)) for i in range(p)]) for j in range(p)]
    return [[cols[j][i] for j in range(p)] for i in range(p)]


def rss_of(res):
    return mpmath.fsum(z * z for z in res)


def solve(name, prob, dps, log_to=None, max_iter=1000):
    """The least-squares solution from the certified values at dps digits.
    Returns (values, standard deviations, rss, notes)."""
    mp.dps = dps
    model = MODELS[name]
    obs = observations(name, prob)
    b = [mpf(v) for _, v, _ in prob["params"]]
    p, n = len(b), len(obs)
    tol = mpf(10) ** -TOL_EXP
    notes = []
    res, jac = evaluate(model, b, obs)
    s = rss_of(res)
    lam = mpf(0)
    floor = None
    rate = mpf(0)
    for it in range(1, max_iter + 1):
        if lam == 0:
            rmat, c = householder(jac, res)
            step = back_solve(rmat, c)
        else:
            # Damped step: least squares of [J; sqrt(lam) D] d = [r; 0],
            # D the column norms of J (scale-invariant damping).
            dcol = [mpmath.sqrt(mpmath.fsum(row[k] ** 2 for row in jac)) for k in range(p)]
            aug = jac + [[mpmath.sqrt(lam) * dcol[k] if k == j else mpf(0) for k in range(p)]
                         for j in range(p)]
            rmat, c = householder(aug, res + [mpf(0)] * p)
            step = back_solve(rmat, c)
        trial = [bi + di for bi, di in zip(b, step)]
        rel = max(abs(di) / abs(bi) if bi != 0 else abs(di) for di, bi in zip(step, b))
        tres, tjac = evaluate(model, trial, obs)
        ts = rss_of(tres)
        if ts > s and rel > mpf(10) ** -(dps // 3):
            # The full Gauss-Newton step went uphill: damp and retry.
            lam = mpf("1e-3") if lam == 0 else lam * 10
            notes.append(f"iteration {it}: RSS rose, damping lambda={mpmath.nstr(lam, 3)}")
            continue
        b, res, jac, s = trial, tres, tjac, ts
        lam = lam / 10 if lam > mpf("1e-12") else mpf(0)
        if log_to:
            print(f"  {name} it {it:3d}  rel step {mpmath.nstr(rel, 3):>10}  rss {mpmath.nstr(s, 25)}",
                  file=log_to)
        if floor is not None and floor > 0:
            rate = rel / floor
        if rel < tol:
            break
        # Past quadratic convergence the step may settle at the rounding
        # floor of this precision instead of going below tol: note and stop
        # when it no longer shrinks.
        if floor is not None and rel >= floor and rel < mpf(10) ** -(dps // 2):
            notes.append(f"step stalled at {mpmath.nstr(rel, 3)} (rounding floor at {dps} digits)")
            break
        floor = rel
    else:
        notes.append(f"no convergence in {max_iter} iterations")
    rmat, _ = householder(jac, res)
    rinv = r_inverse(rmat)
    scale = s / (n - p)
    sd = [mpmath.sqrt(mpmath.fsum(rinv[i][j] ** 2 for j in range(p)) * scale) for i in range(p)]
    notes.insert(0, f"{it} iterations, last relative step {mpmath.nstr(rel, 3)}")
    if rate > mpf("0.1"):
        # Gauss-Newton converges linearly when the residuals are not small;
        # the distance left is about step * rate / (1 - rate).
        notes.append(f"slow linear convergence, step ratio {mpmath.nstr(rate, 2)} per iteration")
    return b, sd, s, notes


def sig(v, digits=DIGITS):
    return mpmath.nstr(v, digits, min_fixed=1, max_fixed=0, strip_zeros=False)


def matches_certified(v, text):
    """v rounded to the significant digits of the certified text reads as it."""
    mant = text.upper().split("E")[0].lstrip("+-").replace(".", "").lstrip("0")
    nd = len(mant)
    ours = mpmath.nstr(v, nd, min_fixed=1, max_fixed=0, strip_zeros=False)
    return mpf(ours) == mpf(text), ours


def lre(v, text):
    c = mpf(text)
    d = abs(v - c)
    return mpf(99) if d == 0 else -mpmath.log10(d / abs(c))


def agree_digits(a, b):
    if a == b:
        return mpf(99)
    return -mpmath.log10(abs(a - b) / abs(b))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--data", type=Path, default=DATA, help="folder of the reference .dat files")
    ap.add_argument("--out", type=Path, default=OUT)
    ap.add_argument("--problem", action="append", help="only this problem (repeatable)")
    ap.add_argument("--dps", type=int, default=60)
    ap.add_argument("--check", action="store_true",
                    help="re-solve at dps+30 digits and report how many digits agree")
    ap.add_argument("--verbose", action="store_true")
    args = ap.parse_args()

    names = args.problem or sorted(MODELS)
    lines = [
        "# Least-squares solutions of the NIST StRD nonlinear regression problems,",
        "# written by tools/reference/nist_reference.py (mpmath, independent of Quorl).",
        f"# Gauss-Newton at mp.dps = {args.dps} with exact partial derivatives (forward-mode",
        "# automatic differentiation of the model), each step solved by Householder QR,",
        "# started from the certified values, iterated until the largest relative step",
        f"# is below 1e-{TOL_EXP} (damped when a full step does not lower the RSS). Data read",
        "# from the reference .dat files as the decimals written; Nelson fits log(y).",
        "# sd = sqrt(diag((J'J)^-1) * RSS/(n-p)) at the solution, (J'J)^-1 = R^-1 R^-T.",
        f"# Values to {DIGITS} significant digits. Line format:",
        "#   <Name> <parameter> <value> <sd>",
        "#   <Name> rss <value>",
    ]
    mismatches = []
    worst_check = []
    for name in names:
        prob = read_dat(args.data / f"{name}.dat")
        t0 = time.time()
        b, sd, s, notes = solve(name, prob, args.dps, sys.stderr if args.verbose else None)
        mp.dps = args.dps
        print(f"{name:9s} n={len(prob['rows']):3d} p={len(b)}  {'; '.join(notes)}  "
              f"({time.time() - t0:.1f} s)", file=sys.stderr)
        lines.append(f"# {name}: n = {len(prob['rows'])}, p = {len(b)}; {'; '.join(notes)}")
        for (pn, cv, csd), v, e in zip(prob["params"], b, sd):
            lines.append(f"{name} {pn} {sig(v)} {sig(e)}")
            for what, val, text in ((pn, v, cv), (pn + " sd", e, csd)):
                ok, ours = matches_certified(val, text)
                if not ok:
                    mismatches.append(f"{name} {what}: certified {text}, ours {ours} "
                                      f"(LRE {mpmath.nstr(lre(val, text), 3)})")
        lines.append(f"{name} rss {sig(s)}")
        ok, ours = matches_certified(s, prob["rss"])
        if not ok:
            mismatches.append(f"{name} rss: certified {prob['rss']}, ours {ours} "
                              f"(LRE {mpmath.nstr(lre(s, prob['rss']), 3)})")
        if args.check:
            b2, sd2, s2, _ = solve(name, prob, args.dps + 30)
            mp.dps = args.dps + 30
            # The written values must be those of the finer solution rounded to
            # the same digits; also report how far apart the two unrounded are.
            pairs = list(zip(b + sd + [s], b2 + sd2 + [s2]))
            differ = sum(sig(x) != sig(y) for x, y in pairs)
            worst = min(agree_digits(x, y) for x, y in pairs)
            worst_check.append((name, worst, differ))
            print(f"          check at {args.dps + 30} digits: {differ} of {len(pairs)} written "
                  f"values differ; unrounded agree to {mpmath.nstr(worst, 4)} digits",
                  file=sys.stderr)
            mp.dps = args.dps
    if not args.problem or args.out != OUT:
        args.out.write_text("\n".join(lines) + "\n")
        print(f"wrote {args.out}", file=sys.stderr)
    if mismatches:
        print("Not matching the certified digits:", file=sys.stderr)
        for m in mismatches:
            print("  " + m, file=sys.stderr)
    else:
        print("All values, standard deviations and RSS match the certified digits.", file=sys.stderr)
    if worst_check:
        name, worst, _ = min(worst_check, key=lambda t: t[1])
        print(f"Fewest agreeing digits at the finer precision: {mpmath.nstr(worst, 4)} ({name}); "
              f"written values differing: {sum(t[2] for t in worst_check)}", file=sys.stderr)


if __name__ == "__main__":
    main()
