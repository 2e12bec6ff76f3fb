// Exact decimal expansion of double-doubles: rounding at the digit, ties to
// even, the extremes of the exponent range, and pairs that are not
// normalised.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "quad/decimal.hpp"

using quorl::Quad;

namespace {

std::string fixed(Quad v, int decimals) {
    std::string s;
    quorl::fixedDigits(v, decimals, s);
    return s;
}

std::string sci(Quad v, int count, int& k) {
    std::string s;
    k = quorl::scientificDigits(v, count, s);
    return s;
}

TEST(DecimalDigits, FixedRoundsTiesToEven) {
    EXPECT_EQ(fixed(Quad{0.125, 0.0}, 2), "12");
    EXPECT_EQ(fixed(Quad{0.375, 0.0}, 2), "38");
    EXPECT_EQ(fixed(Quad{2.5, 0.0}, 0), "2");
    EXPECT_EQ(fixed(Quad{3.5, 0.0}, 0), "4");
    // A tail just above the tie decides it upward, just below downward.
    EXPECT_EQ(fixed(Quad{2.5, std::ldexp(1.0, -80)}, 0), "3");
    EXPECT_EQ(fixed(Quad{3.5, -std::ldexp(1.0, -80)}, 0), "3");
    EXPECT_EQ(fixed(Quad{0.0, 0.0}, 5), "0");
    EXPECT_EQ(fixed(Quad{0.004, 0.0}, 2), "0");
    EXPECT_EQ(fixed(Quad{1234.0, 0.0}, -2), "12");  // negative decimals: to hundreds
}

TEST(DecimalDigits, ScientificFindsTheExponentAndRoundsUpToANewPower) {
    int k;
    EXPECT_EQ(sci(Quad{0.99996, 0.0}, 4, k), "1000");
    EXPECT_EQ(k, 1);
    EXPECT_EQ(sci(Quad{1e22, 0.0}, 3, k), "100");
    EXPECT_EQ(k, 23);
    EXPECT_EQ(sci(Quad{DBL_TRUE_MIN, 0.0}, 17, k), "49406564584124654");
    EXPECT_EQ(k, -323);
    EXPECT_EQ(sci(Quad{DBL_MAX, 0.0}, 17, k), "17976931348623157");
    EXPECT_EQ(k, 309);
    EXPECT_EQ(fixed(Quad{DBL_MAX, 0.0}, 0).size(), 309U);
    // All digits of 2^-1074: 751 significant ones.
    std::string all;
    k = quorl::scientificDigits(Quad{DBL_TRUE_MIN, 0.0}, 760, all);
    EXPECT_EQ(all.substr(749), "25000000000");
}

TEST(DecimalDigits, PairsBeyondTheDoubleAndUnnormalisedOnes) {
    int k;
    // 1 + 2^-100: the tail shows at digit 31.
    EXPECT_EQ(sci(Quad{1.0, std::ldexp(1.0, -100)}, 32, k), "10000000000000000000000000000008");
    // 2^60 - 2^-60: head and tail of opposite signs, far apart.
    EXPECT_EQ(fixed(Quad{std::ldexp(1.0, 60), -std::ldexp(1.0, -60)}, 20), "115292150460684697599999999999999999913");
    // A tail larger than its head still counts by value.
    EXPECT_EQ(fixed(Quad{1.0, 1000.0}, 1), "10010");
    EXPECT_EQ(fixed(Quad{1.0, -1000.0}, 1), "9990");
    EXPECT_TRUE(quorl::isNegativeValue(Quad{1.0, -1000.0}));
    EXPECT_FALSE(quorl::isNegativeValue(Quad{-1.0, 1000.0}));
    EXPECT_TRUE(quorl::isNegativeValue(Quad{-0.0, 0.0}));
    EXPECT_FALSE(quorl::isNegativeValue(Quad{0.0, 0.0}));
    // The largest and smallest parts together: the expansion spans the
    // whole exponent range.
    const std::string wide = fixed(Quad{DBL_MAX, DBL_TRUE_MIN}, 1074);
    EXPECT_EQ(wide.size(), 309U + 1074U);
    EXPECT_EQ(wide.substr(0, 309), fixed(Quad{DBL_MAX, 0.0}, 0));
    const std::string tiny = fixed(Quad{DBL_TRUE_MIN, 0.0}, 1074);
    EXPECT_EQ(wide.substr(309), std::string(1074 - tiny.size(), '0') + tiny);
    EXPECT_EQ(tiny.substr(tiny.size() - 3), "625");
}

}  // namespace
