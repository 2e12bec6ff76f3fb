#include "engine/damped_step.hpp"


#include <utility>
#include <vector>

#include "engine/eval_fit.hpp"
#include "engine/trust_region_step.hpp"
#include "quad/decimal.hpp"
#include "text/float_write.hpp"
#include "text/om.hpp"

namespace quorl {

namespace {

using Damped = State::DampedStep;
using Vector = std::vector<Quad>;

struct Constants {
    Quad half{0.5, 0.0};
    Quad tenth{0.1, 0.0};
    Quad poor{0.25, 0.0};            // up to this the radius shrinks
    Quad good{0.75, 0.0};            // from this on it grows
    Quad resolution{0x1p-104, 0.0};  // a unit in the 104th bit
    // A Gauss-Newton step whose predicted decrease of sum(z**2)/2 is below
    // this part of it is taken unless the error rises by more than its
    // rounding could make it (roundingMargin times the estimate of the
    // partials pass: 1e-31 of the error for residuals of 1e-3 of the data,
    // 1e-19 for residuals of 1e-13).
    Quad polishable{1e-20, 0.0};
    Quad roundingMargin{16.0, 0.0};
    Quad shrinking{0.9, 0.0};  // a step near the minimum must be this much shorter than the last
};
const Constants& dampingConstants() {
    static const Constants c;
    return c;
}

std::size_t ix(int i) { return static_cast<std::size_t>(i - 1); }


// The free parameters: every one not held. A parameter without partials
// just now takes part too; its step is 0 (its right-hand side is 0) and
// the damping keeps its row regular.
std::vector<int> freeParameters(State& s) {
    std::vector<int> free;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        if (s.PR(kp).OFFON != Quad{}) {
            free.push_back(kp);
        }
    }
    return free;
}

// Whether parameter kp has partials in this iteration: its normalised
// diagonal is 1 (0 for a column of zeros).
bool hasPartials(State& s, int kp) { return s.dampedStep.normalized(kp, kp) > Quad{0.5, 0.0}; }

// The weight of the damping on parameter kp's normalised diagonal, W =
// (M / D)**2: M the largest norm its partials have had in the run, D their
// norm now (Moré's scaling). For partials that keep their size W is 1 and
// the damping is scale-free on the unit diagonal; a parameter whose
// partials fade (it runs off to where the model no longer depends on it)
// keeps the damping it had instead of losing it with its norm; one that
// has never had partials has weight 1.
Quad damping(State& s, int kp) {
    const Quad m = s.dampedStep.scaleMax(kp);
    if (m == Quad{}) {
        return Quad{1.0, 0.0};
    }
    const Quad r = m / s.PR(kp).BTBNORM;
    return r * r;
}

// y over the free parameters to h = D^-1 y: P = PBASE + h. True when the
// trial moves any parameter.
bool setTrial(State& s, const std::vector<int>& free, const Vector& y) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).PSTEP(4, 1) = Quad{};
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    bool moves = false;
    for (std::size_t k = 0; k < free.size(); ++k) {
        PREC& pr = s.PR(free[k]);
        pr.PSTEP(4, 1) = y[k] / pr.BTBNORM;
        pr.P = pr.PBASE + pr.PSTEP(4, 1);
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

// The radius after a trial with gain ratio rho, Moré's rules: a poor one
// (rho <= 0.25) shrinks it by a factor from 0.1 to 0.5, the smaller the
// worse the trial did against the decrease the model promised (the
// minimum of the parabola through the error along the step); a good one
// (rho >= 0.75), or a Gauss-Newton step, lets it grow to twice the step.
// lambda follows inversely, as the next search's start.
void updateRadius(Damped& d, const TrustRegionStep& t, const Quad& f0, const Quad& f1, const Quad& rho) {
    const Constants& c = dampingConstants();
    if (!(rho > c.poor)) {
        // Relative to f0: the actual decrease, and the directional
        // derivative of the error along the step, -(y'Ny + lambda y'Wy).
        const Quad actual = (f0 - f1) / f0;
        const Quad directional = -(t.yNy + t.lambda * t.yWy) / (f0 + f0);
        Quad factor = c.half;
        if (actual < Quad{}) {
            factor = c.half * directional / (directional + c.half * actual);
        }
        if (!(factor >= c.tenth) || !(f1 < fromInt(100) * f0)) {
            factor = c.tenth;
        }
        const Quad reach = t.length / c.tenth;
        d.radius = factor * (d.radius < reach ? d.radius : reach);
        d.lambda = t.lambda / factor;
    } else if (t.lambda == Quad{} || !(rho < c.good)) {
        d.radius = t.length / c.half;
        d.lambda = c.half * t.lambda;
    }
}

}  // namespace

