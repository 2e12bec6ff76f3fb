#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "quad/decimal.hpp"
#include "text/float_write.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;

std::string text(const Quad& q) {
    quorl::Text<40> t;
    quorl::FLOATWRITE(q, t);
    return t.str();
}

TEST(FloatWrite, OrdinaryValuesTakeTheFixedRowWithThirtyTwoDecimals) {
    EXPECT_EQ(text(quadFromText("12.5")), "     12.50000000000000000000000000000000");
    EXPECT_EQ(text(quadFromText("-12.5")), "    -12.50000000000000000000000000000000");
    // Exactly 999 stays in the f40.32 row; just above it drops to f40.29.
    EXPECT_EQ(text(quadFromText("999")), "    999.00000000000000000000000000000000");
    EXPECT_EQ(text(quadFromText("1000")), "      1000.00000000000000000000000000000");
}

TEST(FloatWrite, SmallValuesAreScaledAndTaggedWithTheirExponent) {
    // 1e-15 is shown as 1e-5 with the literal E-10 after it.
    EXPECT_EQ(text(quadFromText("1e-15")), "   0.0000100000000000000000000000000E-10");
    // A value exactly at 1e-10 falls into the scaled row below it.
    EXPECT_EQ(text(quadFromText("1e-10")).substr(36), "E-10");
    EXPECT_EQ(text(quadFromText("1e-20")).substr(36), "E-20");
    EXPECT_EQ(text(quadFromText("1e-30")).substr(36), "E-30");
    EXPECT_EQ(text(quadFromText("2e-10")).find('E'), std::string::npos);
}

TEST(FloatWrite, ZeroExtremesAndNonFiniteValuesTakeTheExponentRows) {
    EXPECT_EQ(text(Quad{}), "   0.0000000000000000000000000000000E+00");
    EXPECT_EQ(text(quadFromText("1e-40")), "   0.1000000000000000000000000000000E-39");
    EXPECT_EQ(text(quadFromText("2e30")), "  0.20000000000000000000000000000000E+31");
    const std::string nan = text(Quad{std::numeric_limits<double>::quiet_NaN(), 0.0});
    EXPECT_NE(nan.find("NaN"), std::string::npos);
    EXPECT_EQ(nan.size(), 40u);
}

TEST(FloatWrite, NumbersTooWideForTheirRowFillTheFieldWithAsterisks) {
    const std::string stars(40, '*');
    // f40.29 holds at most ten integer digits, nine with a minus sign.
    EXPECT_EQ(text(quadFromText("1e10")), stars);
    EXPECT_EQ(text(quadFromText("-1e9")), stars);
    EXPECT_NE(text(quadFromText("9999999999")), stars);
    EXPECT_NE(text(quadFromText("-999999999")), stars);
    // f40.21 from 1e18 (1e17 negative), f40.12 from 1e27 (1e26 negative).
    EXPECT_EQ(text(quadFromText("1e18")), stars);
    EXPECT_EQ(text(quadFromText("-1e17")), stars);
    EXPECT_NE(text(quadFromText("1e17")), stars);
    EXPECT_EQ(text(quadFromText("1e27")), stars);
    EXPECT_EQ(text(quadFromText("-1e26")), stars);
    EXPECT_NE(text(quadFromText("1e26")), stars);
}

TEST(FloatWrite, ShowsEveryDigitOfTheQuadValue) {
    // One third carries 32 correct digits in the pair.
    const Quad third = quorl::fromInt(1) / quorl::fromInt(3);
    EXPECT_EQ(text(third), "      0.33333333333333333333333333333333");
}

}  // namespace
