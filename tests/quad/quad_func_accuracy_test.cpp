// Accuracy of exp, log, log10 and the powers against 113-bit references,
// over the argument ranges the engine uses, thousands of random pairs each.
#include <gtest/gtest.h>

#include <functional>

#include "quad/quad.hpp"
#include "tests/quad/oracle.hpp"

using quorl::Quad;
using namespace quorl::testing;

namespace {

constexpr int kCount = 6000;
constexpr double kFunctionTarget = 8.0;

// Max error of f against ref over kCount arguments drawn by arg.
ErrorReport measure1(std::uint64_t seed, const std::function<Quad(Draw&)>& arg, Quad (*f)(Quad),
                     const std::function<F128(Quad)>& ref) {
    Draw d(seed);
    ErrorReport report;
    for (int i = 0; i < kCount; ++i) {
        const Quad x = arg(d);
        report.add(errorUnits(f(x), ref(x)), show(x));
    }
    return report;
}

Quad logUniformPair(Draw& d, double lowDecade, double highDecade) {
    return d.pair(d.logUniform(lowDecade, highDecade));
}

// 1 + t with |t| from 1e-30 to 0.5, either sign: log's hardest region.
Quad nearOne(Draw& d) { return nearOnePair(d, -30, -0.3); }

// The natural log of x, from x - 1 when x is near 1.
F128 logRef(Quad x, bool near1) { return near1 ? log1pq(minusOne(x)) : logq(toF128(x)); }

struct Range {
    const char* name;
    std::function<Quad(Draw&)> arg;
    bool near1 = false;
};

const Range kLogRanges[] = {
    {"near 1, 1 +- [1e-30, 0.5]", nearOne, true},
    {"[1e-30, 1e30]", [](Draw& d) { return logUniformPair(d, -30, 30); }},
    {"[1e-300, 1e300]", [](Draw& d) { return logUniformPair(d, -300, 300); }},
};

TEST(QuadAccuracy, LogIsWithinEightUnits) {
    std::uint64_t seed = 21;
    for (const Range& range : kLogRanges) {
        const ErrorReport r = measure1(seed++, range.arg, [](Quad x) { return log(x); },
                                       [&](Quad x) { return logRef(x, range.near1); });
        r.print((std::string("log on ") + range.name).c_str());
        EXPECT_LE(r.maxUnits, kFunctionTarget) << range.name << " at " << r.where;
    }
}

TEST(QuadAccuracy, Log10IsWithinEightUnits) {
    std::uint64_t seed = 31;
    for (const Range& range : kLogRanges) {
        const ErrorReport r = measure1(seed++, range.arg, [](Quad x) { return log10(x); },
                                       [&](Quad x) { return logRef(x, range.near1) / logq(10); });
        r.print((std::string("log10 on ") + range.name).c_str());
        EXPECT_LE(r.maxUnits, kFunctionTarget) << range.name << " at " << r.where;
    }
}

TEST(QuadAccuracy, ExpIsWithinEightUnits) {
    const Range ranges[] = {
        {"[-50, 50]", [](Draw& d) { return d.pair(d.uniform(-50, 50)); }},
        {"[-700, 700]", [](Draw& d) { return d.pair(d.uniform(-700, 700)); }},
        {"small, +-[1e-30, 1e-2]",
         [](Draw& d) { return d.pair(d.coin() ? d.logUniform(-30, -2) : -d.logUniform(-30, -2)); }},
    };
    std::uint64_t seed = 41;
    for (const Range& range : ranges) {
        const ErrorReport r = measure1(seed++, range.arg, [](Quad x) { return exp(x); },
                                       [](Quad x) { return expq(toF128(x)); });
        r.print((std::string("exp on ") + range.name).c_str());
        EXPECT_LE(r.maxUnits, kFunctionTarget) << range.name << " at " << r.where;
    }
}

TEST(QuadAccuracy, PowIsWithinEightUnits) {
    struct PowRange {
        const char* name;
        std::function<Quad(Draw&)> x, y;
        bool near1 = false;
    };
    const PowRange ranges[] = {
        {"x in (0, 1e6], y in [-10, 10]", [](Draw& d) { return logUniformPair(d, -6, 6); },
         [](Draw& d) { return d.pair(d.uniform(-10, 10)); }},
        {"x in (0, 1e3], y near 2.2", [](Draw& d) { return d.pair(d.uniform(0.0, 1e3)); },
         [](Draw& d) { return d.pair(d.uniform(2.1, 2.3)); }},
        {"x near 1, y in [-10, 10]", nearOne, [](Draw& d) { return d.pair(d.uniform(-10, 10)); }, true},
    };
    std::uint64_t seed = 51;
    for (const PowRange& range : ranges) {
        Draw d(seed++);
        ErrorReport r;
        for (int i = 0; i < kCount; ++i) {
            const Quad x = range.x(d);
            const Quad y = range.y(d);
            const F128 want = range.near1 ? expq(toF128(y) * log1pq(minusOne(x))) : powq(toF128(x), toF128(y));
            r.add(errorUnits(pow(x, y), want), show(x) + " ^ " + show(y));
        }
        r.print((std::string("pow, ") + range.name).c_str());
        EXPECT_LE(r.maxUnits, kFunctionTarget) << range.name << " at " << r.where;
    }
}

TEST(QuadAccuracy, IntegerPowerIsWithinEightUnits) {
    Draw d(61);
    ErrorReport small, large;
    for (int i = 0; i < kCount; ++i) {
        const Quad x = d.pair(d.coin() ? d.logUniform(-3, 3) : -d.logUniform(-3, 3));
        const int n = static_cast<int>(d.uniform(-40, 40));
        ErrorReport& r = (n >= -8 && n <= 8) ? small : large;
        r.add(errorUnits(pow(x, n), powq(toF128(x), static_cast<F128>(n))), show(x) + " ^ " + std::to_string(n));
    }
    ErrorReport integers;
    for (int base = 2; base <= 1000; base += (base < 20 ? 1 : 97)) {
        for (int n = -64; n <= 64; ++n) {
            const Quad x = quorl::fromInt(base);
            integers.add(errorUnits(pow(x, n), powq(base, n)), std::to_string(base) + " ^ " + std::to_string(n));
        }
    }
    small.print("pow(x, n), |n| <= 8, |x| in [1e-3, 1e3]");
    large.print("pow(x, n), 8 < |n| < 40");
    integers.print("pow(k, n), integer k <= 1000, |n| <= 64");
    EXPECT_LE(small.maxUnits, kFunctionTarget) << small.where;
    EXPECT_LE(large.maxUnits, kFunctionTarget) << large.where;
    EXPECT_LE(integers.maxUnits, kFunctionTarget) << integers.where;
}

}  // namespace
