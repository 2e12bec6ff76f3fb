// Building blocks shared by the quad real transcendental functions
// (quad/quad_math.cpp, quad/quad_trig.cpp, quad/quad_atan.cpp,
// quad/quad_hyperbolic.cpp): sums and products of pairs with a double, values
// carried in three parts, the cores of exp and log, and the reduction by
// multiples of pi/2. Internal to quad/.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "quad/quad.hpp"

namespace quorl::detail {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Beyond these arguments exp is inf or 0 in doubles.
constexpr double kExpOverflow = 709.79;
constexpr double kExpUnderflow = -745.2;

// Series coefficients as pairs exact to 2^-107.
inline constexpr Quad kInvFact3{0x1.5555555555555p-3, 0x1.5555555555555p-57};      // 1/6
inline constexpr Quad kInvFact4{0x1.5555555555555p-5, 0x1.5555555555555p-59};      // 1/24
inline constexpr Quad kInvFact5{0x1.1111111111111p-7, 0x1.1111111111111p-63};      // 1/120
inline constexpr Quad kThird{0x1.5555555555555p-2, 0x1.5555555555555p-56};         // 1/3
inline constexpr Quad kFifth{0x1.999999999999ap-3, -0x1.999999999999ap-57};        // 1/5
inline constexpr Quad kMinusSixth{-0x1.5555555555555p-3, -0x1.5555555555555p-57};  // -1/6
inline constexpr Quad kSeventh{0x1.2492492492492p-3, 0x1.2492492492492p-57};       // 1/7

// A value carried as the unevaluated sum h + m + l, |m| and |l| far below |h|.
struct Triple {
    double h, m, l;
};

// Sum of two pairs with both tails added error-free: within 2^-106 of the
// exact sum whatever the signs.
inline Quad addExact(Quad a, Quad b) {
    double s, e, t, f;
    eft::twoSum(a.hi, b.hi, s, e);
    eft::twoSum(a.lo, b.lo, t, f);
    e += t;
    eft::quickTwoSum(s, e, s, e);
    e += f;
    eft::quickTwoSum(s, e, s, e);
    return Quad{s, e};
}

// A pair plus a double.
inline Quad addDouble(Quad a, double b) {
    double s, e;
    eft::twoSum(a.hi, b, s, e);
    e += a.lo;
    eft::quickTwoSum(s, e, s, e);
    return Quad{s, e};
}

// A pair times a double.
inline Quad mulDouble(Quad a, double b) {
    double p, e;
    eft::twoProd(a.hi, b, p, e);
    e += a.lo * b;
    eft::quickTwoSum(p, e, p, e);
    return Quad{p, e};
}

// a * 2^k: exact when the result is a normal double pair.
inline Quad scaleByPowerOfTwo(Quad a, int k) {
    if (k > -1022 && k < 1023) {
        const double f = std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
        return Quad{a.hi * f, a.lo * f};
    }
    const double hi = std::ldexp(a.hi, k);
    return Quad{hi, std::isinf(hi) ? 0.0 : std::ldexp(a.lo, k)};
}

inline Quad toQuad(Triple t) {
    double h, l;
    eft::quickTwoSum(t.h, t.m + t.l, h, l);
    return Quad{h, l};
}

// x = n ln2/256 + (rh + rl), n the nearest integer to x 256/ln2 and
// |rh| <= ln2/512 (plus a rounding), for x = xh + xm + xl with |xh| < 2^40.
struct ExpReduction {
    std::int64_t n;
    double rh, rl;
};
ExpReduction reduceExp(double xh, double xm, double xl);

// exp(rh + rl) - 1 for |rh| <= ln2/512, to about 2^-106 relative.
Quad expMinusOneReduced(double rh, double rl);

// exp(xh + xm + xl) * 2^scale for kExpUnderflow <= xh <= kExpOverflow
// (xh a little beyond kExpOverflow when scale < 0).
Quad expCore(double xh, double xm, double xl, int scale = 0);

// log1p(zh + zl) for |zh| <= 2^-8, |zl| small beside zh or below 2^-104,
// to about 2^-106 relative.
Quad log1pSmall(double zh, double zl);

// log(x.hi + x.lo + x3) for a finite positive value, as three parts; x3, when
// given, lies below the last bit of x.lo.
Triple logCore(Quad x, double x3 = 0.0);

// An odd function from its values at positive arguments: NaN for NaN, a
// signed zero kept, -f(-a) for negative a. f sees only a > 0.
template <class F>
Quad oddExtension(Quad a, F f) {
    if (std::isnan(a.hi)) {
        return Quad{kNaN, 0.0};
    }
    if (a.hi == 0.0) {
        return a;
    }
    return a.hi < 0.0 ? -f(-a) : f(a);
}

// x = k pi/2 + r with |r| <= pi/4 (and a rounding), r to about 2^-106 of
// itself, for any finite x (quad/reduce_half_pi.cpp). quadrant is k mod 4.
struct HalfPiReduction {
    Quad r;
    int quadrant;
};
HalfPiReduction reduceHalfPi(Quad x);

}  // namespace quorl::detail
