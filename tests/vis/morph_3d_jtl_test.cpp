// The height morphing of 3D points and its piecewise-linear logarithm.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

#include "io/stop.hpp"
#include "quad/decimal.hpp"
#include "vis/log10lf.hpp"
#include "vis/morph_3d_jtl.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;

Quad q(const char* text) { return quadFromText(text); }

// Within a few units in the last place of a quad real.
void expectNear(const Quad& got, const Quad& want, const char* what) {
    const Quad diff = abs(got - want);
    EXPECT_TRUE(diff < q("1e-30") * (abs(want) + Quad{1.0, 0.0}))
        << what << ": got " << got.hi << " + " << got.lo << ", want " << want.hi << " + " << want.lo;
}

TEST(Log10Lf, ExactAtPowersOfTenAndStraightBetween) {
    const Quad ninth = Quad{1.0, 0.0} / fromInt(9);
    expectNear(quorl::LOG10LF(q("1")), Quad{}, "1");
    expectNear(quorl::LOG10LF(q("10")), fromInt(1), "10");
    expectNear(quorl::LOG10LF(q("50")), fromInt(1) + fromInt(4) * ninth, "50");
    expectNear(quorl::LOG10LF(q("2")), ninth, "2");
    expectNear(quorl::LOG10LF(q("0.5")), -ninth, "0.5");
    expectNear(quorl::LOG10LF(q("0.1")), fromInt(-1), "0.1");
    // Every power of ten over a wide range, from both sides of the boundary:
    // the high part of the logarithm may fall just below the whole number.
    for (int k = -30; k <= 30; ++k) {
        const Quad p = pow(fromInt(10), k);
        expectNear(quorl::LOG10LF(p), fromInt(k), "power of ten");
        const Quad below = p * (Quad{1.0, 0.0} - q("1e-25"));
        const Quad above = p * (Quad{1.0, 0.0} + q("1e-25"));
        EXPECT_TRUE(quorl::LOG10LF(below) < fromInt(k) && fromInt(k) < quorl::LOG10LF(above)) << k;
    }
}

// The decade taken from a double logarithm where it can be gives the bits
// of the decade taken from the quad logarithm: values of every size, and
// values within a few units of a power of ten on either side.
TEST(Log10Lf, DecadeFromTheDoubleLogarithmChangesNoBit) {
    const auto byQuadLogarithm = [](const Quad& v) {
        const Quad one{1.0, 0.0};
        const Quad v2 = v < one ? one / v : v;
        const Quad k = trunc(Quad{log10(v2).hi, 0.0});
        const Quad r = v2 / (fromInt(9) * pow(fromInt(10), quorl::toInt(k))) + k - one / fromInt(9);
        return v < one ? -r : r;
    };
    std::mt19937_64 rng(10);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    for (int n = 0; n < 400000; ++n) {
        const int k = static_cast<int>(rng() % 600) - 300;
        Quad v;
        if (n % 2 == 0) {
            v = Quad{unit(rng) * std::pow(10.0, k), 0.0};
            v = v + Quad{v.hi * 0x1p-60 * (unit(rng) - 5.5), 0.0};
        } else {
            const Quad p = pow(fromInt(10), k % 40);
            const double units = static_cast<double>(static_cast<int>(rng() % 9) - 4);
            v = p + p * Quad{std::ldexp(units, -50 - static_cast<int>(rng() % 60)), 0.0};
        }
        const Quad got = quorl::LOG10LF(v), want = byQuadLogarithm(v);
        ASSERT_TRUE(got.hi == want.hi && got.lo == want.lo) << v.hi << " + " << v.lo;
    }
}

TEST(Log10Lf, NothingToTakeTheLogarithmOfGivesZero) {
    EXPECT_TRUE(quorl::LOG10LF(Quad{}) == Quad{});
    EXPECT_TRUE(quorl::LOG10LF(fromInt(-3)) == Quad{});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(quorl::LOG10LF(Quad{nan, 0.0}) == Quad{});
}

TEST(Log10Lf, TracePrintsTheValueAndItsIntermediatesAboveUnitFive) {
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    (void)quorl::LOG10LF(s, q("50"), 5);
    EXPECT_EQ(out.str(), "");
    (void)quorl::LOG10LF(s, q("50"), 6);
    EXPECT_EQ(out.str(),
              "   1.444444444 = Log10LF( 0.500000000E+02, 6)\n"
              "  0.500000E+02  0.500000E+02  0.100000E+01  0.100000E+02 :Vdel1,Vdel2,Vdel3,Vdel4\n");
}

struct Morphed {
    Quad z;
    quorl::TLREC point;
};

Morphed morph(int rule, const Quad& z) {
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    s.JTLMORPH = rule;
    quorl::TLREC p;
    p.IC = 9;
    p.TH = 2.0f;
    p.XYZ(1) = q("0.25");
    p.XYZ(2) = q("3.5");
    p.XYZ(3) = z;
    quorl::MORPH3DJTL(s, p);
    return {p.XYZ(3), p};
}

TEST(Morph3dJtl, EachRuleOnBothSidesOfTheLinearBand) {
    struct Case {
        int rule;
        const char* z;
        const char* want;
    };
    const Case cases[] = {
        {1, "0.7", "0.7"},   {1, "-1", "-1"},    {1, "55", "2.5"},   {1, "-10", "-2"},
        {1, "10000", "5"},   {1, "-1000", "-4"}, {2, "1000", "4"},   {2, "-100", "-3"},
        {2, "0.5", "0.5"},   {3, "4", "1.75"},   {3, "-4", "-1.75"}, {3, "1", "1"},
        {0, "-5000", "-5000"}, {5, "-5000", "-5000"}, {-1, "77", "77"},
    };
    for (const Case& c : cases) {
        const Morphed m = morph(c.rule, q(c.z));
        expectNear(m.z, q(c.want), c.z);
        // Only the height changes.
        EXPECT_EQ(m.point.IC, 9);
        EXPECT_EQ(m.point.TH, 2.0f);
        EXPECT_TRUE(m.point.XYZ(1) == q("0.25") && m.point.XYZ(2) == q("3.5"));
    }
}

TEST(Morph3dJtl, ANotANumberHeightCountsAsBelowMinusOne) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(morph(1, Quad{nan, 0.0}).z == fromInt(-1));
    EXPECT_TRUE(std::isnan(morph(2, Quad{nan, 0.0}).z.hi));
    EXPECT_TRUE(std::isnan(morph(3, Quad{nan, 0.0}).z.hi));
}

TEST(Morph3dJtl, TheUsersOwnRuleHaltsUntilItIsDefined) {
    std::istringstream in("\n");
    std::ostringstream out;
    quorl::State s(in, out);
    s.JTLMORPH = 4;
    quorl::TLREC p;
    try {
        quorl::MORPH3DJTL(s, p);
        FAIL() << "rule 4 went on";
    } catch (const quorl::io::Stop& stop) {
        EXPECT_NE(stop.status(), 0);
        EXPECT_EQ(stop.message(), "");
    }
    EXPECT_EQ(out.str(), "jTLmorph=4 has not yet been defined by the user. 'Enter' to halt.\n");
}

}  // namespace
