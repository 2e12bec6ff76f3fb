#include "engine/select_step_mult.hpp"

#include <array>
#include <cmath>

#include "engine/eval_fit.hpp"
#include "io/format.hpp"
#include "quad/decimal.hpp"
#include "text/float_write.hpp"
#include "text/om.hpp"

namespace quorl {

namespace {

using Search = State::SelectStepMult;

constexpr int kNegativeProbe = 1;
constexpr int kUnchanged = 2;
constexpr int kFirstStep = 3;

struct Constants {
    // The fixed trial multipliers: the negative probe, the cluster at 0, the
    // tenths, the cluster at 1 and one step past it.
    std::array<Quad, 17> ladder{
        quadFromText("-0.1"),  Quad{},               quadFromText("0.001"), quadFromText("0.002"),
        quadFromText("0.1"),   quadFromText("0.2"),  quadFromText("0.3"),   quadFromText("0.4"),
        quadFromText("0.5"),   quadFromText("0.6"),  quadFromText("0.7"),   quadFromText("0.8"),
        quadFromText("0.9"),   quadFromText("1.0"),  quadFromText("1.001"), quadFromText("1.002"),
        quadFromText("1.1")};
    // Below these a polynomial counts as having no quadratic, or no linear,
    // part: single-precision constants widened.
    Quad flatA = fromFloat(1e-28f);
    Quad flatB = fromFloat(1e-18f);
    Quad lowest = fromInt(-2);
    Quad highest = fromInt(2);
};
const Constants& searchConstants() {
    static const Constants c;
    return c;
}

Quad q(std::int32_t n) { return fromInt(n); }

// The trial point of slot i: a ladder multiplier is divided by DELTA, a
// candidate multiplied by it. The chosen point is applied through this same
// expression, so the parameters taken are bit for bit those whose error won.
// Multiplier 0 is the accepted point itself, even when a step component is
// not finite (0 times NaN would otherwise move it to NaN).
Quad trialValue(const PREC& pr, const Search& w, int i) {
    if (w.X(i) == Quad{}) {
        return pr.PBASE;
    }
    if (i <= w.NX0) {
        return pr.PBASE + w.X(i) * pr.PSTEP(4, 1) / w.DELTA;
    }
    return pr.PBASE + w.X(i) * pr.PSTEP(4, 1) * w.DELTA;
}

// Sets every parameter to the trial point of slot i.
void setTrial(State& s, int i) {
    const Search& w = s.selectStepMult;
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        PREC& pr = s.PR(s.KP);
        pr.P = trialValue(pr, w, i);
    }
}

// Steps 3 to 5: the exact parabolas through three points 0.001 apart,
// 500000 = 1/(2*0.001**2), 1500 = 3/(2*0.001), 2000 = 4/(2*0.001),
// 500 = 1/(2*0.001); the one at 1 is shifted to absolute multiplier units.
void fitParabolas(Search& w) {
    w.C(1, 0) = q(500000) * w.Z(2) - q(1000000) * w.Z(3) + q(500000) * w.Z(4);
    w.C(2, 0) = -q(1500) * w.Z(2) + q(2000) * w.Z(3) - q(500) * w.Z(4);
    w.C(3, 0) = w.Z(2);

    w.C(1, 1) = q(500000) * w.Z(14) - q(1000000) * w.Z(15) + q(500000) * w.Z(16);
    w.C(2, 1) = -q(1001500) * w.Z(14) + q(2002000) * w.Z(15) - q(1000500) * w.Z(16);
    w.C(3, 1) = q(501501) * w.Z(14) - q(1002000) * w.Z(15) + q(500500) * w.Z(16);

    for (int m = 1; m <= 3; ++m) {
        w.C(m, 2) = w.C(m, 1) - w.C(m, 0);
    }
}

void writeCoefficients(State& s, int IP) {
    Search& w = s.selectStepMult;
    write(s, IP, "(5x,'A',23x,'B',23x,'C')");
    write(s, IP, "(3e24.15\\)", w.C(1, 0), w.C(2, 0), w.C(3, 0));
    write(s, IP, "(' @0.')");
    write(s, IP, "(3e24.15\\)", w.C(1, 1), w.C(2, 1), w.C(3, 1));
    write(s, IP, "(' @1.')");
    write(s, IP, "(3e24.15\\)", w.C(1, 2), w.C(2, 2), w.C(3, 2));
    write(s, IP, "(' dif')");
}

// Step 7: for each polynomial its roots and vertex, or, when it has no
// quadratic part to speak of, half the crossing of its linear part.
void findCandidates(Search& w) {
    const Constants& c = searchConstants();
    for (w.IQ = 0; w.IQ <= 2; ++w.IQ) {
        w.NX = 17 + 4 * w.IQ;
        const Quad a = w.C(1, w.IQ);
        const Quad b = w.C(2, w.IQ);
        const Quad cc = w.C(3, w.IQ);
        if (abs(a) > c.flatA) {
            w.DISCRIM = b * b - q(4) * a * cc;
            if (w.DISCRIM >= Quad{}) {
                w.X(w.NX + 1) = (-b - sqrt(w.DISCRIM)) / (q(2) * a);
                w.X(w.NX + 3) = (-b + sqrt(w.DISCRIM)) / (q(2) * a);
            }
            if (a != Quad{}) {
                w.X(w.NX + 2) = -(b / (q(2) * a));
            }
        } else if (abs(b) > c.flatB) {
            w.X(w.NX + 4) = -(cc / (q(2) * b));
        }
    }
}

// Step 8: where the tangents at multipliers 0 and 1 meet, and where the
// chord between those two points crosses zero.
void tangentsAndChord(Search& w) {
    w.X0 = w.X(2);
    w.Z0 = w.Z(2);
    w.S0 = w.C(2, 0);
    w.B0 = w.Z0 - w.X0 * w.S0;
    w.X1 = w.X(14);
    w.Z1 = w.Z(14);
    w.S1 = q(2) * w.C(1, 1) + w.C(2, 1);
    w.B1 = w.Z1 - w.X1 * w.S1;
    w.S2 = w.Z1 - w.Z0;
    if (w.S1 - w.S0 != Quad{}) {
        w.X(30) = (w.B0 - w.B1) / (w.S1 - w.S0);
    }
    if (w.S2 != Quad{}) {
        w.X(31) = -(w.Z0 / w.S2);
    }
}

// The heading printed after a row of the table, naming the slots below it.
const char* labelAfterRow(int i) {
    switch (i) {
        case 17: return "M=0. Poly";
        case 21: return "M=1. Poly";
        case 25: return "Diff.Poly";
        case 29: return "V Intersect";
        case 30: return "0.Intersect";
        case 31: return "Using:";
        default: return nullptr;
    }
}

// Steps 9 and 10: clamp every multiplier, evaluate every candidate that was
// produced, and with IP above 5 list the whole table.
void evaluateCandidates(State& s, int IP) {
    Search& w = s.selectStepMult;
    const Constants& c = searchConstants();
    if (IP > 5) {
        write(s, IP, "(' #',5x,'Xnom',3x,'X(#)used',11x,'om',8x,'Z(#)error')");
    }
    for (int i = 1; i <= w.NXT; ++i) {
        if (IP > 5) {
            write(s, IP, "(i2,1x,f8.3\\)", i, w.X(i));
        }
        // A non-finite multiplier passes the less-than test and lands at -2.
        if (w.X(i) < c.lowest) {
            w.X(i) = c.lowest;
        }
        if (w.X(i) > c.highest) {
            w.X(i) = c.highest;
        }
        if (IP > 5) {
            write(s, IP, "(f19.15\\)", w.X(i));
        }
        // Candidates sit at DELTA times their multiplier, where the ladder
        // was divided by DELTA.
        if (i > w.NX0 && w.X(i) != Quad{}) {
            setTrial(s, i);
            EVALFIT(s, w.Z(i), 0);
        }
        if (IP > 5) {
            write(s, IP, "(a9\\)", OM(w.Z(i), s.RSSBASE));
            FLOATWRITE(w.Z(i), s.CFLOAT40);
            write(s, IP, "(a40)", s.CFLOAT40);
            if (const char* label = labelAfterRow(i)) {
                s.units.put(IP, io::formatFreeOf(label));
            }
        }
    }
}

// Step 11: the lowest error by a strict comparison, starting from the
// unchanged point; slots never filled (multiplier 0) do not compete, and
// neither does a point whose error is not finite: the quad less-than holds
// for NaN and infinity, so without that test such a point would win.
void selectBest(Search& w) {
    w.K = kUnchanged;
    for (int i = 1; i <= w.NXT; ++i) {
        if (i == kUnchanged) {
            continue;
        }
        if (w.X(i) != Quad{} && isFinite(w.Z(i)) && w.Z(i) < w.Z(w.K)) {
            w.K = i;
        }
    }
}

// Whether the error at any trial of the pass was not finite.
bool anyTrialNotFinite(const Search& w) {
    for (int i = 1; i <= w.NXT; ++i) {
        if (i != kUnchanged && (i <= w.NX0 || w.X(i) != Quad{}) && !isFinite(w.Z(i))) {
            return true;
        }
    }
    return false;
}

// The new values: PNEW = P, and the step taken is the selected step times
// the multiplier applied.
void takeStep(State& s) {
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        PREC& pr = s.PR(s.KP);
        pr.PSTEP(4, 2) = pr.PSTEP(4, 1) * s.STEPMULT;
        pr.PNEW = pr.P;
    }
}

