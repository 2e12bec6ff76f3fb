// Transcendental functions of quad reals.
#include <cmath>
#include <limits>

#include "quad/quad.hpp"

namespace quorl {

namespace {
// ln 2 as a double-double.
constexpr Quad kLn2{6.931471805599452862e-01, 2.319046813846299558e-17};
constexpr Quad kLn10{2.302585092994045901e+00, -2.170756223382249351e-16};
}  // namespace

// exp(a) = 2^k * exp(r), r = a - k ln2 reduced further by 2^-10, Taylor series,
// then squared back.
Quad exp(Quad a) {
    if (a.hi > 709.78) {
        return Quad{std::numeric_limits<double>::infinity(), 0.0};
    }
    if (a.hi < -745.2) {
        return Quad{0.0, 0.0};
    }
    if (std::isnan(a.hi)) {
        return a;
    }
    const double k = std::nearbyint(a.hi / kLn2.hi);
    Quad r = (a - kLn2 * k) * (1.0 / 1024.0);
    Quad term = r;
    Quad sum = r;
    for (int n = 2; n < 20; ++n) {
        term = term * r / static_cast<double>(n);
        sum = sum + term;
        if (std::fabs(term.hi) < 1e-36) {
            break;
        }
    }
    // exp(r) - 1 squared up: e^(2x) - 1 = (e^x - 1)(e^x - 1 + 2).
    for (int i = 0; i < 10; ++i) {
        sum = sum * (sum + 2.0);
    }
    sum = sum + 1.0;
    return Quad{std::ldexp(sum.hi, static_cast<int>(k)), std::ldexp(sum.lo, static_cast<int>(k))};
}

// Newton's iteration on exp: x <- x + a * exp(-x) - 1.
Quad log(Quad a) {
    if (a.hi <= 0.0 || std::isnan(a.hi)) {
        return Quad{a.hi == 0.0 ? -std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::quiet_NaN(),
                    0.0};
    }
    if (std::isinf(a.hi)) {
        return a;
    }
    Quad x{std::log(a.hi), 0.0};
    x = x + a * exp(-x) - 1.0;
    return x;
}

Quad log10(Quad a) { return log(a) / kLn10; }

Quad pow(Quad a, Quad b) { return exp(b * log(a)); }

// Binary powering; a negative exponent inverts at the end.
Quad pow(Quad a, int n) {
    if (n == 0) {
        return Quad{1.0, 0.0};
    }
    long long m = n < 0 ? -static_cast<long long>(n) : n;
    Quad result{1.0, 0.0};
    Quad base = a;
    while (m > 0) {
        if (m & 1) {
            result = result * base;
        }
        m >>= 1;
        if (m > 0) {
            base = base * base;
        }
    }
    return n < 0 ? Quad{1.0, 0.0} / result : result;
}

}  // namespace quorl
