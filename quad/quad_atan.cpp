// atan, atan2, asin and acos of quad reals, all through one kernel: the
// angle atan(y/x) for 0 <= y <= x.
//
// With c = j/256 the table point nearest to y/x,
//   atan(y/x) = atan(c) + atan(u),  u = (y - c x) / (x + c y),  |u| <= 2^-9,
// so one division gives u without forming y/x, atan(c) comes from a table and
// atan(u) from its Taylor polynomial. The other octants follow from
// atan(y/x) = pi/2 - atan(x/y) and the angle pi - theta. asin and acos are
// the angles of (x, sqrt(1 - x^2)), where 1 - x^2 is formed as (1 - x)(1 + x)
// with 1 - x exact once |x| >= 1/2.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "quad/math_kernels.hpp"
#include "quad/quad.hpp"
#include "quad/trig_tables.hpp"

namespace quorl {

namespace {

using detail::addDouble;
using detail::addExact;
using detail::kNaN;
using detail::mulDouble;

constexpr Quad kHalfPi{kPi.hi * 0.5, kPi.lo * 0.5};
constexpr Quad kQuarterPi{kPi.hi * 0.25, kPi.lo * 0.25};

// atan(y/x) for 0 <= y <= x (y a hair above x is fine too), x > 0, both
// far from overflow and underflow.
Quad atanRatio(Quad y, Quad x) {
    const int j = static_cast<int>(y.hi / x.hi * 256.0 + 0.5);
    Quad u;
    if (j == 0) {
        u = y / x;
    } else {
        // c x is within 2^-106 of exact, and y - c x cancels exactly in its
        // head: the error of u stays near 2^-106 y/x, below 2^-106 of the angle.
        const double c = j * (1.0 / 256);
        u = (y - mulDouble(x, c)) / (x + mulDouble(y, c));
    }
    // atan u = u + u^3 p(u^2): the first neglected term, u^15/15, is below
    // 2^-138 u. p needs some 2^-88 relative precision: -1/3 and 1/5 as pairs,
    // the terms from u^4/7 on (below 2^-37 p) in double precision.
    const Quad u2 = u * u;
    const double v = u2.hi;
    const double h = -1.0 / 7 + v * (1.0 / 9 + v * (-1.0 / 11 + v * (1.0 / 13)));
    Quad p = addDouble(detail::kFifth, v * h);
    p = addExact(-detail::kThird, p * u2);
    const Quad atanU = u + (u * u2) * p;
    if (j == 0) {
        return atanU;
    }
    return Quad{detail::kAtanTable[j][0], detail::kAtanTable[j][1]} + atanU;
}

// The angle of the point (x, y) in the first quadrant, x, y >= 0 finite and
// not both zero.
Quad firstQuadrantAngle(Quad y, Quad x) {
    return y.hi <= x.hi ? atanRatio(y, x) : kHalfPi - atanRatio(x, y);
}

// 1 - x^2 for 0 <= x < 1.
Quad oneMinusSquare(Quad x) {
    if (x.hi < 0.5) {
        return 1.0 - x * x;
    }
    double s, e;
    eft::twoSum(1.0 - x.hi, -x.lo, s, e);  // 1 - x.hi is exact
    return Quad{s, e} * (1.0 + x);
}

}  // namespace

Quad atan(Quad a) {
    return detail::oddExtension(a, [](Quad x) {
        if (x.hi <= 1.0) {
            return atanRatio(x, Quad{1.0, 0.0});
        }
        return std::isinf(x.hi) ? kHalfPi : kHalfPi - atanRatio(Quad{1.0, 0.0}, x);
    });
}

Quad atan2(Quad y, Quad x) {
    if (std::isnan(y.hi) || std::isnan(x.hi)) {
        return Quad{kNaN, 0.0};
    }
    const bool yNegative = std::signbit(y.hi);
    const bool xNegative = std::signbit(x.hi);
    Quad ay = yNegative ? -y : y;
    Quad ax = xNegative ? -x : x;
    // The angle for |y|, from 0 to pi.
    Quad theta;
    if (std::isinf(ay.hi)) {
        theta = !std::isinf(ax.hi) ? kHalfPi
                : xNegative        ? Quad{detail::kThreeQuarterPi[0], detail::kThreeQuarterPi[1]}
                                   : kQuarterPi;
    } else if (std::isinf(ax.hi) || ay.hi == 0.0) {
        theta = xNegative ? kPi : Quad{0.0, 0.0};
    } else if (ax.hi == 0.0) {
        theta = kHalfPi;
    } else {
        // Both finite and non-zero: bring the larger near 1 (the angle does
        // not change) so that no product or quotient overflows or underflows.
        const int ey = std::ilogb(ay.hi);
        const int ex = std::ilogb(ax.hi);
        if (std::abs(ey) > 500 || std::abs(ex) > 500) {
            const int e = std::max(ey, ex);
            ay = ldexp(ay, -e);
            ax = ldexp(ax, -e);
        }
        const Quad base = firstQuadrantAngle(ay, ax);
        theta = xNegative ? kPi - base : base;
    }
    return yNegative ? -theta : theta;
}

Quad asin(Quad a) {
    return detail::oddExtension(a, [](Quad x) {
        if (x.hi > 1.0 || (x.hi == 1.0 && x.lo > 0.0)) {
            return Quad{kNaN, 0.0};
        }
        return x.hi == 1.0 && x.lo == 0.0 ? kHalfPi : firstQuadrantAngle(x, sqrt(oneMinusSquare(x)));
    });
}

Quad acos(Quad a) {
    if (std::isnan(a.hi)) {
        return Quad{kNaN, 0.0};
    }
    const bool negative = a.hi < 0.0;
    const Quad x = negative ? -a : a;
    if (x.hi > 1.0 || (x.hi == 1.0 && x.lo > 0.0)) {
        return Quad{kNaN, 0.0};
    }
    const Quad base =
        x.hi == 1.0 && x.lo == 0.0 ? Quad{0.0, 0.0} : firstQuadrantAngle(sqrt(oneMinusSquare(x)), x);
    return negative ? kPi - base : base;
}

}  // namespace quorl