// Steps 12 to 14: apply the chosen point where it was evaluated and
// evaluate there again. STEPMULT is the multiplier applied along
// PSTEP(4,1): X(K) divided by DELTA for a ladder point, times DELTA for a
// candidate (in the first pass, DELTA = 1, simply X(K)).
void applyChoice(State& s, int IP) {
    Search& w = s.selectStepMult;
    s.STEPMULT = w.K <= w.NX0 ? w.X(w.K) / w.DELTA : w.X(w.K) * w.DELTA;
    if (w.K == kUnchanged) {
        s.JDONE = 1;
    }
    setTrial(s, w.K);
    if (IP > 5) {
        FLOATWRITE(w.Z(w.K), s.CFLOAT40);
        write(s, IP, "(i2,9x,f19.15,a9,a40)", w.K, w.X(w.K), OM(w.Z(w.K), s.RSSBASE), s.CFLOAT40);
    }
    EVALFIT(s, s.RSS, 0);
    s.OMJ = OM(w.Z(w.K), s.RSSBASE);
    takeStep(s);
}

void reportNotFound(State& s, int IP) {
    if (IP > 5) {
        write(s, IP, "(1x/1x,'lower value of error not found.')");
    }
}

// No pass may run (JMINTOT below 1): the outcome of a search in which
// nothing beat the unchanged parameters, multiplier 0 with JDONE = 1,
// rather than whatever PNEW held before.
void keepUnchanged(State& s, int IP) {
    s.JMIN = 1;
    s.STEPMULT = Quad{};
    s.JDONE = 1;
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        PREC& pr = s.PR(s.KP);
        pr.P = pr.PBASE;
    }
    EVALFIT(s, s.RSS, 0);
    s.OMJ = OM(s.RSS, s.RSSBASE);
    takeStep(s);
    reportNotFound(s, IP);
}

