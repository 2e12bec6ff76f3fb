// Quad: the double-double real of the engine. Its value is hi + lo, with
// |lo| <= ulp(hi)/2 after every operation, giving about 106 significant bits
// (some 32 decimal digits) over the exponent range of a double.
//
// The four basic operations follow the engine's defining recipes exactly:
//   a + b: error-free sum of the heads, both tails added to its error term,
//          renormalised (hi = s + e, lo = e - (hi - s));
//   a * b: exact product of the heads, plus the cross terms
//          a.lo*b.hi + (a.hi + a.lo)*b.lo, renormalised.
// Comparisons subtract and test the head of the difference; a less-than
// also holds when either operand is infinite or not a number, while
// equality and greater-than then fail.
//
// There is deliberately no constructor from double: Quad{x} takes x exactly
// as its head, and a decimal constant is built from its text (quad/decimal.hpp)
// so that 0.1 means the double-double nearest one tenth, not the double.
#pragma once

#include <cmath>
#include <cstdint>

#include "quad/eft.hpp"

namespace quorl {

struct Quad {
    double hi;
    double lo;
};

// ---- conversions ----------------------------------------------------------

// Exact: every double is a quad real.
constexpr Quad fromDouble(double x) { return Quad{x, 0.0}; }
// Exact: every 32-bit integer is a double.
constexpr Quad fromInt(std::int32_t i) { return Quad{static_cast<double>(i), 0.0}; }
// Exact for the whole 64-bit range: the upper and lower 32 bits are each
// exact doubles, and their error-free sum is the value.
inline Quad fromInt64(std::int64_t i) {
    const auto u = static_cast<std::uint64_t>(i);
    const double upper = static_cast<double>(static_cast<std::int64_t>(u & ~std::uint64_t{0xffffffff}));
    const double lower = static_cast<double>(u & std::uint64_t{0xffffffff});
    double s, e;
    eft::twoSum(upper, lower, s, e);
    return Quad{s, e};
}
// A single-precision constant widened to quad: the float's exact value.
constexpr Quad fromFloat(float f) { return Quad{static_cast<double>(f), 0.0}; }
// Nearest double to the value.
constexpr double toDouble(Quad a) { return a.hi + a.lo; }

// ---- renormalisation helpers ---------------------------------------------

namespace detail {
// The largest double: a head beyond it (or NaN) takes the rare path.
inline constexpr double kLargest = 0x1.fffffffffffffp1023;

// hi = s + e and the rest e - (hi - s), |e| small beside |s|. A sum that
// leaves the doubles, or an s that is already infinite (an overflowing
// product or sum, whose error term is then -inf or NaN), is that infinity
// with a zero tail: the plain recipe would give inf - inf = NaN. One test
// of the head, which only the rare path acts on. It reassigns the two
// doubles rather than returning another pair: so the compiler keeps both
// in registers, and turns the test into a select where a loop over arrays
// of pairs is vectorised (returning a second pair from inside the test put
// the pair through memory and stopped that vectorisation: 2.6 times the
// time of an elementwise sum).
inline Quad renorm(double s, double e) {
    double hi = s + e;
    double lo = e - (hi - s);
    if (!(std::fabs(hi) <= kLargest)) [[unlikely]] {
        hi = std::isinf(s) ? s : hi;
        lo = 0.0;
    }
    return Quad{hi, lo};
}
}  // namespace detail

// ---- arithmetic -----------------------------------------------------------

inline Quad operator+(Quad a, Quad b) {
    double s, e;
    eft::twoSum(a.hi, b.hi, s, e);
    e += a.lo + b.lo;
    return detail::renorm(s, e);
}

inline Quad operator-(Quad a) { return Quad{-a.hi, -a.lo}; }

inline Quad operator-(Quad a, Quad b) { return a + (-b); }

inline Quad operator*(Quad a, Quad b) {
    double p, e;
    eft::twoProd(a.hi, b.hi, p, e);
    e += a.lo * b.hi + (a.hi + a.lo) * b.lo;
    return detail::renorm(p, e);
}

// Division: a first quotient q1 = a.hi / b.hi, the remainder a - q1*b
// formed with an exact head product (its leading part cancels exactly, since
// q1*b.hi lies within a few units of a.hi), and a second quotient from it.
// The pair q1 + q2 is within about 1.5 units of 2^-104 of the true quotient.
namespace detail {
// The quotient of the recipe above, with no check of the range.
inline Quad quotient(Quad a, Quad b) {
    const double q1 = a.hi / b.hi;
    double p1, p2;
    eft::twoProd(q1, b.hi, p1, p2);
    const double r = ((a.hi - p1) - p2) + (a.lo - q1 * b.lo);
    const double q2 = r / b.hi;
    double s, e;
    eft::quickTwoSum(q1, q2, s, e);
    return Quad{s, e};
}
// a / b where quotient() gives a head that is not finite
// (quad/quotient_off_range.cpp).
Quad quotientOffRange(Quad a, Quad b);
}  // namespace detail

// A head that is not finite (a zero, infinite or NaN operand, a quotient
// beyond the doubles, a product q1*b.hi that rounds past them) takes the
// rare path, which gives the IEEE answer: +-inf, +-0 or NaN.
inline Quad operator/(Quad a, Quad b) {
    const Quad q = detail::quotient(a, b);
    if (!(std::fabs(q.hi) <= detail::kLargest)) [[unlikely]] {
        return detail::quotientOffRange(a, b);
    }
    return q;
}

// Mixed forms: the double (or integer, via exact promotion) is taken exactly.
inline Quad operator+(Quad a, double b) { return a + fromDouble(b); }
inline Quad operator+(double a, Quad b) { return fromDouble(a) + b; }
inline Quad operator-(Quad a, double b) { return a - fromDouble(b); }
inline Quad operator-(double a, Quad b) { return fromDouble(a) - b; }
inline Quad operator*(Quad a, double b) { return a * fromDouble(b); }
inline Quad operator*(double a, Quad b) { return fromDouble(a) * b; }
inline Quad operator/(Quad a, double b) { return a / fromDouble(b); }
inline Quad operator/(double a, Quad b) { return fromDouble(a) / b; }

inline Quad& operator+=(Quad& a, Quad b) { return a = a + b; }
inline Quad& operator-=(Quad& a, Quad b) { return a = a - b; }
inline Quad& operator*=(Quad& a, Quad b) { return a = a * b; }
inline Quad& operator/=(Quad& a, Quad b) { return a = a / b; }
inline Quad& operator+=(Quad& a, double b) { return a = a + b; }
inline Quad& operator-=(Quad& a, double b) { return a = a - b; }
inline Quad& operator*=(Quad& a, double b) { return a = a * b; }
inline Quad& operator/=(Quad& a, double b) { return a = a / b; }

// ---- comparison -----------------------------------------------------------

inline bool isFinite(Quad a) { return std::isfinite(a.hi) && std::isfinite(a.lo); }

namespace detail {
// The sign (-1, 0, 1) of the head of a - b. The comparisons are written
// through it because the compiler then keeps the pivot search of INVERT
// lighter (measured: 188 against 213 microseconds for 40 unknowns); the
// answers are those of the head of the difference either way.
inline int differenceSign(Quad a, Quad b) {
    const double h = (a - b).hi;
    return h > 0.0 ? 1 : h < 0.0 ? -1 : 0;
}
}  // namespace detail

inline bool operator<(Quad a, Quad b) {
    if (!isFinite(a) || !isFinite(b)) {
        return true;
    }
    return detail::differenceSign(a, b) < 0;
}
inline bool operator>(Quad a, Quad b) {
    if (!isFinite(a) || !isFinite(b)) {
        return false;
    }
    return detail::differenceSign(a, b) > 0;
}
inline bool operator==(Quad a, Quad b) {
    if (!isFinite(a) || !isFinite(b)) {
        return false;
    }
    return detail::differenceSign(a, b) == 0;
}
inline bool operator!=(Quad a, Quad b) { return !(a == b); }
inline bool operator<=(Quad a, Quad b) { return a < b || a == b; }
inline bool operator>=(Quad a, Quad b) { return a > b || a == b; }

inline bool operator<(Quad a, double b) { return a < fromDouble(b); }
inline bool operator>(Quad a, double b) { return a > fromDouble(b); }
inline bool operator<=(Quad a, double b) { return a <= fromDouble(b); }
inline bool operator>=(Quad a, double b) { return a >= fromDouble(b); }
inline bool operator==(Quad a, double b) { return a == fromDouble(b); }
inline bool operator!=(Quad a, double b) { return a != fromDouble(b); }
inline bool operator<(double a, Quad b) { return fromDouble(a) < b; }
inline bool operator>(double a, Quad b) { return fromDouble(a) > b; }
inline bool operator<=(double a, Quad b) { return fromDouble(a) <= b; }
inline bool operator>=(double a, Quad b) { return fromDouble(a) >= b; }

// ---- elementary functions (found by argument-dependent lookup) -----------

inline Quad abs(Quad a) { return a.hi < 0.0 || (a.hi == 0.0 && a.lo < 0.0) ? -a : a; }

// abs(a) < abs(b), the same answer, decided from the magnitudes of the heads
// where they differ by more than four times the tails (the difference of
// the magnitudes is then s + e with s = fl(|a.hi| - |b.hi|) and |e| < |s|/2,
// and its rounded head keeps the sign of s), without forming abs(a) and
// abs(b): for the largest-residual search of every pass over the data.
inline bool absLess(Quad a, Quad b) {
    if (!isFinite(a) || !isFinite(b)) {
        return true;
    }
    const double d = std::fabs(a.hi) - std::fabs(b.hi);
    if (std::fabs(d) > 4.0 * (std::fabs(a.lo) + std::fabs(b.lo)) && std::fabs(d) <= 0x1.fffffffffffffp1023) {
        return d < 0.0;
    }
    return abs(a) < abs(b);
}

// One Newton correction of the double square root, with the square of the
// first guess formed exactly. Arguments far from 1 in magnitude are scaled
// by an even power of two first, so that the error term of that square never
// underflows or overflows.
inline Quad sqrt(Quad a) {
    if (a.hi <= 0.0 || !std::isfinite(a.hi)) {
        return Quad{a.hi == 0.0 ? a.hi : std::sqrt(a.hi), 0.0};
    }
    double up = 1.0, down = 1.0;
    if (a.hi < 0x1p-900) {
        up = 0x1p600;
        down = 0x1p-300;
    } else if (a.hi > 0x1p900) {
        up = 0x1p-600;
        down = 0x1p300;
    }
    const Quad b{a.hi * up, a.lo * up};
    const double s = std::sqrt(b.hi);
    double p, e;
    eft::twoProd(s, s, p, e);
    const Quad d = b - Quad{p, e};
    const double corr = d.hi / (2.0 * s);
    double hi, lo;
    eft::quickTwoSum(s, corr, hi, lo);
    return Quad{hi * down, lo * down};
}

// Floor, ceiling and integer part (toward zero), exact. When the head is
// already an integer the tail decides.
inline Quad floor(Quad a) {
    const double h = std::floor(a.hi);
    if (h != a.hi) {
        return Quad{h, 0.0};
    }
    return detail::renorm(h, std::floor(a.lo));
}
inline Quad ceil(Quad a) {
    const double h = std::ceil(a.hi);
    if (h != a.hi) {
        return Quad{h, 0.0};
    }
    return detail::renorm(h, std::ceil(a.lo));
}
inline Quad trunc(Quad a) { return a.hi > 0.0 || (a.hi == 0.0 && a.lo >= 0.0) ? floor(a) : ceil(a); }

// Nearest integer, halves away from zero (Fortran NINT semantics), exact.
// The fraction a - trunc(a) is formed exactly, so a value a hair below a
// half is never rounded up.
inline Quad nint(Quad a) {
    if (!std::isfinite(a.hi)) {
        return a;
    }
    const Quad t = trunc(a);
    const Quad f = a - t;
    const bool halfUp = f.hi > 0.5 || (f.hi == 0.5 && f.lo >= 0.0);
    const bool halfDown = f.hi < -0.5 || (f.hi == -0.5 && f.lo <= 0.0);
    if (halfUp) {
        return t + 1.0;
    }
    if (halfDown) {
        return t - 1.0;
    }
    return t;
}

// a * 2^n, exact unless the result leaves the range of doubles.
inline Quad ldexp(Quad a, int n) { return Quad{std::ldexp(a.hi, n), std::ldexp(a.lo, n)}; }

inline bool isNaN(Quad a) { return std::isnan(a.hi) || std::isnan(a.lo); }
inline bool isInf(Quad a) { return std::isinf(a.hi); }

// Integer part toward zero as an int (Fortran INT). Out-of-range values
// saturate to the nearest int, and a value that is not a number gives 0, so
// the conversion never has undefined behaviour.
inline std::int32_t toInt(Quad a) {
    if (std::isnan(a.hi) || std::isnan(a.lo)) {
        return 0;
    }
    if (a.hi >= 2147483648.0) {
        return INT32_MAX;
    }
    if (a.hi <= -2147483649.0) {
        return INT32_MIN;
    }
    const Quad t = trunc(a);
    const std::int64_t v = static_cast<std::int64_t>(t.hi) + static_cast<std::int64_t>(t.lo);
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(v);
}

// Transcendental functions, compiled separately (quad/quad_math.cpp).
// Their errors, measured against 113-bit references in tests/quad/, stay
// within a few units of 2^-104 relative over the ranges the engine uses.
// log of 0 is -inf and of a negative value NaN; exp overflows to inf and
// underflows to 0; pow(x, 0) is 1, pow(0, y > 0) is 0, pow(0, y < 0) is inf,
// and a negative base needs an integer exponent (else NaN).
Quad exp(Quad a);
Quad log(Quad a);
Quad log10(Quad a);
Quad pow(Quad a, Quad b);
Quad pow(Quad a, int n);

// pi as the pair nearest to it (the exact value to within 2^-107 relative).
inline constexpr Quad kPi{0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};

// Circular and hyperbolic functions and their inverses (quad/quad_trig.cpp,
// quad/quad_atan.cpp, quad/quad_hyperbolic.cpp), within a few units of
// 2^-104 relative over their whole domains: sin, cos and tan reduce any
// argument exactly, however large or close to a multiple of pi/2. At the
// ends they behave as the IEEE double functions: NaN in, NaN out; sin, cos
// and tan of an infinity are NaN; asin and acos outside [-1, 1] are NaN;
// atan(+-inf) = +-pi/2; atan2 follows the IEEE table for zeros and
// infinities (atan2(+-0, -0) = +-pi, atan2(+-inf, -inf) = +-3pi/4, ...);
// sinh and cosh overflow to inf and tanh(+-inf) = +-1; expm1(-inf) = -1;
// log1p(-1) = -inf and below -1 NaN. Odd functions keep the sign of a zero
// argument.
Quad sin(Quad a);
Quad cos(Quad a);
Quad tan(Quad a);
Quad asin(Quad a);
Quad acos(Quad a);
Quad atan(Quad a);
Quad atan2(Quad y, Quad x);
Quad sinh(Quad a);
Quad cosh(Quad a);
Quad tanh(Quad a);
// exp(a) - 1 and log(1 + a), without the cancellation near a = 0.
Quad expm1(Quad a);
Quad log1p(Quad a);

}  // namespace quorl
