#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <string>

#include "io/units.hpp"
#include "quad/decimal.hpp"
#include "text/om.hpp"

namespace {

using quorl::fromInt;
using quorl::OM;
using quorl::Quad;
using quorl::quadFromText;

std::string om(const Quad& v1, const Quad& v0) { return OM(v1, v0).str(); }
Quad q(int v) { return fromInt(v); }
Quad t(const char* text) { return quadFromText(text); }

TEST(Om, RatioIsAnExponentAndAThreeDigitMantissa) {
    EXPECT_EQ(om(q(5), q(10)), "  -0e.500");
    EXPECT_EQ(om(q(1), q(1000)), "  -2e.100");
    EXPECT_EQ(om(q(30), q(1)), "  +2e.300");
    EXPECT_EQ(om(q(1), q(4)), "  -0e.250");
    // Just below 1 the mantissa is held at 0.999 instead of rounding to 1.000.
    EXPECT_EQ(om(t("0.99999"), q(1)), "  -0e.999");
}

TEST(Om, ExactPowersOfTenGiveMantissaOneTenth) {
    // The logarithm of a ratio of 10**n may come out a hair below n; the
    // lift keeps such a ratio at 0.1 * 10**(n+1) rather than 0.999 * 10**n.
    EXPECT_EQ(om(q(10), q(1)), "  +2e.100");
    EXPECT_EQ(om(q(1), q(10)), "  -0e.100");
    EXPECT_EQ(om(t("1e-5"), q(1)), "  -4e.100");
    EXPECT_EQ(om(t("1e-9"), q(1)), "  -8e.100");
    EXPECT_EQ(om(q(1000000), q(1)), "  +7e.100");
}

TEST(Om, FieldChangesAtExponentsNineAndMinusNine) {
    EXPECT_EQ(om(t("5e8"), q(1)), "  +9e.500");
    EXPECT_EQ(om(t("5e9"), q(1)), " +10e.500");
    EXPECT_EQ(om(t("5e-10"), q(1)), "  -9e.500");
    EXPECT_EQ(om(t("5e-11"), q(1)), " -10e.500");
    EXPECT_EQ(om(t("2.5e-15"), q(1)), " -14e.250");
    // Three-digit exponents overflow the two-digit field.
    EXPECT_EQ(om(t("1e150"), q(1)), " +**e.100");
    EXPECT_EQ(om(t("1e-150"), q(1)), " -**e.100");
}

TEST(Om, NoMeasurableChangeBelowOnePartIn1e28) {
    EXPECT_EQ(om(q(5), q(5)), "  +1e.1  ");
    EXPECT_EQ(om(q(1) + t("1e-29"), q(1)), "  +1e.1  ");
    EXPECT_EQ(om(q(1) - t("1e-29"), q(1)), "  +1e.1  ");
    // A larger change is shown, however close the ratio is to 1.
    EXPECT_EQ(om(q(1) + t("1e-27"), q(1)), "  +1e.100");
    EXPECT_EQ(om(q(1) - t("1e-27"), q(1)), "  -0e.999");
}

TEST(Om, ZeroNegativeAndUndefinedValuesGetFixedTexts) {
    EXPECT_EQ(om(q(0), q(3)), "  - e.000");
    EXPECT_EQ(om(q(3), q(0)), "  + e.inf");
    EXPECT_EQ(om(q(0), q(0)), "    e.nul");
    EXPECT_EQ(om(q(3), q(-1)), "    e.err");
    EXPECT_EQ(om(q(-1), q(3)), "    e.err");
    EXPECT_EQ(om(q(0), q(-1)), "    e.err");
    const Quad marker = quorl::omUndefinedMarker();
    EXPECT_EQ(marker.hi, 1.202694003800341e-153);
    EXPECT_EQ(om(q(0), marker), "    e.err");
    EXPECT_EQ(om(marker, q(0)), "    e.err");
    // The marker is tested only when no ratio can be formed: being
    // positive, beside another positive value it is an ordinary number.
    EXPECT_EQ(om(marker, marker), "  +1e.1  ");
}

TEST(Om, NonFiniteValuesAreErrors) {
    const Quad inf{std::numeric_limits<double>::infinity(), 0.0};
    const Quad nan{std::numeric_limits<double>::quiet_NaN(), 0.0};
    EXPECT_EQ(om(inf, q(1)), "    e.err");
    EXPECT_EQ(om(q(1), inf), "    e.err");
    EXPECT_EQ(om(nan, q(1)), "    e.err");
    EXPECT_EQ(om(q(1), nan), "    e.err");
}

TEST(Om, RatiosBeyondTheDoubleRangeGiveADefinedText) {
    // The ratio underflows to 0: an exponent far beyond the field.
    EXPECT_EQ(om(t("1e-300"), t("1e300")), " -**e.100");
    // The ratio overflows, and so does the relative change: an infinite
    // change is the largest there is, never "no measurable change".
    EXPECT_EQ(om(t("1e300"), t("1e-300")), " +**e.999");
}

TEST(Om, DiagnosticsShowTheLastRatioAfterACallWithoutOne) {
    std::istringstream in;
    std::ostringstream out;
    quorl::io::Units units(in, out);
    quorl::OmScale kept;

    EXPECT_EQ(OM(q(30), q(1), units, 0, kept).str(), "  +2e.300");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(kept.EFACTOR, 2);

    EXPECT_EQ(OM(q(0), q(3), units, 6, kept).str(), "  - e.000");
    EXPECT_EQ(out.str(),
              "\n"
              "  - e.000 = omScale(  0.000000000000E+00,  0.300000000000E+01, 6)\n"
              "                      0.300000000000E+02    2  0.300000000000E+00\n"
              "\n");
}

}  // namespace
