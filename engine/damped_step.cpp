#include "engine/damped_step.hpp"

#include <utility>
#include <vector>

#include "engine/eval_fit.hpp"
#include "engine/invert.hpp"
#include "quad/decimal.hpp"
#include "text/float_write.hpp"
#include "text/om.hpp"

namespace quorl {

namespace {

using Damped = State::DampedStep;
using Vector = std::vector<Quad>;

constexpr int kSearchLimit = 400;  // steps of the search for lambda

struct Constants {
    Quad half{0.5, 0.0};
    Quad quarter{0.25, 0.0};
    Quad twice{2.0, 0.0};
    Quad poor{0.25, 0.0};            // a gain ratio below this shrinks the radius
    Quad good{0.75, 0.0};            // above this it may grow
    Quad tolerance = quadFromText("0.1");  // of the step's length against the radius
    Quad smallestLambda = quadFromText("1e-30");
    Quad closed = quadFromText("1.000001");  // a bracket of lambda this narrow has closed
    Quad resolution{0x1p-104, 0.0};  // a unit in the 104th bit
    // A Gauss-Newton step whose predicted decrease of sum(z**2)/2 is below
    // this part of it is taken unless the error rises by more than
    // roundingRise of itself, which its rounding cannot explain.
    Quad polishable{1e-20, 0.0};
    Quad roundingRise{1e-24, 0.0};
    Quad shrinking{0.9, 0.0};  // a step near the minimum must be this much shorter than the last
};
const Constants& dampingConstants() {
    static const Constants c;
    return c;
}

Quad at(const Vector& v, int kp) { return v[static_cast<std::size_t>(kp - 1)]; }
Quad& at(Vector& v, int kp) { return v[static_cast<std::size_t>(kp - 1)]; }

bool used(State& s, int kp) { return s.PR(kp).INVERTED == 1; }

// The weight of the damping on parameter kp's normalised diagonal: the
// square of its largest norm so far over its norm now. A parameter whose
// partials fade (it runs off to where the model no longer depends on it)
// keeps the damping it had, instead of losing it with its norm.
Quad damping(State& s, int kp) {
    const Quad r = s.dampedStep.scaleMax(kp) / s.PR(kp).BTBNORM;
    return r * r;
}

// The inverse of N + lambda W over the parameters used (zero rows and
// columns for the others), by the inverter of the normal equations.
Array2<Quad> dampedInverse(State& s) {
    const Damped& d = s.dampedStep;
    const int n = s.KPTOT;
    Array2<Quad> a(1, n, 1, n);
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) {
            if (used(s, i) && used(s, j)) {
                a(i, j) = d.normalized(i, j);
            }
        }
        if (used(s, j)) {
            a(j, j) = a(j, j) + d.lambda * damping(s, j);
        }
    }
    Quad valmin{}, detn{};
    std::int32_t rank = 0;
    Array1<std::int32_t> usedFlags(1, n);
    INVERT(s.units, n, a, valmin, rank, detn, usedFlags, 0);
    return a;
}

Vector times(State& s, const Array2<Quad>& a, const Vector& x) {
    Vector y(x.size());
    for (int i = 1; i <= s.KPTOT; ++i) {
        Quad sum{};
        for (int j = 1; j <= s.KPTOT; ++j) {
            sum = sum + a(i, j) * at(x, j);
        }
        at(y, i) = sum;
    }
    return y;
}

// The normalised right-hand side D^-1 B'w over the parameters used.
Vector normalizedOver(State& s, const Vector& bw) {
    Vector g(bw.size());
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        at(g, kp) = used(s, kp) ? at(bw, kp) / s.PR(kp).BTBNORM : Quad{};
    }
    return g;
}

// h = D^-1 y over the parameters used; P = PBASE + h. True when the trial
// moves any parameter.
bool setTrial(State& s, const Vector& y) {
    bool moves = false;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        PREC& pr = s.PR(kp);
        pr.PSTEP(4, 1) = used(s, kp) ? at(y, kp) / pr.BTBNORM : Quad{};
        pr.P = used(s, kp) ? pr.PBASE + pr.PSTEP(4, 1) : pr.PBASE;
        moves = moves || pr.P != pr.PBASE;
    }
    return moves;
}

