// Accuracy of + * / sqrt against 113-bit references, on random pairs of
// full length over many magnitudes.
#include <gtest/gtest.h>

#include "quad/quad.hpp"
#include "tests/quad/oracle.hpp"

using quorl::Quad;
using namespace quorl::testing;

namespace {

constexpr int kCount = 20000;
constexpr double kBasicOpTarget = 2.0;

Quad randomPair(Draw& d, double lowDecade, double highDecade, bool anySign) {
    const double hi = d.logUniform(lowDecade, highDecade);
    return d.pair(anySign && d.coin() ? -hi : hi);
}

template <class Op, class Ref>
ErrorReport measure(std::uint64_t seed, bool sameSign, Op op, Ref ref) {
    Draw d(seed);
    ErrorReport report;
    for (int i = 0; i < kCount; ++i) {
        Quad a = randomPair(d, -20, 20, !sameSign);
        Quad b = randomPair(d, -20, 20, !sameSign);
        if (sameSign && d.coin()) {
            a = -a;
            b = -b;
        }
        // Half the cases of close magnitudes, where the tails interact most.
        if (i % 2 == 0) {
            b = d.pair(a.hi * d.uniform(0.5, 2.0));
        }
        report.add(errorUnits(op(a, b), ref(toF128(a), toF128(b))), show(a) + ", " + show(b));
    }
    return report;
}

TEST(QuadAccuracy, AdditionOfOneSignIsWithinTwoUnits) {
    const ErrorReport r = measure(11, true, [](Quad a, Quad b) { return a + b; },
                                  [](F128 a, F128 b) { return a + b; });
    r.print("a + b, one sign");
    EXPECT_LE(r.maxUnits, kBasicOpTarget) << r.where;
}

TEST(QuadAccuracy, ProductIsWithinTwoUnits) {
    const ErrorReport r = measure(12, false, [](Quad a, Quad b) { return a * b; },
                                  [](F128 a, F128 b) { return a * b; });
    r.print("a * b");
    EXPECT_LE(r.maxUnits, kBasicOpTarget) << r.where;
}

TEST(QuadAccuracy, QuotientIsWithinTwoUnits) {
    const ErrorReport r = measure(13, false, [](Quad a, Quad b) { return a / b; },
                                  [](F128 a, F128 b) { return a / b; });
    r.print("a / b");
    EXPECT_LE(r.maxUnits, kBasicOpTarget) << r.where;
}

TEST(QuadAccuracy, SquareRootIsWithinTwoUnits) {
    Draw d(14);
    ErrorReport r;
    for (int i = 0; i < kCount; ++i) {
        const Quad a = d.pair(d.logUniform(-300, 300));
        r.add(errorUnits(sqrt(a), sqrtq(toF128(a))), show(a));
    }
    r.print("sqrt on [1e-300, 1e300]");
    EXPECT_LE(r.maxUnits, kBasicOpTarget) << r.where;
}

}  // namespace