void takeDampedStep(State& s, int IP) {
    Damped& d = s.dampedStep;
    const Constants& c = dampingConstants();
    if (d.scaleMax.size() != static_cast<std::size_t>(s.KPTOT)) {
        d.scaleMax.allocate(1, s.KPTOT, Quad{});
        d.radius = Quad{};
        d.lambda = Quad{};
        d.lastPolishLength = Quad{};
    }
    const std::vector<int> free = freeParameters(s);
    for (const int kp : free) {
        if (hasPartials(s, kp) && s.PR(kp).BTBNORM > d.scaleMax(kp)) {
            d.scaleMax(kp) = s.PR(kp).BTBNORM;
        }
    }
    // The problem over the free parameters, in the scale of the unit
    // diagonal: N, g = D^-1 B'z and the weights of the damping.
    const int m = static_cast<int>(free.size());
    Array2<Quad> N(1, m, 1, m);
    Vector g(free.size()), w(free.size());
    for (int j = 1; j <= m; ++j) {
        for (int i = 1; i <= m; ++i) {
            N(i, j) = d.normalized(free[ix(i)], free[ix(j)]);
        }
        g[ix(j)] = s.BTZ(free[ix(j)]) / s.PR(free[ix(j)]).BTBNORM;
        w[ix(j)] = damping(s, free[ix(j)]);
    }
    const bool first = d.radius == Quad{};
    if (first) {
        // The first radius: the length of the accepted values in the same
        // scale, a value of 0 counting as 1, so that a first step may
        // change each parameter by about its own size (one at 0 by about 1,
        // whatever the scale of the others); a first trial shorter than
        // that cuts it to its own length.
        Quad sum{};
        for (std::size_t k = 0; k < free.size(); ++k) {
            const Quad value = abs(s.PR(free[k]).PBASE);
            const Quad v = sqrt(w[k]) * s.PR(free[k]).BTBNORM * (value == Quad{} ? fromInt(1) : value);
            sum = sum + v * v;
        }
        d.radius = sum > Quad{} ? sqrt(sum) : fromInt(1);
    }
    const Quad radiusBefore = d.radius;
    const Quad f0 = c.half * fromInt(s.MDTOT) * s.RSSBASE * s.RSSBASE;  // sum(z**2)/2

    if (IP > 5) {
        write(s, IP, "(/'Damped step: trials on the same partials')");
        write(s, IP, "(' #',8x,'radius',12x,'lambda',11x,'om',8x,'RSS')");
    }
    d.retries = 0;
    d.polished = false;
    bool accepted = false;
    // Near the minimum the Gauss-Newton step is taken whatever the radius
    // (which has shrunk with the steps): see the comment on nearMinimum.
    const TrustRegionStep gaussNewton = gaussNewtonStep(N, g, w);
    const bool gaussNewtonNearMinimum = gaussNewton.fullRank && !(c.half * gaussNewton.yNy > c.polishable * f0);
    for (;;) {
        const TrustRegionStep t =
            gaussNewtonNearMinimum && d.retries == 0 ? gaussNewton : trustRegionStep(N, g, w, d.radius, d.lambda);
        if (first && d.retries == 0 && t.length < d.radius) {
            d.radius = t.length;
        }
        const bool moves = setTrial(s, free, t.y);
        // The decrease the linear model predicts: (y'Ny)/2 + lambda y'Wy.
        const Quad predicted = c.half * t.yNy + t.lambda * t.yWy;
        const bool nearMinimum = t.lambda == Quad{} && !(predicted > c.polishable * f0);
        // A Gauss-Newton step near the minimum that changes every value by
        // less than the resolution of its value cannot improve on the
        // accepted values: the loop ends on them without evaluating it.
        if (nearMinimum && belowResolution(s)) {
            d.gainRatio = Quad{};
            d.lambda = t.lambda;
            break;
        }
        Quad rss{};
        EVALFIT(s, rss, 0);
        if (IP > 5) {
            FLOATWRITE(rss, s.CFLOAT40);
            write(s, IP, "(i2,2e18.8,1x,a9,a40)", d.retries, d.radius, t.lambda, OM(rss, s.RSSBASE), s.CFLOAT40);
        }
        const Quad f1 = c.half * fromInt(s.MDTOT) * rss * rss;
        // Near the minimum the decrease a Gauss-Newton step brings falls
        // below what the error's own rounding resolves, and comparing errors
        // can no longer tell a better point from a worse one (nor is the
        // gain ratio more than rounding noise: it is reported as 0 there).
        // Gauss-Newton steps are then taken on the linear model's word, as
        // long as the error does not measurably rise, the radius left as it
        // is, and they go on while each is shorter than the one before:
        // with exact partials they carry the values from the square root of
        // the quad precision, where comparisons of the error stop, to the
        // precision of the partials. The first that is not shorter is the
        // last.
        const Quad rho = nearMinimum || !(predicted > Quad{}) ? Quad{} : (f0 - f1) / predicted;
        // Reported as 0 where the prediction is within the rounding of the
        // error: the ratio of two rounding errors means nothing.
        d.gainRatio = predicted > c.roundingMargin * s.errorRounding ? rho : Quad{};
        d.lambda = t.lambda;
        const bool polish = nearMinimum && isFinite(rss) && !(f1 > f0 + c.roundingMargin * s.errorRounding);
        if (moves && isFinite(rss) && (f1 < f0 || polish)) {
            s.RSS = rss;
            if (nearMinimum) {
                // The last: the first no shorter than the step before it.
                d.polished = d.lastPolishLength != Quad{} && !(t.length < c.shrinking * d.lastPolishLength);
                d.lastPolishLength = t.length;
            } else {
                d.lastPolishLength = Quad{};
                updateRadius(d, t, f0, f1, rho);
            }
            accepted = true;
            break;
        }
        if (!moves || d.retries >= kMaxRetries) {
            break;
        }
        ++d.retries;
        // A trial that is not accepted (or whose error is not finite)
        // shrinks the radius as a poor one does.
        updateRadius(d, t, f0, isFinite(f1) ? f1 : fromInt(1000) * f0, Quad{});
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
