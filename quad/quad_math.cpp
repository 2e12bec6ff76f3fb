// Transcendental functions of quad reals: exp, log, log10 and the powers.
//
// exp reduces x = (256 k + j) ln2/256 + r with |r| <= ln2/512, taking the
// multiple of ln2/256 off with a three-part constant and exact products, so
// that large arguments lose nothing. Then exp(x) = 2^k * 2^(j/256) * exp(r),
// 2^(j/256) from a table and exp(r) - 1 from its Taylor polynomial.
//
// log writes x = 2^k z with z in [0.6875, 1.375) and takes a reciprocal c of
// a table point near z, so that log x = k ln2 - ln c + log1p(z c - 1) with
// |z c - 1| <= 2^-8; z c - 1 is formed to 2^-106 of itself (exactly, in
// three parts) and log1p comes from its Taylor polynomial. The sum is carried
// in three parts. pow uses all three: exp magnifies the absolute error of
// y log x into the relative error of the result, so that product is formed to
// well beyond 2^-104 before exp. For exponents beyond 16, log x itself is
// taken to about 2^-113 of itself, with z c - 1 and its log1p in three parts:
// near x = 1 the plain log's 2^-106 would be magnified up to 745 times where
// the power nears overflow or underflow.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "quad/math_kernels.hpp"
#include "quad/math_tables.hpp"
#include "quad/quad.hpp"

