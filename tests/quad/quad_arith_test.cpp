#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>

#include "quad/quad.hpp"

using quorl::Quad;

namespace {

// The error-free kernels break silently under FMA contraction, fast-math
// or excess precision; these identities catch such a build.
TEST(QuadBuild, ErrorFreeKernelsHoldInThisBuild) {
    // Dekker's product error must equal the fused one, bit for bit.
    volatile double va = 1.0 + std::ldexp(1.0, -30), vb = 1.0 - std::ldexp(1.0, -29);
    const double a = va, b = vb;
    double p, e;
    quorl::eft::twoProd(a, b, p, e);
    EXPECT_EQ(e, std::fma(a, b, -p));
    double ah, al, bh, bl;
    quorl::eft::split(a, ah, al);
    quorl::eft::split(b, bh, bl);
    const double dekker = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    EXPECT_EQ(dekker, std::fma(a, b, -p));

    // Two-sum recovers the rounding error of a sum exactly.
    double s, t;
    quorl::eft::twoSum(1.0, std::ldexp(1.0, -60), s, t);
    EXPECT_EQ(s, 1.0);
    EXPECT_EQ(t, std::ldexp(1.0, -60));

    // A contracted a*b - p would make this product error vanish.
    volatile double x = 0.1;
    const double xx = x;
    const double sq = xx * xx;
    const double err = xx * xx - sq;
    EXPECT_EQ(err, 0.0) << "a*b-c was contracted into a fused multiply-add";
}

// The product error at the top of the range, where Dekker's splitting needs
// the large operand scaled: exact, or -p when the product overflows, as
// the fused multiply-add gives it (std::fma is the reference in any build).
TEST(QuadBuild, ProductErrorAtTheTopOfTheRangeIsTheFusedOne) {
    const double max = std::numeric_limits<double>::max();
    const double large[] = {max, std::nextafter(max, 0.0), -max, 0x1.fffffffp1000, 0x1.8p996, 0x1p995, 0x1.123456789abcdp1010};
    const double other[] = {0.0, -0.0, 0.5, -0.25, 0x1.fffffffffffffp-60, 3.0, 1.0 + 0x1p-52, 0x1p-900, 2.0, 0x1.8p30};
    for (const double a : large) {
        for (const double b : other) {
            for (const auto& [x, y] : {std::pair{a, b}, std::pair{b, a}}) {
                double p, e;
                quorl::eft::twoProd(x, y, p, e);
                EXPECT_EQ(p, x * y);
                EXPECT_EQ(e, std::fma(x, y, -p)) << x << " * " << y;
            }
        }
    }
}

// The comparisons and absLess (which decides from the heads where they
// can) answer as the head of the full difference does, on pairs built to
// sit at every distance: equal, heads equal with tails apart, heads a few units apart
// with tails pulling either way, far apart, opposite signs, zeros, pairs
// not normalised, and heads whose difference overflows.
TEST(QuadCompare, AnswersAreThoseOfTheFullDifference) {
    auto head = [](Quad a, Quad b) { return (a - b).hi; };
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    const double max = std::numeric_limits<double>::max();
    long checked = 0;
    for (int n = 0; n < 400000; ++n) {
        const double h = std::ldexp(unit(rng), pick(200) - 100);
        const double tailScale = pick(6) == 0 ? std::ldexp(1.0, -pick(40)) : 0x1p-53;  // sometimes not normalised
        Quad a{h, h * unit(rng) * tailScale};
        double bh = h;
        switch (pick(6)) {
            case 0: break;                                                           // heads equal
            case 1: for (int k = pick(5); k > 0; --k) bh = std::nextafter(bh, pick(2) ? max : -max); break;
            case 2: bh = h * (1 + unit(rng) * 0x1p-40); break;
            case 3: bh = std::ldexp(unit(rng), pick(200) - 100); break;              // anywhere
            case 4: bh = -h; break;
            default: bh = pick(2) ? 0.0 : -0.0; break;
        }
        Quad b{bh, pick(3) == 0 ? a.lo : bh * unit(rng) * tailScale};
        if (pick(50) == 0) {
            a = Quad{max * (pick(2) ? 1 : -1), 0.0};  // the heads' difference overflows
        }
        const double d = head(a, b);
        ASSERT_EQ(a < b, d < 0.0) << a.hi << " " << a.lo << " / " << b.hi << " " << b.lo;
        ASSERT_EQ(a > b, d > 0.0) << a.hi << " " << a.lo << " / " << b.hi << " " << b.lo;
        ASSERT_EQ(a == b, d == 0.0) << a.hi << " " << a.lo << " / " << b.hi << " " << b.lo;
        ASSERT_EQ(quorl::absLess(a, b), abs(a) < abs(b)) << a.hi << " " << a.lo << " / " << b.hi << " " << b.lo;
        ++checked;
    }
    EXPECT_EQ(checked, 400000);
}

TEST(QuadArith, AdditionKeepsTheTailOfBothOperands) {
    const Quad a{1.0, std::ldexp(1.0, -60)};
    const Quad b{std::ldexp(1.0, -40), std::ldexp(1.0, -95)};
    const Quad c = a + b;
    EXPECT_EQ(c.hi, 1.0 + std::ldexp(1.0, -40));
    EXPECT_EQ(c.lo, std::ldexp(1.0, -60) + std::ldexp(1.0, -95));
}

TEST(QuadArith, ProductOfTwoDoublesIsExact) {
    const double a = 1.0 + std::ldexp(1.0, -52);
    const Quad c = quorl::fromDouble(a) * quorl::fromDouble(a);
    // (1 + u)^2 = 1 + 2u + u^2, exactly representable as a pair.
    EXPECT_EQ(c.hi, 1.0 + std::ldexp(1.0, -51));
    EXPECT_EQ(c.lo, std::ldexp(1.0, -104));
}

TEST(QuadArith, DivisionAndSquareRootInvertMultiplication) {
    const Quad three = quorl::fromInt(3);
    const Quad third = quorl::fromInt(1) / three;
    const Quad back = third * three;
    EXPECT_LT(std::fabs((back - quorl::fromInt(1)).hi), std::ldexp(1.0, -104));
    const Quad r = sqrt(quorl::fromInt(2));
    EXPECT_LT(std::fabs((r * r - quorl::fromInt(2)).hi), std::ldexp(1.0, -102));
    EXPECT_EQ(sqrt(quorl::fromInt(0)).hi, 0.0);
    EXPECT_TRUE(std::isnan(sqrt(quorl::fromInt(-1)).hi));
}

TEST(QuadCompare, NonFiniteOperandsMakeLessThanHoldAndTheRestFail) {
    const Quad one = quorl::fromInt(1);
    const Quad nan{std::numeric_limits<double>::quiet_NaN(), 0.0};
    const Quad inf{std::numeric_limits<double>::infinity(), 0.0};
    for (const Quad& bad : {nan, inf, -inf}) {
        EXPECT_TRUE(bad < one);
        EXPECT_TRUE(one < bad);
        EXPECT_FALSE(bad > one);
        EXPECT_FALSE(one > bad);
        EXPECT_FALSE(bad == one);
        EXPECT_FALSE(bad == bad);
    }
    const Quad tiny{1.0, std::ldexp(1.0, -80)};
    EXPECT_TRUE(one < tiny);
    EXPECT_TRUE(tiny > one);
    EXPECT_FALSE(tiny == one);
    EXPECT_TRUE(one == quorl::fromDouble(1.0));
}

TEST(QuadConvert, IntegersRoundTripAndTruncateTowardZero) {
    for (std::int64_t v : {std::int64_t{0}, std::int64_t{-1}, INT64_MAX, INT64_MIN, std::int64_t{9007199254740993}}) {
        const Quad q = quorl::fromInt64(v);
        EXPECT_EQ(static_cast<__int128>(q.hi) + static_cast<__int128>(q.lo), static_cast<__int128>(v));
        EXPECT_EQ(q.hi, static_cast<double>(v));
    }
    EXPECT_EQ(quorl::toInt(Quad{2.75, 0.0}), 2);
    EXPECT_EQ(quorl::toInt(Quad{-2.75, 0.0}), -2);
    // The tail decides when the head is an integer: 3 - tiny truncates to 2.
    EXPECT_EQ(quorl::toInt(Quad{3.0, -std::ldexp(1.0, -70)}), 2);
    const Quad f = floor(Quad{-3.0, std::ldexp(1.0, -70)});
    EXPECT_EQ(f.hi, -3.0);
    const Quad g = floor(Quad{-3.0, -std::ldexp(1.0, -70)});
    EXPECT_EQ(g.hi + g.lo, -4.0);
}

}  // namespace
