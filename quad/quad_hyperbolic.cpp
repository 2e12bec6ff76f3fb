// expm1, log1p, sinh, cosh and tanh of quad reals.
//
// expm1 shares exp's reduction x = n ln2/256 + r and its polynomial
// p = exp(r) - 1. Near 0 (|n| <= 128, |x| below about ln2/2) the result is
// D + p + D p with D = 2^(n/256) - 1 from a table exact to 2^-107 of itself;
// further out it is (2^k T - 1) + 2^k T p, T = 2^(j/256), where the leading
// difference is exact and T's rounding is magnified at most 3.5 times. At the
// top, where 2^k itself overflows, it is exp(x), scaled by 2^k last.
//
// log1p takes the Taylor series for |x| < 2^-9 and otherwise the log of
// 1 + x formed exactly in three parts. sinh and tanh are built on expm1 of
// |x|, cosh on exp, so that no difference of nearly equal values is formed:
//   sinh = (u + u/(u + 1))/2,  tanh = u/(u + 2) with u = expm1(2|x|),
//   cosh = (E + 1/E)/2.
// Past |x| = 40 the smaller exponential is below 2^-115 of the result and
// left out; exp then carries the halving in its scale, so that sinh and
// cosh overflow only where their values leave the doubles.
#include <cmath>

#include "quad/math_kernels.hpp"
#include "quad/math_tables.hpp"
#include "quad/quad.hpp"

namespace quorl {

namespace {

using detail::kExpOverflow;
using detail::kInf;
using detail::kNaN;

// Beyond this |x| sinh and cosh overflow (they do from ln(2 DBL_MAX) =
// 710.47586007394...; up to here exp's scale brings that about).
constexpr double kHalfExpOverflow = 710.5;
// Beyond this |x| the smaller exponential is negligible in sinh, cosh and tanh.
constexpr double kOneSided = 40.0;

// exp(|x|)/2 for kOneSided <= |x| <= kHalfExpOverflow.
Quad halfExp(Quad ax) { return detail::expCore(ax.hi, ax.lo, 0.0, -1); }

}  // namespace

Quad expm1(Quad a) {
    if (std::isnan(a.hi)) {
        return Quad{kNaN, 0.0};
    }
    if (a.hi == 0.0) {
        return a;
    }
    if (a.hi > kExpOverflow) {
        return Quad{kInf, 0.0};
    }
    if (a.hi < -80.0) {  // exp(a) is below 2^-115: the result is -1 to a pair's precision
        return Quad{-1.0, std::exp(a.hi)};
    }
    const detail::ExpReduction red = detail::reduceExp(a.hi, a.lo, 0.0);
    const Quad p = detail::expMinusOneReduced(red.rh, red.rl);
    if (red.n >= -128 && red.n <= 128) {
        const Quad d{detail::kExpm1Table[red.n + 128][0], detail::kExpm1Table[red.n + 128][1]};
        return detail::addExact(d, p + d * p);
    }
    const int k = static_cast<int>(red.n >> 8);
    const Quad T{detail::kExp2Table[red.n & 255][0], detail::kExp2Table[red.n & 255][1]};
    if (k > 1023) {
        // 2^k T is no double here (x above about 709.781), and 2^k T - 1 plus
        // 2^k T p would be NaN. The 1 lies below 2^-1000 of the result:
        // it is exp's own, T + T p scaled by 2^k last, finite up to the
        // largest double and inf beyond.
        return detail::scaleByPowerOfTwo(detail::addExact(T, T * p), k);
    }
    const Quad t = detail::scaleByPowerOfTwo(T, k);
    double s, e;
    eft::twoSum(t.hi, -1.0, s, e);
    return detail::addExact(detail::addDouble(Quad{s, e}, t.lo), t * p);
}

Quad log1p(Quad a) {
    if (std::isnan(a.hi) || a.hi < -1.0 || (a.hi == -1.0 && a.lo < 0.0)) {
        return Quad{kNaN, 0.0};
    }
    if (a.hi == 0.0) {
        return a;
    }
    if (a.hi == -1.0 && a.lo == 0.0) {
        return Quad{-kInf, 0.0};
    }
    if (std::isinf(a.hi)) {
        return a;
    }
    if (std::fabs(a.hi) < 0x1p-9) {
        return detail::log1pSmall(a.hi, a.lo);
    }
    // 1 + a exactly as s + m + l.
    double s, e, m, l;
    eft::twoSum(1.0, a.hi, s, e);
    eft::twoSum(e, a.lo, m, l);
    eft::quickTwoSum(s, m, s, m);
    return detail::toQuad(detail::logCore(Quad{s, m}, l));
}

Quad sinh(Quad a) {
    return detail::oddExtension(a, [](Quad x) {
        if (x.hi > kHalfExpOverflow) {
            return Quad{kInf, 0.0};
        }
        if (x.hi >= kOneSided) {
            return halfExp(x);
        }
        const Quad u = expm1(x);
        return ldexp(u + u / (u + 1.0), -1);
    });
}

Quad cosh(Quad a) {
    if (std::isnan(a.hi)) {
        return Quad{kNaN, 0.0};
    }
    const Quad x = a.hi < 0.0 ? -a : a;
    if (x.hi > kHalfExpOverflow) {
        return Quad{kInf, 0.0};
    }
    if (x.hi >= kOneSided) {
        return halfExp(x);
    }
    const Quad E = exp(x);
    return ldexp(E + 1.0 / E, -1);
}

Quad tanh(Quad a) {
    return detail::oddExtension(a, [](Quad x) {
        if (x.hi >= kOneSided) {
            return Quad{1.0, 0.0};
        }
        const Quad u = expm1(ldexp(x, 1));
        return u / (u + 2.0);
    });
}

}  // namespace quorl
