// The ends of the quad real functions: zeros, infinities, NaN, overflow and
// underflow, negative bases, exact small powers, and the integer conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "quad/quad.hpp"

using quorl::fromDouble;
using quorl::fromInt;
using quorl::Quad;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const Quad kNaN{std::numeric_limits<double>::quiet_NaN(), 0.0};

bool same(Quad a, double hi, double lo = 0.0) { return a.hi == hi && a.lo == lo; }

TEST(QuadFunctions, LogOfZeroNegativeInfiniteAndNaN) {
    EXPECT_EQ(log(fromDouble(0.0)).hi, -kInf);
    EXPECT_EQ(log10(fromDouble(0.0)).hi, -kInf);
    EXPECT_TRUE(std::isnan(log(fromDouble(-1.0)).hi));
    EXPECT_TRUE(std::isnan(log10(fromDouble(-1e-300)).hi));
    EXPECT_EQ(log(fromDouble(kInf)).hi, kInf);
    EXPECT_TRUE(std::isnan(log(kNaN).hi));
    EXPECT_TRUE(same(log(fromDouble(1.0)), 0.0));
    // Subnormal arguments are exact doubles and have well-defined logs.
    const Quad tiny = log(fromDouble(0x1p-1074));
    EXPECT_DOUBLE_EQ(tiny.hi, -1074 * std::log(2.0));
}

TEST(QuadFunctions, ExpOverflowsToInfinityAndUnderflowsToZero) {
    EXPECT_TRUE(same(exp(fromDouble(710.0)), kInf));
    EXPECT_TRUE(same(exp(fromDouble(kInf)), kInf));
    EXPECT_TRUE(same(exp(fromDouble(-746.0)), 0.0));
    EXPECT_TRUE(same(exp(fromDouble(-kInf)), 0.0));
    EXPECT_TRUE(std::isnan(exp(kNaN).hi));
    EXPECT_TRUE(same(exp(fromDouble(0.0)), 1.0));
    // Just below the overflow threshold the result is finite, near DBL_MAX.
    const Quad big = exp(fromDouble(709.78));
    EXPECT_TRUE(std::isfinite(big.hi));
    EXPECT_GT(big.hi, 1.7e308);
    // Results in the subnormal range degrade gracefully instead of vanishing.
    EXPECT_GT(exp(fromDouble(-740.0)).hi, 0.0);
}

TEST(QuadFunctions, PowSpecialCases) {
    const Quad two = fromInt(2), half = fromDouble(0.5);
    EXPECT_TRUE(same(pow(fromDouble(0.0), two), 0.0));
    EXPECT_TRUE(same(pow(fromDouble(0.0), -two), kInf));
    EXPECT_TRUE(same(pow(fromDouble(3.7), fromDouble(0.0)), 1.0));
    EXPECT_TRUE(same(pow(kNaN, fromDouble(0.0)), 1.0));
    EXPECT_TRUE(std::isnan(pow(kNaN, two).hi));
    EXPECT_TRUE(std::isnan(pow(two, kNaN).hi));
    EXPECT_TRUE(same(pow(fromDouble(1.0), fromDouble(1e300)), 1.0));
    EXPECT_TRUE(same(pow(fromDouble(10.0), fromDouble(400.0)), kInf));
    EXPECT_TRUE(same(pow(fromDouble(10.0), fromDouble(-400.0)), 0.0));
    EXPECT_TRUE(same(pow(fromDouble(kInf), half), kInf));
    EXPECT_TRUE(same(pow(fromDouble(kInf), -half), 0.0));
    // A negative base takes integer exponents only; odd ones keep the sign.
    EXPECT_TRUE(std::isnan(pow(-two, half).hi));
    const Quad m8 = pow(-two, fromInt(3));
    EXPECT_NEAR(m8.hi, -8.0, 1e-30);
    const Quad p16 = pow(-two, fromInt(4));
    EXPECT_NEAR(p16.hi, 16.0, 1e-30);
    // A huge exponent does not break the extra-precise product.
    EXPECT_TRUE(same(pow(Quad{1.0, 0x1p-60}, fromDouble(1e300)), kInf));
}