// One pass of the search; true when it ends the search (its best point is
// not the negative probe).
bool searchPass(State& s, int IP) {
    Search& w = s.selectStepMult;
    w.DELTA = Quad{std::ldexp(1.0, s.JMIN - 1), 0.0};
    if (IP > 0) {
        write(s, IP, "(/'SelectStepMult minimization pass',i3,':')", s.JMIN);
    }
    s.JDONE = 0;
    for (int i = w.NX0 + 1; i <= 32; ++i) {
        w.X(i) = Quad{};
    }
    w.Z.fill(Quad{});
    w.C.fill(Quad{});

    // The fixed ladder, each multiplier divided by DELTA.
    for (int i = 1; i <= w.NX0; ++i) {
        setTrial(s, i);
        EVALFIT(s, w.Z(i), 0);
    }

    fitParabolas(w);
    if (IP > 5) {
        writeCoefficients(s, IP);
    }
    findCandidates(w);
    tangentsAndChord(w);
    evaluateCandidates(s, IP);
    selectBest(w);
    applyChoice(s, IP);

    // Multiplier 0.001 is no real progress either.
    if (w.K == kFirstStep) {
        s.JDONE = 1;
    }
    // A step that reaches where the model is not defined (only non-finite
    // errors beyond some multiplier) says nothing about the error along it:
    // the search goes on with shorter trials, as after the negative probe,
    // instead of ending the fit where it stands.
    if (w.K == kUnchanged && anyTrialNotFinite(w)) {
        return false;
    }
    return w.K > kNegativeProbe;
}

}  // namespace

void SELECTSTEPMULT(State& s, int IP) {
    Search& w = s.selectStepMult;
    const Constants& c = searchConstants();
    for (int i = 1; i <= 17; ++i) {
        w.X(i) = c.ladder[static_cast<std::size_t>(i - 1)];
    }
    w.NX0 = 17;
    w.NXT = 31;
    if (s.JMINTOT < 1) {
        keepUnchanged(s, IP);
        return;
    }
    for (s.JMIN = 1; s.JMIN <= s.JMINTOT; ++s.JMIN) {
        if (searchPass(s, IP)) {
            return;
        }
    }
    // Every pass chose the negative probe: the parameters stay at the probe
    // of the last pass, and JMIN is one past the pass limit.
    s.JMIN = s.JMINTOT + 1;
    reportNotFound(s, IP);
}

}  // namespace quorl
