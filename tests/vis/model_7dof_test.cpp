#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>

#include "io/stop.hpp"
#include "io/units.hpp"
#include "vis/model_7dof.hpp"

namespace {

using quorl::FixedArray1;
using quorl::FixedArray2;
using quorl::MODEL7DOF;
using Mat = std::array<std::array<double, 3>, 3>;

FixedArray1<double, 1, 4> h4(double a, double b, double c, double w = 1.0) {
    FixedArray1<double, 1, 4> v;
    v(1) = a;
    v(2) = b;
    v(3) = c;
    v(4) = w;
    return v;
}

FixedArray2<double, 1, 4, 1, 4> model(const FixedArray1<double, 1, 4>& xyz, const FixedArray1<double, 1, 4>& rpy,
                                      double scale) {
    FixedArray2<double, 1, 4, 1, 4> m;
    MODEL7DOF(xyz, rpy, scale, m, 0);
    return m;
}

Mat mul(const Mat& a, const Mat& b) {
    Mat c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
    return c;
}

double rad(double deg) { return deg * std::acos(-1.0) / 180.0; }

TEST(Model7Dof, ZeroAnglesAndUnitScaleGiveTheIdentity) {
    const auto m = model(h4(0, 0, 0), h4(0, 0, 0), 1.0);
    for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) EXPECT_EQ(m(i, j), i == j ? 1.0 : 0.0) << i << "," << j;
}

TEST(Model7Dof, YawNinetyTurnsLocalXOntoY) {
    const auto m = model(h4(0, 0, 0), h4(0, 0, 90), 1.0);
    // Column 1 is the image of the local x axis.
    EXPECT_NEAR(m(1, 1), 0.0, 1e-15);
    EXPECT_NEAR(m(2, 1), 1.0, 1e-15);
    EXPECT_NEAR(m(3, 1), 0.0, 1e-15);
    // and local y goes to -x.
    EXPECT_NEAR(m(1, 2), -1.0, 1e-15);
}

// Roll about x first, then pitch about y, then yaw about z, scaled, then
// shifted: compared with the product of the three plain rotation matrices.
// The fourth elements of both arguments divide the first three.
TEST(Model7Dof, CombinedRotationIsYawPitchRollScaledAndTranslated) {
    const double roll = 30, pitch = -50, yaw = 120, s = 2.5;
    const auto m = model(h4(2, -4, 6, 2), h4(2 * roll, 2 * pitch, 2 * yaw, 2), s);
    const double r = rad(roll), p = rad(pitch), y = rad(yaw);
    const Mat rx{{{1, 0, 0}, {0, std::cos(r), -std::sin(r)}, {0, std::sin(r), std::cos(r)}}};
    const Mat ry{{{std::cos(p), 0, std::sin(p)}, {0, 1, 0}, {-std::sin(p), 0, std::cos(p)}}};
    const Mat rz{{{std::cos(y), -std::sin(y), 0}, {std::sin(y), std::cos(y), 0}, {0, 0, 1}}};
    const Mat rot = mul(rz, mul(ry, rx));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(m(i + 1, j + 1), s * rot[i][j], 1e-14) << i << "," << j;
    EXPECT_EQ(m(1, 4), 1.0);
    EXPECT_EQ(m(2, 4), -2.0);
    EXPECT_EQ(m(3, 4), 3.0);
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(m(4, j), 0.0);
    EXPECT_EQ(m(4, 4), 1.0);
}

TEST(Model7Dof, ZeroHomogeneousWeightStops) {
    FixedArray2<double, 1, 4, 1, 4> m;
    EXPECT_THROW(MODEL7DOF(h4(1, 2, 3, 0), h4(0, 0, 0), 1.0, m, 0), quorl::io::Stop);
    EXPECT_THROW(MODEL7DOF(h4(1, 2, 3), h4(0, 0, 0, 0), 1.0, m, 0), quorl::io::Stop);
}

TEST(Model7Dof, PrintsValuesAndMatrixAboveUnitFiveOnly) {
    std::istringstream in;
    std::ostringstream out;
    quorl::io::Units units(in, out);
    FixedArray2<double, 1, 4, 1, 4> m;
    MODEL7DOF(h4(1.5, -2, 3), h4(0, 0, 0), 2.0, m, 5, &units);
    MODEL7DOF(h4(1.5, -2, 3), h4(0, 0, 0), 2.0, m, 6, nullptr);
    EXPECT_EQ(out.str(), "");

    MODEL7DOF(h4(1.5, -2, 3), h4(0, 0, 0), 2.0, m, 6, &units);
    const std::string expected =
        "\n"
        "sub:Model7DoF: ---------------------------------------------\n"
        "         user units             degrees           multiplier\n"
        " X    =    1.500000   Roll=    0.000000   Scale=    2.000000\n"
        " Y    =   -2.000000  Pitch=    0.000000\n"
        " Z    =    3.000000    Yaw=    0.000000\n"
        "Model7h:\n"
        "           2.000000    0.000000    0.000000    1.500000\n"
        "           0.000000    2.000000    0.000000   -2.000000\n"
        "          -0.000000    0.000000    2.000000    3.000000\n"
        "           0.000000    0.000000    0.000000    1.000000\n";
    EXPECT_EQ(out.str(), expected);
}

}  // namespace
