#include "engine/uncertainty.hpp"

#include <limits>
#include <string>
#include <vector>

#include "engine/data_point_partials.hpp"
#include "engine/eval_fit.hpp"
#include "engine/invert_independent.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

using Uncertainty = State::Uncertainty;

// A free parameter needs a non-zero, finite increment for its partials,
// unless they are the model's exact ones.
bool incrementsUsable(State& s, std::string& why) {
    if (s.JPARTIALS == 1) {
        return true;
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const PREC& pr = s.PR(kp);
        if (pr.OFFON != Quad{} && !(abs(pr.DELTA) > Quad{})) {
            why = "the increment Pr(" + std::to_string(kp) + ").Delta is not a non-zero number";
            return false;
        }
    }
    return true;
}

// A parameter whose partials add less than this part of their own size to
// the span of the others' (the pivot of the unit-diagonal matrix) is left
// out as dependent: the inverter's noise threshold on the same matrix.
const Quad kDependentPart{1e-20, 0.0};

// Whether the model does not use parameter kp at all: the error, to the
// last bit, stays what it is at the accepted values when kp alone takes
// the values 0, 1, -1 and twice its own plus 1. A parameter that has run
// off to a plateau (where its term underflows, say) changes the error at
// one of them; one the model never uses does not, and is only left out as
// dependent. Leaves P = PBASE and the records of EVALFIT as they were.
bool independentOfModel(State& s, int kp) {
    Quad base{};
    EVALFIT(s, base, 0);
    bool independent = true;
    const Quad value = s.PR(kp).PBASE;
    for (const Quad& probe : {Quad{}, fromInt(1), fromInt(-1), fromInt(2) * value + fromInt(1)}) {
        s.PR(kp).P = probe;
        Quad rss{};
        EVALFIT(s, rss, 0);
        if (!(rss.hi == base.hi && rss.lo == base.lo)) {
            independent = false;
            break;
        }
    }
    s.PR(kp).P = value;
    EVALFIT(s, base, 0);  // the evaluation's records (RMS, largest residual) of the accepted values again
    return independent;
}

// largest = v where v is larger, or not finite (a figure that is not finite
// must show, and the quad comparisons hold for infinities and NaN).
void keepLargest(Quad& largest, const Quad& v) {
    if (isFinite(largest) && (!isFinite(v) || v > largest)) {
        largest = v;
    }
}

// The figures of the convergence test (engine/verdict.hpp) from the
// partials at the accepted values: g = B'z, the diagonal of B'B, and BTB
// holding the inverse over the parameters used.
void convergenceFigures(State& s, const std::vector<Quad>& g, const std::vector<Quad>& diagonal) {
    Uncertainty& u = s.uncertainty;
    u.gradientCosine = Quad{};
    u.predictedDecrease = Quad{};
    u.largestRelativeStep = Quad{};
    u.withoutPartials.clear();
    if (!(u.chiSquare > Quad{})) {
        return;  // no residual left: nothing to decrease
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const Quad d = diagonal[static_cast<std::size_t>(kp - 1)];
        if (!u.parameters(kp).held && d == Quad{} && !independentOfModel(s, kp)) {
            u.withoutPartials.push_back(kp);
        }
        if (d > Quad{}) {
            keepLargest(u.gradientCosine, abs(g[static_cast<std::size_t>(kp - 1)]) / sqrt(d * u.chiSquare));
        }
    }
    // The Gauss-Newton step h = inverse(B'B) g over the parameters used, and
    // the decrease of chi-square the linear model predicts for it, g'h.
    Quad predicted{};
    for (const int i : u.used) {
        Quad h{};
        for (const int j : u.used) {
            h = h + s.BTB(i, j) * g[static_cast<std::size_t>(j - 1)];
        }
        predicted = predicted + g[static_cast<std::size_t>(i - 1)] * h;
        const Quad value = abs(s.PR(i).PBASE);
        if (value > Quad{}) {
            keepLargest(u.largestRelativeStep, abs(h) / value);
        } else if (h != Quad{}) {
            keepLargest(u.largestRelativeStep, Quad{std::numeric_limits<double>::infinity(), 0.0});
        }
    }
    u.predictedDecrease = predicted / u.chiSquare;
}

std::optional<Quad> rootOf(const Quad& v) {
    if (!isFinite(v) || v < Quad{}) {
        return std::nullopt;
    }
    return sqrt(v);
}

}  // namespace

