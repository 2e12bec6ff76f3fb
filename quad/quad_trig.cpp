// sin, cos and tan of quad reals.
//
// x is first reduced to r = x - k pi/2, |r| <= pi/4 (quad/reduce_half_pi.cpp).
// Then |r| = j/256 + t with |t| <= 2^-9, and
//   sin(j/256 + t) = sin(j/256) + cos(j/256) sin t + sin(j/256) (cos t - 1),
//   cos(j/256 + t) = cos(j/256) + cos(j/256) (cos t - 1) - sin(j/256) sin t,
// the values at j/256 from a table, sin t and cos t - 1 from their Taylor
// polynomials. The quadrant k mod 4 picks the function and the sign.
#include <cmath>

#include "quad/math_kernels.hpp"
#include "quad/quad.hpp"
#include "quad/trig_tables.hpp"

namespace quorl {

namespace {

using detail::addDouble;
using detail::addExact;
using detail::kNaN;

struct SinCos {
    Quad s, c;
};

// sin t for |t| <= 2^-9 and t2 = t^2: t + t^3 p(t^2). The first neglected
// term, t^13/13!, is below 2^-130 t. p needs some 2^-76 relative precision:
// -1/6 and 1/120 as pairs, the terms from t^4/5040 on (below 2^-45 p) in
// double precision.
Quad sinSmall(Quad t, Quad t2) {
    const double u = t2.hi;
    const double h = -1.0 / 5040 + u * (1.0 / 362880 - u * (1.0 / 39916800));
    Quad p = addDouble(detail::kInvFact5, u * h);
    p = addExact(detail::kMinusSixth, p * t2);
    return t + (t * t2) * p;
}

// cos t - 1 for t2 = t^2 <= 2^-18: t2 q(t2). The first neglected term,
// t^12/12!, is below 2^-136. 1/24 as a pair, the terms from t^4/720 on
// (below 2^-44 q) in double precision.
Quad cosSmallMinusOne(Quad t2) {
    const double u = t2.hi;
    const double h = -1.0 / 720 + u * (1.0 / 40320 - u * (1.0 / 3628800));
    Quad q = addDouble(detail::kInvFact4, u * h);
    q = addDouble(q * t2, -0.5);
    return q * t2;
}

// sin r and cos r for |r| <= 0.8, either or both.
template <bool kWantSin, bool kWantCos>
SinCos sinCosReduced(Quad r) {
    const bool negative = r.hi < 0.0;
    const Quad a = negative ? -r : r;
    const int j = static_cast<int>(a.hi * 256.0 + 0.5);
    // a.hi - j/256 is exact: the two lie within a factor of 2 (or j = 0).
    double th, tl;
    eft::twoSum(a.hi - j * (1.0 / 256), a.lo, th, tl);
    const Quad t{th, tl};
    const Quad t2 = t * t;
    SinCos out{};
    if (j == 0) {
        if constexpr (kWantSin) {
            out.s = sinSmall(t, t2);
        }
        if constexpr (kWantCos) {
            out.c = addDouble(cosSmallMinusOne(t2), 1.0);
        }
    } else {
        const double* row = detail::kSinCosTable[j];
        const Quad sa{row[0], row[1]};
        const Quad ca{row[2], row[3]};
        const Quad st = sinSmall(t, t2);
        const Quad cm = cosSmallMinusOne(t2);
        if constexpr (kWantSin) {
            out.s = sa + (ca * st + sa * cm);
        }
        if constexpr (kWantCos) {
            out.c = ca + (ca * cm - sa * st);
        }
    }
    if (negative) {
        out.s = -out.s;
    }
    return out;
}

}  // namespace

Quad sin(Quad x) {
    if (!std::isfinite(x.hi)) {
        return Quad{kNaN, 0.0};
    }
    if (x.hi == 0.0) {
        return x;
    }
    const detail::HalfPiReduction red = detail::reduceHalfPi(x);
    switch (red.quadrant) {
        case 0:
            return sinCosReduced<true, false>(red.r).s;
        case 1:
            return sinCosReduced<false, true>(red.r).c;
        case 2:
            return -sinCosReduced<true, false>(red.r).s;
        default:
            return -sinCosReduced<false, true>(red.r).c;
    }
}

Quad cos(Quad x) {
    if (!std::isfinite(x.hi)) {
        return Quad{kNaN, 0.0};
    }
    const detail::HalfPiReduction red = detail::reduceHalfPi(x);
    switch (red.quadrant) {
        case 0:
            return sinCosReduced<false, true>(red.r).c;
        case 1:
            return -sinCosReduced<true, false>(red.r).s;
        case 2:
            return -sinCosReduced<false, true>(red.r).c;
        default:
            return sinCosReduced<true, false>(red.r).s;
    }
}

Quad tan(Quad x) {
    if (!std::isfinite(x.hi)) {
        return Quad{kNaN, 0.0};
    }
    if (x.hi == 0.0) {
        return x;
    }
    const detail::HalfPiReduction red = detail::reduceHalfPi(x);
    const SinCos sc = sinCosReduced<true, true>(red.r);
    return (red.quadrant & 1) != 0 ? -(sc.c / sc.s) : sc.s / sc.c;
}

}  // namespace quorl
