// 113-bit references for the accuracy tests: __float128 values and
// libquadmath functions, good to about 2^-112, far below the errors measured.
#pragma once

#include <quadmath.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "quad/quad.hpp"

namespace quorl::testing {

using F128 = __float128;

// The pair's value; exact when hi and lo span at most 113 bits, as for every
// argument drawn by randomPair.
inline F128 toF128(Quad a) { return static_cast<F128>(a.hi) + static_cast<F128>(a.lo); }

// Error of a result in units of 2^-104 relative to the reference. Below the
// range where a pair has full precision the unit is the smallest subnormal,
// the finest step a pair can take there.
inline double errorUnits(Quad got, F128 want) {
    if (isnanq(want)) {
        return std::isnan(got.hi) ? 0.0 : INFINITY;
    }
    if (isinfq(want)) {
        return got.hi == static_cast<double>(want) ? 0.0 : INFINITY;
    }
    if (!std::isfinite(got.hi) || !std::isfinite(got.lo)) {
        return INFINITY;
    }
    const F128 unitFloor = static_cast<F128>(0x1p-1074);
    F128 unit = fabsq(want) * static_cast<F128>(0x1p-104);
    if (unit < unitFloor) {
        unit = unitFloor;
    }
    return static_cast<double>(fabsq(toF128(got) - want) / unit);
}

// A deterministic source of arguments.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : gen_(seed) {}

    double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(gen_); }
    // 10^u, u uniform in [lo, hi): magnitudes spread evenly over decades.
    double logUniform(double lo, double hi) { return std::pow(10.0, uniform(lo, hi)); }
    bool coin() { return (gen_() & 1) != 0; }

    // A pair with head `hi` and a random tail of full length, |lo| <= ulp/2,
    // such that hi + lo is exact in 113 bits.
    Quad pair(double hi) {
        if (hi == 0.0 || !std::isfinite(hi)) {
            return Quad{hi, 0.0};
        }
        const double ulp = std::nextafter(std::fabs(hi), INFINITY) - std::fabs(hi);
        const auto m = static_cast<std::int64_t>(gen_() >> 11) - (std::int64_t{1} << 52);
        const double lo = std::ldexp(static_cast<double>(m), -53) * ulp;
        double s, e;
        eft::quickTwoSum(hi, lo, s, e);
        return Quad{s, e};
    }

private:
    std::mt19937_64 gen_;
};

// The largest error over a set of arguments, and where it occurred.
struct ErrorReport {
    double maxUnits = 0.0;
    std::string where;

    void add(double units, const std::string& args) {
        if (!(units <= maxUnits)) {
            maxUnits = units;
            where = args;
        }
    }
    void print(const char* what) const {
        std::printf("[accuracy] %-40s max %7.3f units of 2^-104 (at %s)\n", what, maxUnits, where.c_str());
    }
};

// x - 1 for a pair whose head lies in [0.5, 2]: exact when the result spans
// at most 113 bits (nearOnePair draws only such x).
inline F128 minusOne(Quad x) { return static_cast<F128>(x.hi - 1.0) + static_cast<F128>(x.lo); }

// 1 + t or 1 - t with |t| = 10^u, u uniform in [lowDecade, highDecade), drawn
// so that x - 1 is exact in 113 bits: a reference near 1 is then computed
// from x - 1 (log1pq), free of the rounding of x itself.
inline Quad nearOnePair(Draw& d, double lowDecade, double highDecade) {
    for (;;) {
        const Quad t = d.pair(d.logUniform(lowDecade, highDecade));
        const Quad x = d.coin() ? fromDouble(1.0) + t : fromDouble(1.0) - t;
        const F128 m = minusOne(x);
        if (m - static_cast<F128>(x.hi - 1.0) == static_cast<F128>(x.lo)) {
            return x;
        }
    }
}

inline std::string show(Quad a) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%a%+a", a.hi, a.lo);
    return buf;
}

}  // namespace quorl::testing