TEST(QuadFunctions, IntegerPowersAreExactWhenTheResultIs) {
    EXPECT_TRUE(same(pow(fromInt(2), 10), 1024.0));
    EXPECT_TRUE(same(pow(fromInt(3), 5), 243.0));
    EXPECT_TRUE(same(pow(fromInt(10), 8), 1e8));
    // 10^45 = 2^45 5^45, and 5^45 < 2^106: a pair holds it exactly.
    const Quad e45 = pow(fromInt(10), 45);
    EXPECT_EQ(e45.hi, 1e45);
    __int128 five45 = 1;
    for (int i = 0; i < 45; ++i) {
        five45 *= 5;
    }
    EXPECT_TRUE(static_cast<__int128>(e45.hi / 0x1p45) + static_cast<__int128>(e45.lo / 0x1p45) == five45);
    EXPECT_TRUE(same(pow(fromInt(-3), 3), -27.0));
    EXPECT_TRUE(same(pow(fromInt(2), -2), 0.25));
    EXPECT_TRUE(same(pow(fromDouble(7.5), 0), 1.0));
    EXPECT_TRUE(same(pow(fromDouble(0.0), -3), kInf));
    EXPECT_TRUE(same(pow(fromDouble(0.0), 20), 0.0));
    // Beyond the binary powering the sign still follows the parity.
    EXPECT_LT(pow(fromDouble(-1.5), 21).hi, 0.0);
    EXPECT_GT(pow(fromDouble(-1.5), 22).hi, 0.0);
    EXPECT_TRUE(same(pow(fromDouble(10.0), 400), kInf));
}

TEST(QuadFunctions, Log10OfPowersOfTenIsCloseToTheExponent) {
    for (int k = -30; k <= 30; ++k) {
        const Quad ten = pow(fromInt(10), fromInt(k));
        const Quad l = log10(ten);
        EXPECT_LT(std::fabs((l - fromInt(k)).hi), 1e-30 * (std::abs(k) + 1)) << k;
    }
}

TEST(QuadConvert, NearestIntegerRoundsHalvesAwayFromZero) {
    EXPECT_TRUE(same(nint(fromDouble(2.5)), 3.0));
    EXPECT_TRUE(same(nint(fromDouble(-2.5)), -3.0));
    EXPECT_TRUE(same(nint(fromDouble(2.49)), 2.0));
    // A hair below one half, visible only in the tail, rounds down.
    EXPECT_TRUE(same(nint(Quad{0.5, -0x1p-80}), 0.0));
    EXPECT_TRUE(same(nint(Quad{-0.5, 0x1p-80}), 0.0));
    EXPECT_TRUE(same(nint(Quad{0x1p60, 0.5}), 0x1p60, 1.0));
    EXPECT_TRUE(std::isinf(nint(fromDouble(kInf)).hi));
}

TEST(QuadConvert, ToIntSaturatesAndMapsNaNToZero) {
    EXPECT_EQ(quorl::toInt(fromDouble(1e10)), INT32_MAX);
    EXPECT_EQ(quorl::toInt(fromDouble(-1e10)), INT32_MIN);
    EXPECT_EQ(quorl::toInt(fromDouble(kInf)), INT32_MAX);
    EXPECT_EQ(quorl::toInt(kNaN), 0);
    EXPECT_EQ(quorl::toInt(fromDouble(-2147483648.0)), INT32_MIN);
    EXPECT_EQ(quorl::toInt(Quad{2147483647.0, 0.25}), INT32_MAX);
}

TEST(QuadConvert, LdexpScalesBothPartsAndPredicatesSeeBothParts) {
    EXPECT_TRUE(same(ldexp(Quad{1.0, 0x1p-60}, 10), 1024.0, 0x1p-50));
    EXPECT_TRUE(quorl::isNaN(Quad{1.0, std::nan("")}));
    EXPECT_FALSE(quorl::isNaN(fromDouble(kInf)));
    EXPECT_TRUE(quorl::isInf(fromDouble(-kInf)));
    EXPECT_FALSE(quorl::isInf(fromDouble(1e308)));
}

TEST(QuadArith, DivisionAndSquareRootEnds) {
    EXPECT_TRUE(same(fromInt(1) / fromDouble(0.0), kInf));
    EXPECT_TRUE(std::isnan((fromDouble(0.0) / fromDouble(0.0)).hi));
    EXPECT_TRUE(same(fromInt(1) / fromDouble(kInf), 0.0));
    EXPECT_TRUE(same(sqrt(fromDouble(kInf)), kInf));
    EXPECT_TRUE(same(sqrt(fromDouble(-0.0)), -0.0));
    // Operands beyond 2^995 are split without overflow: exact products stay exact.
    const Quad big = fromDouble(0x1.8p1000) * fromDouble(0x1.8p-10);
    EXPECT_EQ(big.hi, 0x1.2p991);
    EXPECT_EQ(big.lo, 0.0);
    const Quad third = fromDouble(0x1p1020) / fromInt(3);
    EXPECT_LT(std::fabs((third * fromInt(3) - fromDouble(0x1p1020)).hi), 0x1p916);
    // Square roots of values far from 1 keep full precision.
    const Quad r = sqrt(Quad{0x1p-1000, 0x1p-1060});
    EXPECT_EQ(r.hi, 0x1p-500);
    EXPECT_EQ(r.lo, 0x1p-561);
}

}  // namespace