// Every accepted change below a unit in the 104th bit of its value.
bool belowResolution(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const PREC& pr = s.PR(kp);
        if (abs(pr.P - pr.PBASE) > dampingConstants().resolution * abs(pr.PBASE)) {
            return false;
        }
    }
    return true;
}

// |W^(1/2) y|: the length of the step h = D^-1 y in the monotone scale.
Quad scaledLength(State& s, const Vector& y) {
    Quad sum{};
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const Quad w = at(y, kp) * s.dampedStep.scaleMax(kp) / s.PR(kp).BTBNORM;
        sum = sum + w * w;
    }
    return sqrt(sum);
}

// The step y(lambda) for the given damping.
Vector stepFor(State& s, const Vector& g, const Quad& lambda) {
    s.dampedStep.lambda = lambda;
    return times(s, dampedInverse(s), g);
}

// The step within the trust region: the Gauss-Newton step (lambda = 0)
// when it fits, else the step whose length is within 10% of the radius.
// The length falls as lambda grows: lambda is first raised by decades from
// where the last search ended until the step fits, then bisected in
// log lambda between a damping whose step is too long and one whose step
// is too short. Leaves s.dampedStep.lambda at the damping of the step.
Vector stepWithin(State& s, const Vector& g, const Quad& radius) {
    Damped& d = s.dampedStep;
    const Constants& c = dampingConstants();
    const Quad upper = radius * (fromInt(1) + c.tolerance);
    const Quad lower = radius * (fromInt(1) - c.tolerance);
    Vector y = stepFor(s, g, Quad{});
    Quad length = scaledLength(s, y);
    if (!(length > upper)) {
        return y;
    }
    Quad lo{};  // its step is too long (0: the Gauss-Newton step)
    Quad hi = d.lambdaLast > c.smallestLambda ? d.lambdaLast : c.smallestLambda;
    y = stepFor(s, g, hi);
    length = scaledLength(s, y);
    for (int i = 0; i < kSearchLimit && length > upper; ++i) {
        lo = hi;
        hi = hi * fromInt(10);
        y = stepFor(s, g, hi);
        length = scaledLength(s, y);
    }
    for (int i = 0; i < kSearchLimit && length < lower; ++i) {
        if (lo != Quad{} && !(hi > lo * c.closed)) {
            break;
        }
        const Quad mid = lo == Quad{} ? hi / fromInt(10) : sqrt(lo * hi);
        Vector ym = stepFor(s, g, mid);
        const Quad lm = scaledLength(s, ym);
        if (lm > upper) {
            lo = mid;
        } else {
            hi = mid;
            y = std::move(ym);
            length = lm;
        }
    }
    d.lambda = hi;
    d.lambdaLast = hi;
    return y;
}

}  // namespace