namespace quorl {

namespace detail {

// Coefficients 1/n! of the exp polynomial beyond the pairs kInvFact3..5.
constexpr double kInvFact6 = 1.0 / 720.0;
constexpr double kInvFact7 = 1.0 / 5040.0;
constexpr double kInvFact8 = 1.0 / 40320.0;
constexpr double kInvFact9 = 1.0 / 362880.0;

ExpReduction reduceExp(double xh, double xm, double xl) {
    // n = nearest integer to x * 256/ln2, by the 1.5 * 2^52 shift.
    constexpr double shifter = 0x1.8p52;
    const double nd = (xh * kInvLn2Times256 + shifter) - shifter;

    // r = x - n ln2/256: every product and the head difference exact.
    double p1, e1, p2, e2;
    eft::twoProd(nd, kLn2Over256Parts[0], p1, e1);
    eft::twoProd(nd, kLn2Over256Parts[1], p2, e2);
    const double p3 = nd * kLn2Over256Parts[2];
    double s, se, m1, m1e, m2, m2e;
    eft::twoSum(xh, -p1, s, se);
    eft::twoSum(xm, -e1, m1, m1e);
    eft::twoSum(m1, -p2, m2, m2e);
    const double low = ((se + m1e + m2e) + (xl - e2)) - p3;
    double rh, rl;
    eft::twoSum(s, m2, rh, rl);
    rl += low;
    eft::quickTwoSum(rh, rl, rh, rl);
    return ExpReduction{static_cast<std::int64_t>(nd), rh, rl};
}

Quad expMinusOneReduced(double rh, double rl) {
    // exp(rh) - 1 to degree 9 (|rh| <= 0.00136, the next term is < 2^-116);
    // the terms from r^6 on are below 2^-56 and need only double precision.
    const double h = kInvFact6 + rh * (kInvFact7 + rh * (kInvFact8 + rh * kInvFact9));
    Quad a = addDouble(kInvFact5, rh * h);
    a = addExact(kInvFact4, mulDouble(a, rh));
    a = addExact(kInvFact3, mulDouble(a, rh));
    a = addDouble(mulDouble(a, rh), 0.5);
    a = addDouble(mulDouble(a, rh), 1.0);
    const Quad p = mulDouble(a, rh);
    // exp(rh + rl) - 1 = p + rl exp(rh), rl below 2^-62.
    return addDouble(p, rl * (1.0 + p.hi));
}

Quad expCore(double xh, double xm, double xl, int scale) {
    const ExpReduction r = reduceExp(xh, xm, xl);
    const Quad p = expMinusOneReduced(r.rh, r.rl);
    // 2^(j/256) (1 + p), then 2^k.
    const Quad t{kExp2Table[r.n & 255][0], kExp2Table[r.n & 255][1]};
    const Quad result = addExact(t, t * p);
    return scaleByPowerOfTwo(result, static_cast<int>(r.n >> 8) + scale);
}

namespace {

// (log1p(z) - z) / z^2 = -1/2 + z/3 - z^2/4 + ... for |z| <= 2^-8. Terms
// z^8 .. z^14 of log1p are below 2^-59 z: double precision suffices. The
// first neglected term, z^15/15, is below 2^-115 z.
Quad log1pSeriesAfterZ(double zh) {
    const double h =
        -1.0 / 8 + zh * (1.0 / 9 + zh * (-1.0 / 10 + zh * (1.0 / 11 + zh * (-1.0 / 12 + zh * (1.0 / 13 + zh * (-1.0 / 14))))));
    Quad a = addDouble(kSeventh, zh * h);
    a = addExact(kMinusSixth, mulDouble(a, zh));
    a = addExact(kFifth, mulDouble(a, zh));
    a = addDouble(mulDouble(a, zh), -0.25);
    a = addExact(kThird, mulDouble(a, zh));
    return addDouble(mulDouble(a, zh), -0.5);
}

// log1p(zh + zl + z3) as three parts, to about 2^-113 relative, for the
// arguments of log1pSmall and a third part z3 below 2^-50 zl: zh plus the
// correction w = zh^2 (log1p(zh) - zh)/zh^2, below 2^-9 zh, whose own
// rounding is thus below 2^-114 zh; and (zl + z3)/(1 + zh), as
// zl + z3 - (zl + z3) zh/(1 + zh), the last term below 2^-61 zh.
Triple log1pSmallTriple(double zh, double zl, double z3) {
    const Quad w = mulDouble(mulDouble(log1pSeriesAfterZ(zh), zh), zh);
    double s, e, m, f, m2, g;
    eft::twoSum(zh, w.hi, s, e);
    eft::twoSum(e, zl, m, f);
    eft::twoSum(m, w.lo, m2, g);
    const double low = ((f + g) + z3) - (zl + z3) * zh / (1.0 + zh);
    eft::quickTwoSum(s, m2, s, m2);
    return Triple{s, m2, low};
}

}  // namespace

Quad log1pSmall(double zh, double zl) {
    const Quad a = addDouble(mulDouble(log1pSeriesAfterZ(zh), zh), 1.0);
    const Quad p = mulDouble(a, zh);
    // log1p(zh + zl) = log1p(zh) + zl / (1 + zh) + O(zl^2).
    return addDouble(p, zl / (1.0 + zh));
}

// The bit pattern of 0.6875, the foot of the log reduction interval.
constexpr std::uint64_t kLogOffset = 0x3FE6000000000000ULL;

namespace {

// logCore, with log1p(u) in three parts when kFine: then the result is good
// to about 2^-113 of log x also where x lies near 1 and log x is small,
// instead of 2^-106.
template <bool kFine>
Triple logCoreOf(Quad x, double x3) {
    std::uint64_t ix = std::bit_cast<std::uint64_t>(x.hi);
    int k = 0;
    if (ix < 0x0010000000000000ULL) {  // subnormal head: bring it up first
        x.hi *= 0x1p54;
        x.lo *= 0x1p54;
        x3 *= 0x1p54;
        ix = std::bit_cast<std::uint64_t>(x.hi);
        k = -54;
    }
    // x = 2^e z, z in [0.6875, 1.375), i the subinterval of z.
    const std::uint64_t tmp = ix - kLogOffset;
    const int i = static_cast<int>((tmp >> 44) & 255);
    const int e = static_cast<int>(static_cast<std::int64_t>(tmp) >> 52);
    k += e;
    const double zh = std::bit_cast<double>(ix - (tmp & (0xfffULL << 52)));
    // The lower parts scaled by the same 2^-e, in two steps when 2^-e is no
    // normal double.
    double zl, z3;
    if (e > -1022 && e < 1022) {
        const double f = std::bit_cast<double>(static_cast<std::uint64_t>(1023 - e) << 52);
        zl = x.lo * f;
        z3 = x3 * f;
    } else {
        const int e1 = e / 2;
        const double f1 = std::bit_cast<double>(static_cast<std::uint64_t>(1023 - e1) << 52);
        const double f2 = std::bit_cast<double>(static_cast<std::uint64_t>(1023 - (e - e1)) << 52);
        zl = x.lo * f1 * f2;
        z3 = x3 * f1 * f2;
    }

    // u = z c - 1 as b + rest: the head products are error-free, p - 1 is
    // exact (p lies within 2^-8 of 1), and so are the sums but the last,
    // which rounds rest (about 2^-53 of u) by up to 2^-106 of u; the fine log
    // keeps that rounding as a third part. The smallest terms, below 2^-106 z,
    // need no exact product.
    const detail::LogEntry& entry = kLogTable[i];
    double p, pe, q, qe;
    eft::twoProd(zh, entry.invc, p, pe);
    eft::twoProd(zl, entry.invc, q, qe);
    double a, ae, b, be;
    eft::twoSum(pe, q, a, ae);
    eft::twoSum(p - 1.0, a, b, be);
    const double tail = qe + z3 * entry.invc;
    Triple l1p;
    if constexpr (kFine) {
        double r, re;
        eft::twoSum(ae, be, r, re);
        l1p = log1pSmallTriple(b, r, re + tail);
    } else {
        const Quad q1 = log1pSmall(b, (ae + be) + tail);
        l1p = Triple{q1.hi, q1.lo, 0.0};
    }

    // k ln2 - ln c + log1p(u): head, middle and low parts summed error-free.
    const auto kd = static_cast<double>(k);
    double a1, a2, b1, b2;
    eft::twoProd(kd, kLn2Parts[0], a1, a2);
    eft::twoProd(kd, kLn2Parts[1], b1, b2);
    const double c1 = kd * kLn2Parts[2];
    double s1, s1e, s2, s2e;
    eft::twoSum(a1, entry.logc[0], s1, s1e);
    eft::twoSum(s1, l1p.h, s2, s2e);
    double m1, m1e, m2, m2e, m3, m3e, m4, m4e, m5, m5e;
    eft::twoSum(a2, b1, m1, m1e);
    eft::twoSum(m1, entry.logc[1], m2, m2e);
    eft::twoSum(m2, l1p.m, m3, m3e);
    eft::twoSum(m3, s1e, m4, m4e);
    eft::twoSum(m4, s2e, m5, m5e);
    double low = ((m1e + m2e) + (m3e + m4e)) + ((m5e + b2) + (c1 + entry.logc[2]));
    if constexpr (kFine) {
        low += l1p.l;
    }
    double h, t, m, l;
    eft::twoSum(s2, m5, h, t);
    eft::twoSum(t, low, m, l);
    eft::quickTwoSum(h, m, h, m);
    return Triple{h, m, l};
}

}  // namespace

Triple logCore(Quad x, double x3) { return logCoreOf<false>(x, x3); }

}  // namespace detail

namespace {

using detail::Triple;
using detail::expCore;
using detail::kExpOverflow;
using detail::kExpUnderflow;
using detail::kInf;
using detail::kInvLn10Parts;
using detail::kNaN;
using detail::logCore;

// exp(y * L) for a pair y and a three-part L, the product formed to about
// 2^-150 relative before exp.
Quad expOfProduct(Quad y, Triple L) {
    const double t = y.hi * L.h;
    if (!(t <= kExpOverflow)) {
        return Quad{kInf, 0.0};
    }
    if (t < kExpUnderflow) {
        return Quad{0.0, 0.0};
    }
    if (std::fabs(y.hi) > 0x1p995) {  // past the range of the splitting products
        return expCore(t, y.lo * L.h + y.hi * L.m, 0.0);
    }
    double t1, e1, t2, e2, t3, e3;
    eft::twoProd(y.hi, L.h, t1, e1);
    eft::twoProd(y.hi, L.m, t2, e2);
    eft::twoProd(y.lo, L.h, t3, e3);
    double m1, m1e, m2, m2e;
    eft::twoSum(e1, t2, m1, m1e);
    eft::twoSum(m1, t3, m2, m2e);
    const double low = (m1e + m2e) + ((e2 + e3) + (y.hi * L.l + y.lo * L.m));
    return expCore(t1, m2, low);
}

// Beyond this |y| pow takes log x to about 2^-113 rather than 2^-106 of
// itself: exp turns the absolute error of y log x into the relative error of
// the power, and near x = 1 (log x small) the plain log is good to 2^-106 of
// itself only. Up to |y| = 16, |y log x| stays below 6 there.
constexpr double kFineLogExponent = 16.0;

// log a for exp(y log a), a finite and positive.
Triple logForPower(Quad a, double y) {
    return std::fabs(y) > kFineLogExponent ? detail::logCoreOf<true>(a, 0.0) : logCore(a);
}

// a^m for m >= 1 by binary powering, exact whenever the products are.
Quad binaryPower(Quad a, long long m) {
    Quad result{1.0, 0.0};
    Quad base = a;
    for (long long r = m; r > 0; r >>= 1) {
        if (r & 1) {
            result = result * base;
        }
        if (r > 1) {
            base = base * base;
        }
    }
    return result;
}

inline bool isInteger(Quad a) { return std::floor(a.hi) == a.hi && std::floor(a.lo) == a.lo; }

// For an integer-valued pair: is it odd?
inline bool isOdd(Quad a) {
    const double ph = std::fabs(std::fmod(a.hi, 2.0));
    const double pl = std::fabs(std::fmod(a.lo, 2.0));
    return (ph + pl) == 1.0;
}

}  // namespace

Quad exp(Quad a) {
    if (std::isnan(a.hi)) {
        return Quad{kNaN, 0.0};
    }
    if (a.hi > kExpOverflow) {
        return Quad{kInf, 0.0};
    }
    if (a.hi < kExpUnderflow) {
        return Quad{0.0, 0.0};
    }
    return expCore(a.hi, a.lo, 0.0);
}

Quad log(Quad a) {
    if (std::isnan(a.hi) || a.hi < 0.0) {
        return Quad{kNaN, 0.0};
    }
    if (a.hi == 0.0) {
        return Quad{-kInf, 0.0};
    }
    if (std::isinf(a.hi)) {
        return Quad{kInf, 0.0};
    }
    return detail::toQuad(detail::logCore(a));
}

Quad log10(Quad a) {
    if (std::isnan(a.hi) || a.hi <= 0.0 || std::isinf(a.hi)) {
        return log(a);
    }
    // log x times 1/ln10, both in three parts; the product's head exact.
    const Triple L = logCore(a);
    double p, pe, q, qe, r, re;
    eft::twoProd(L.h, kInvLn10Parts[0], p, pe);
    eft::twoProd(L.h, kInvLn10Parts[1], q, qe);
    eft::twoProd(L.m, kInvLn10Parts[0], r, re);
    double m1, m1e, m2, m2e;
    eft::twoSum(pe, q, m1, m1e);
    eft::twoSum(m1, r, m2, m2e);
    const double low = (m1e + m2e) + ((qe + re) + (L.h * kInvLn10Parts[2] + L.m * kInvLn10Parts[1] +
                                                   L.l * kInvLn10Parts[0]));
    double h, l;
    eft::quickTwoSum(p, m2 + low, h, l);
    return Quad{h, l};
}

Quad pow(Quad a, Quad b) {
    if (b.hi == 0.0) {
        return Quad{1.0, 0.0};
    }
    if (std::isnan(a.hi) || std::isnan(b.hi)) {
        return Quad{kNaN, 0.0};
    }
    bool negate = false;
    if (a.hi < 0.0) {
        if (!isInteger(b)) {
            return Quad{kNaN, 0.0};  // a negative base needs an integer exponent
        }
        negate = isOdd(b);
        a = -a;
    }
    Quad result;
    if (a.hi == 0.0) {
        result = Quad{b.hi > 0.0 ? 0.0 : kInf, 0.0};
    } else if (std::isinf(a.hi)) {
        result = Quad{b.hi > 0.0 ? kInf : 0.0, 0.0};
    } else if (a.hi == 1.0 && a.lo == 0.0) {
        result = Quad{1.0, 0.0};
    } else {
        result = expOfProduct(b, logForPower(a, b.hi));
    }
    return negate ? -result : result;
}

// Small exponents by binary powering, exact whenever the products are;
// larger ones through exp(n log |a|) in extra precision, whose error does
// not grow with n. Powers of small integers up to the 64th also take binary
// powering: their products stay exact until the last one or two, so the
// result is exact whenever a pair can hold it (10^n up to n = 45).
Quad pow(Quad a, int n) {
    if (n == 0) {
        return Quad{1.0, 0.0};
    }
    const long long m = n < 0 ? -static_cast<long long>(n) : n;
    if (std::isinf(a.hi)) {  // inf for n > 0, 0 for n < 0; -inf keeps its sign for odd n
        const double r = n > 0 ? kInf : 0.0;
        return Quad{a.hi < 0.0 && (m & 1) != 0 ? -r : r, 0.0};
    }
    const bool smallInteger = a.lo == 0.0 && std::fabs(a.hi) <= 0x1p26 && std::trunc(a.hi) == a.hi;
    if (m <= 8 || (smallInteger && m <= 64) || std::isnan(a.hi) || a.hi == 0.0) {
        const Quad result = binaryPower(a, m);
        // A power that left the doubles, or (to be inverted) fell below
        // 2^-968, where a pair's tail is subnormal and it holds fewer than
        // 106 bits, is taken again from the mantissa: a = 2^e f with
        // 1 <= |f| < 2, so that f^m lies in [1, 2^64) whatever a, and 2^(e n)
        // is applied once, last. It overflows or underflows only if a^n does.
        if (!std::isnan(a.hi) && a.hi != 0.0 &&
            (!std::isfinite(result.hi) || (n < 0 && std::fabs(result.hi) < 0x1p-968))) {
            const int e = std::ilogb(a.hi);
            const Quad f = binaryPower(ldexp(a, -e), m);
            return detail::scaleByPowerOfTwo(n < 0 ? Quad{1.0, 0.0} / f : f, e * n);
        }
        return n < 0 ? Quad{1.0, 0.0} / result : result;
    }
    const bool negate = a.hi < 0.0 && (m & 1) != 0;
    const Quad result = expOfProduct(fromInt(n), logForPower(abs(a), n));
    return negate ? -result : result;
}

}  // namespace quorl