void computeUncertainty(State& s) {
    Uncertainty& u = s.uncertainty;
    u = Uncertainty{};
    u.parameters.allocate(1, s.KPTOT, Uncertainty::Parameter{});
    u.residuals = static_cast<std::int64_t>(s.MDTOT) * s.LZTOT;
    u.chiSquare = fromInt(s.MDTOT) * s.RSS * s.RSS;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        u.parameters(kp).held = s.PR(kp).OFFON == Quad{};
    }

    // The increments of the iterations; a positive run-wide DELTA is copied
    // in as at the top of every iteration.
    if (s.DELTA > Quad{}) {
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PR(kp).DELTA = s.DELTA;
        }
    }
    if (!incrementsUsable(s, u.notComputed)) {
        return;
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    // The normal equations at the accepted values, and on the way the sums
    // of the squared residuals, weighted (chi-square, summed directly
    // rather than from the rounded RSS) and unweighted (Z / WT).
    const NormalSums sums = formNormalEquations(s, PartialsUse::Plain);
    u.chiSquare = sums.chiSquare;
    if (sums.weightsUsable) {
        u.residualSumOfSquares = sums.unweighted;
    }
    // What the convergence test needs of the normal equations before the
    // matrix is replaced by its inverse: g = B'z and the diagonal of B'B.
    std::vector<Quad> g(static_cast<std::size_t>(s.KPTOT)), diagonal(g.size());
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        g[static_cast<std::size_t>(kp - 1)] = s.BTZ(kp);
        diagonal[static_cast<std::size_t>(kp - 1)] = s.BTB(kp, kp);
    }

    normalizeNormalEquations(s, PartialsUse::Plain);
    Array1<std::int32_t> used(1, s.KPTOT);
    s.IRANK = invertIndependentBlock(s.KPTOT, s.BTB, used, kDependentPart);
    denormalizeNormalEquations(s);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).INVERTED = used(kp);
        if (used(kp) == 1) {
            u.used.push_back(kp);
        } else if (!u.parameters(kp).held) {
            u.parameters(kp).dependent = true;
        }
    }
    u.parametersUsed = static_cast<std::int32_t>(u.used.size());
    u.degreesOfFreedom = u.residuals - u.parametersUsed;
    if (u.degreesOfFreedom > 0) {
        u.reducedChiSquare = u.chiSquare / fromInt64(u.degreesOfFreedom);
    }
    for (const int kp : u.used) {
        Uncertainty::Parameter& p = u.parameters(kp);
        p.standardErrorUnscaled = rootOf(s.BTB(kp, kp));
        if (u.reducedChiSquare) {
            p.standardError = rootOf(s.BTB(kp, kp) * *u.reducedChiSquare);
        }
    }
    for (const int i : u.used) {
        std::vector<Quad> row;
        for (const int j : u.used) {
            row.push_back(i == j ? Quad{1.0, 0.0} : s.BTB(i, j) / sqrt(s.BTB(i, i) * s.BTB(j, j)));
        }
        u.correlation.push_back(std::move(row));
    }
    convergenceFigures(s, g, diagonal);
    u.computed = true;
}

void writeUncertaintyReport(State& s, int IP) {
    const Uncertainty& u = s.uncertainty;
    if (IP <= 5) {
        return;
    }
    if (!u.computed) {
        write(s, IP, "(/'Uncertainties of the accepted values: not computed; ',a,'.')", u.notComputed);
        return;
    }
    write(s, IP, "(/'Uncertainties of the accepted values:')");
    write(s, IP, "(1x,'Residuals N =',i10,',  parameters used p =',i5,',  degrees of freedom N-p =',i10)",
          u.residuals, u.parametersUsed, u.degreesOfFreedom);
    FLOATWRITE(u.chiSquare, s.CFLOAT40);
    write(s, IP, "(1x,'Chi-square         =',a40)", s.CFLOAT40);
    if (u.reducedChiSquare) {
        FLOATWRITE(*u.reducedChiSquare, s.CFLOAT40);
        write(s, IP, "(1x,'Reduced chi-square =',a40)", s.CFLOAT40);
    } else {
        write(s, IP, "(1x,'Reduced chi-square =   none: no degrees of freedom are left')");
    }

    write(s, IP, "(2x,'Kp#',36x,'Value',5x,'Std.error',5x,'Std.error')");
    write(s, IP, "(52x,'(scaled)',4x,'(unscaled)')");
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const Uncertainty::Parameter& p = u.parameters(kp);
        FLOATWRITE(s.PR(kp).PBASE, s.CFLOAT40);
        write(s, IP, "(1x,i4,' ',a40,\\)", kp, s.CFLOAT40);
        if (p.held) {
            write(s, IP, "('    held: not fitted',8x,\\)");
        } else if (p.dependent) {
            write(s, IP, "('   dependent: left out',6x,\\)");
        } else {
            if (p.standardError) {
                write(s, IP, "(e14.6,\\)", *p.standardError);
            } else {
                write(s, IP, "(10x,'none',\\)");
            }
            if (p.standardErrorUnscaled) {
                write(s, IP, "(e14.6,\\)", *p.standardErrorUnscaled);
            } else {
                write(s, IP, "(10x,'none',\\)");
            }
        }
        write(s, IP, "(2x,16a1)", s.PR(kp).PNAME.chars());
    }
    write(s, IP,
          "(1x,'Scaled: times sqrt(chi-square/(N-p)), for relative weights. Unscaled: for weights 1/sigma of "
          "known errors.')");

    if (u.used.empty()) {
        return;
    }
    write(s, IP, "(/1x,'Correlations of the parameters used:')");
    write(s, IP, "(6x,\\)");
    for (const int kp : u.used) {
        write(s, IP, "(i10,\\)", kp);
    }
    write(s, IP, "('')");
    for (std::size_t i = 0; i < u.used.size(); ++i) {
        write(s, IP, "(1x,i4,1x,\\)", u.used[i]);
        for (const Quad& c : u.correlation[i]) {
            write(s, IP, "(f10.6,\\)", c);
        }
        write(s, IP, "('')");
    }
}

}  // namespace quorl
