// The derivative rules shared by the two ways of taking exact partials: the
// dual numbers of quad/dual.hpp and the partials pass of a compiled formula
// (formula/formula_partials.cpp). Both apply the same rule at each operation,
// so a model written generically and the same model written as a formula
// give the same partials.
//
// A rule gives f'(a), the derivative of a function at its argument, from a
// and the value r = f(a) already computed, in quad arithmetic. The partial of
// the result is then chain(f'(a), da) for each partial da of the argument.
//
// The edges, the same for every operation:
//   - A partial that is exactly 0 stays 0, even where f'(a) is infinite or
//     not a number (sqrt at 0, asin at 1, pow(0, b < 1)): "0 * inf" counts as
//     0, so a constant part of a model never spoils the partials.
//   - At a point where an operand or the value is infinite or not a number,
//     every partial that is not 0 becomes NaN: the rules are asked only at
//     finite points.
//   - Infinite partials stay infinite through products and sums (where the
//     quad operations themselves would give NaN), so sqrt(p) at p = 0 has the
//     partial +inf.
#pragma once

#include <climits>
#include <cmath>
#include <limits>

#include "quad/quad.hpp"

namespace quorl::derivative {

// ln 10 as the pair nearest to it (within 2^-107 relative).
inline constexpr Quad kLn10{0x1.26bb1bbb55516p+1, -0x1.f48ad494ea3e9p-53};

inline constexpr Quad kZero{0.0, 0.0};
inline constexpr Quad kOne{1.0, 0.0};
inline constexpr Quad kNaN{std::numeric_limits<double>::quiet_NaN(), 0.0};

// ---- the chain step and its arithmetic ------------------------------------

// x * y, except that where the quad product is not a number while neither
// operand is (an infinite operand, or a finite product beyond the doubles)
// the result is the signed infinity of the heads' product.
inline Quad times(Quad x, Quad y) {
    const Quad p = x * y;
    return std::isnan(p.hi) ? Quad{x.hi * y.hi, 0.0} : p;
}

// x + y with the same care for infinities: inf + 1 is inf, inf - inf NaN.
inline Quad plus(Quad x, Quad y) {
    const Quad s = x + y;
    return std::isnan(s.hi) ? Quad{x.hi + y.hi, 0.0} : s;
}

// The partial of f(u) from f'(u) (`outer`) and a partial of u (`inner`).
inline Quad chain(Quad outer, Quad inner) { return inner.hi == 0.0 ? kZero : times(outer, inner); }

// Whether the rules apply: the operands and the value all finite.
inline bool finitePoint(Quad a, Quad r) { return isFinite(a) && isFinite(r); }
inline bool finitePoint(Quad a, Quad b, Quad r) { return isFinite(a) && isFinite(b) && isFinite(r); }

// A partial at a point that is not finite: 0 where the operands' partials
// are 0, NaN otherwise.
inline Quad poisoned(Quad inner) { return inner.hi == 0.0 ? kZero : kNaN; }
inline Quad poisoned(Quad da, Quad db) { return da.hi == 0.0 && db.hi == 0.0 ? kZero : kNaN; }

// ---- f'(a) from a and r = f(a) --------------------------------------------

inline Quad sinPrime(Quad a, Quad) { return cos(a); }
inline Quad cosPrime(Quad a, Quad) { return -sin(a); }
inline Quad tanPrime(Quad, Quad r) { return plus(kOne, times(r, r)); }
// 1 / sqrt(1 - a^2), with 1 - a^2 formed as (1 - a)(1 + a): no cancellation
// near |a| = 1, where the derivative is +inf.
inline Quad asinPrime(Quad a, Quad) { return kOne / sqrt((kOne - a) * (kOne + a)); }
inline Quad acosPrime(Quad a, Quad r) { return -asinPrime(a, r); }
inline Quad atanPrime(Quad a, Quad) { return kOne / plus(kOne, times(a, a)); }
inline Quad sinhPrime(Quad a, Quad) { return cosh(a); }
inline Quad coshPrime(Quad a, Quad) { return sinh(a); }
// 1 - t^2 from the value t, as (1 - t)(1 + t), while |t| <= 1/2. Beyond,
// 1 - t^2 would keep only the digits in which t differs from +-1 (some 17 of
// the 32 at a = 20), so it is 1 / cosh(a)^2 there.
inline Quad tanhPrime(Quad a, Quad r) {
    if (std::fabs(r.hi) <= 0.5) {
        return (kOne - r) * (kOne + r);
    }
    const Quad c = cosh(a);
    return kOne / times(c, c);
}
inline Quad expPrime(Quad, Quad r) { return r; }
// e^a as r + 1 from the value r = e^a - 1 while r >= -1/2; below, r + 1
// would keep only the digits in which r differs from -1, so it is exp(a).
inline Quad expm1Prime(Quad a, Quad r) { return r.hi >= -0.5 ? r + kOne : exp(a); }
inline Quad logPrime(Quad a, Quad) { return kOne / a; }
inline Quad log1pPrime(Quad a, Quad) { return kOne / (kOne + a); }
// 1 / (a ln 10) as (1 / a) / ln 10: the product a ln 10 of a tiny a would
// have a tail below the normal doubles.
inline Quad log10Prime(Quad a, Quad) { return (kOne / a) / kLn10; }
inline Quad sqrtPrime(Quad, Quad r) { return Quad{0.5, 0.0} / r; }

// abs has no derivative at 0; there the partial is the right derivative
// |da|, what a one-sided difference with a positive step gives.
inline Quad absPartial(Quad a, Quad da) {
    if (a.hi == 0.0) {
        return abs(da);
    }
    return a.hi < 0.0 ? -da : da;
}

// d pow(a, b) / da = b a^(b-1): right at a = 0 (0 for b > 1, 1 for b = 1,
// +-inf for b < 1) and for a negative base with an integer exponent; 0 for
// b = 0, where the power is 1 whatever a.
inline Quad powBasePrime(Quad a, Quad b) { return b.hi == 0.0 ? kZero : times(b, pow(a, b - kOne)); }
inline Quad powIntBasePrime(Quad a, int n) {
    if (n == 0) {
        return kZero;
    }
    return times(fromInt(n), n == INT_MIN ? pow(a, fromDouble(static_cast<double>(n) - 1.0)) : pow(a, n - 1));
}
// d pow(a, b) / db = r log a: 0 where the power is 0 (a = 0 with b > 0,
// constant in b), NaN for a negative base.
inline Quad powExponentPrime(Quad a, Quad r) { return r.hi == 0.0 ? kZero : times(r, log(a)); }

// a / b: d/da = 1 / b, d/db = -r / b.
inline Quad divNumeratorPrime(Quad b) { return kOne / b; }
inline Quad divDenominatorPrime(Quad b, Quad r) { return -(r / b); }

// atan2(y, x): d/dy = x / (x^2 + y^2), d/dx = -y / (x^2 + y^2), with both
// operands scaled by the power of two of the larger so that the sum of
// squares lies in [1, 8) and neither overflows nor underflows; NaN at (0, 0).
struct Atan2Slopes {
    Quad dy, dx;
};
inline Atan2Slopes atan2Prime(Quad y, Quad x) {
    if (y.hi == 0.0 && x.hi == 0.0) {
        return {kNaN, kNaN};
    }
    const int e = std::ilogb(std::fmax(std::fabs(y.hi), std::fabs(x.hi)));
    const Quad ys = ldexp(y, -e);
    const Quad xs = ldexp(x, -e);
    const Quad h = xs * xs + ys * ys;
    return {ldexp(xs / h, -e), ldexp(-ys / h, -e)};
}

}  // namespace quorl::derivative
