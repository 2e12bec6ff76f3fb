// The quotient of two quad reals off the finite path of operator/: where
// the recipe's head is not finite. Either an operand is zero, infinite or
// NaN, and the quotient of the heads is the IEEE answer (+-inf, +-0, NaN),
// or the quotient lies within a rounding of the largest double and one of
// the recipe's steps overflowed on the way (the product q1 * b.hi, which
// comes back near a.hi, or the final sum q1 + q2): then the dividend is
// halved (exactly: its head is at least 2^-50 here, as |b.hi| >= 2^-1074),
// divided by the same recipe, and the pair doubled, which overflows to an
// infinity with a zero tail exactly where the quotient leaves the doubles.
#include <cmath>

#include "quad/quad.hpp"

namespace quorl::detail {

Quad quotientOffRange(Quad a, Quad b) {
    const double q1 = a.hi / b.hi;
    if (!std::isfinite(q1) || !std::isfinite(b.hi)) {
        return Quad{q1, 0.0};
    }
    const Quad half = quotient(Quad{a.hi * 0.5, a.lo * 0.5}, b);
    const double hi = half.hi * 2.0;
    if (!(std::fabs(hi) <= kLargest)) {
        return Quad{hi, 0.0};
    }
    return Quad{hi, half.lo * 2.0};
}

}  // namespace quorl::detail