void takeDampedStep(State& s, int IP) {
    Damped& d = s.dampedStep;
    const Constants& c = dampingConstants();
    if (d.scaleMax.size() != static_cast<std::size_t>(s.KPTOT)) {
        d.scaleMax.allocate(1, s.KPTOT, Quad{});
        d.radius = Quad{};
        d.lastPolishLength = Quad{};
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        if (used(s, kp) && s.PR(kp).BTBNORM > d.scaleMax(kp)) {
            d.scaleMax(kp) = s.PR(kp).BTBNORM;
        }
    }
    if (d.radius == Quad{}) {
        // The first radius: the length of the accepted values themselves
        // in the same scale (1 when they are all 0).
        Quad sum{};
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            if (used(s, kp)) {
                const Quad w = d.scaleMax(kp) * s.PR(kp).PBASE;
                sum = sum + w * w;
            }
        }
        d.radius = sum > Quad{} ? sqrt(sum) : fromInt(1);
    }
    const Quad radiusBefore = d.radius;
    const Quad f0 = c.half * fromInt(s.MDTOT) * s.RSSBASE * s.RSSBASE;  // sum(z**2)/2
    Vector bz(static_cast<std::size_t>(s.KPTOT));
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        at(bz, kp) = s.BTZ(kp);
    }
    const Vector g = normalizedOver(s, bz);

    if (IP > 5) {
        write(s, IP, "(/'Damped step: trials on the same partials')");
        write(s, IP, "(' #',8x,'radius',12x,'lambda',11x,'om',8x,'RSS')");
    }
    d.retries = 0;
    d.polished = false;
    bool accepted = false;
    for (;;) {
        const Vector y = stepWithin(s, g, d.radius);
        const Quad length = scaledLength(s, y);
        const bool moves = setTrial(s, y);
        Quad rss{};
        EVALFIT(s, rss, 0);
        if (IP > 5) {
            FLOATWRITE(rss, s.CFLOAT40);
            write(s, IP, "(i2,2e18.8,1x,a9,a40)", d.retries, d.radius, d.lambda, OM(rss, s.RSSBASE), s.CFLOAT40);
        }
        const Quad f1 = c.half * fromInt(s.MDTOT) * rss * rss;
        // The decrease the linear model predicts: y'(lambda W y + g) / 2.
        Quad predicted{};
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            predicted = predicted + at(y, kp) * (d.lambda * damping(s, kp) * at(y, kp) + at(g, kp));
        }
        predicted = c.half * predicted;
        d.gainRatio = (f0 - f1) / predicted;
        // Near the minimum the decrease a Gauss-Newton step brings falls
        // below what the error's own rounding resolves, and comparing errors
        // can no longer tell a better point from a worse one (nor is the
        // gain ratio more than rounding noise). Gauss-Newton steps are then
        // taken on the linear model's word, as long as the error does not
        // measurably rise, the radius left as it is, and they go on while
        // each is shorter than the one before: with exact partials they
        // carry the values from the square root of the quad precision,
        // where comparisons of the error stop, to the precision of the
        // partials. The first that is not shorter is the last.
        const bool nearMinimum = d.lambda == Quad{} && !(predicted > c.polishable * f0);
        const bool polish = nearMinimum && isFinite(rss) && !(f1 > f0 + c.roundingRise * f0);
        if (moves && isFinite(rss) && (f1 < f0 || polish)) {
            s.RSS = rss;
            if (nearMinimum) {
                d.polished = d.lastPolishLength != Quad{} && !(length < c.shrinking * d.lastPolishLength);
                d.lastPolishLength = length;
            } else {
                d.lastPolishLength = Quad{};
                if (d.gainRatio < c.poor) {
                    d.radius = c.half * length;
                } else if (d.gainRatio > c.good || d.lambda == Quad{}) {
                    d.radius = c.twice * length > d.radius ? c.twice * length : d.radius;
                }
            }
            accepted = true;
            break;
        }
        if (!moves || d.retries >= kMaxRetries) {
            break;
        }
        ++d.retries;
        d.radius = c.quarter * (length < d.radius ? length : d.radius);
    }

    s.JDONE = 0;
    if (accepted) {
        s.STEPMULT = fromInt(1);
        if (belowResolution(s) || s.RSS == Quad{} || d.polished) {
            s.JDONE = 1;
        }
    } else {
        // No step within any radius lowers the error: the accepted values stay.
        s.STEPMULT = Quad{};
        s.JDONE = 1;
        d.radius = radiusBefore;
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PR(kp).P = s.PR(kp).PBASE;
        }
        EVALFIT(s, s.RSS, 0);
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        PREC& pr = s.PR(kp);
        pr.PSTEP(4, 2) = pr.PSTEP(4, 1) * s.STEPMULT;
        pr.PNEW = pr.P;
    }
    s.OMJ = OM(s.RSS, s.RSSBASE);
}

}  // namespace quorl
