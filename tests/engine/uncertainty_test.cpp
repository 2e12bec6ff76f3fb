// The uncertainties at the end of a run, against the closed-form textbook
// values of a weighted straight-line fit (computed in 113-bit arithmetic),
// and for held and dependent parameters.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"
#include "quad/oracle.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;
using quorl::testing::F128;
using quorl::testing::TempDir;
using quorl::testing::toF128;

struct Point {
    const char* x;
    const char* y;
    const char* sigma;
};
const std::vector<Point> kLine = {{"1", "2.07", "0.1"},  {"2", "2.68", "0.2"},  {"3", "3.41", "0.15"},
                                  {"4", "4.02", "0.3"},  {"5", "4.83", "0.25"}, {"6", "5.35", "0.1"},
                                  {"7", "6.12", "0.4"},  {"8", "6.69", "0.2"}};

// y = a + b*x with weights 1/sigma; a third parameter c may join as a
// duplicate of a (y = a + c + b*x), and b may be held.
struct LineFit {
    bool duplicate = false;
    bool holdSlope = false;
    State::Uncertainty* result;
    Quad* rss;
    Quad x{}, y{};

    void operator()(State& s, int mode) {
        if (mode <= 0) {
            s.KPTOT = duplicate ? 3 : 2;
            s.LZTOT = 1;
            s.MDTOT = static_cast<int>(kLine.size());
            s.NXTOT = 1;
            s.JPU = 0;
            s.JBON = 1;
            s.JUNCLAMP = 1;
            s.JSTEPMULT = 1;
            s.JITERTOT = 3;
            s.WEIGHT = Quad{};   // the model's own weights
            s.DELTA = quadFromText("0.0009765625");  // 2**-10: shifted values stay exact
        } else if (mode == 1) {
            for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
                const Point& p = kLine[static_cast<std::size_t>(s.MD - 1)];
                s.DATAE(1, s.MD) = quadFromText(p.x);
                s.DATAE(2, s.MD) = quadFromText(p.y);
            }
            s.PR(1).PNAME = "a";
            s.PR(2).PNAME = "b";
            if (holdSlope) {
                s.PR(2).PBASE = quadFromText("0.7");
                s.PR(2).OFFON = Quad{};
            }
        } else if (mode == 3) {
            x = s.DATAE(1, s.MD);
            y = s.DATAE(2, s.MD);
            s.ZR(1).WT = fromInt(1) / quadFromText(kLine[static_cast<std::size_t>(s.MD - 1)].sigma);
        } else if (mode == 4) {
            Quad model = s.PR(1).P + s.PR(2).P * x;
            if (duplicate) {
                model = model + s.PR(3).P;
            }
            s.ZR(1).Z = (y - model) * s.ZR(1).WT;
        } else if (mode == 6) {
            *result = s.uncertainty;
            *rss = s.RSS;
        }
    }
};

double relative(const Quad& got, F128 want) { return static_cast<double>(fabsq((toF128(got) - want) / want)); }

// A whole run of the straight-line model in the current directory: what
// its mode 6 saw.
struct LineRun {
    State::Uncertainty u;
    Quad rss{};
    int status = -1;
    std::string console;
    LineRun(bool duplicate, bool holdSlope) {
        std::istringstream in;
        std::ostringstream out;
        State s(in, out);
        status = quorl::runQuorl(s, LineFit{duplicate, holdSlope, &u, &rss});
        console = out.str();
    }
};

TEST(Uncertainty, StraightLineMatchesTheTextbookFormulas) {
    TempDir dir;
    const LineRun run(false, false);
    ASSERT_EQ(run.status, 0) << run.console;
    const State::Uncertainty& u = run.u;
    const Quad& rss = run.rss;

    // Weighted sums with w = 1/sigma**2 and the closed-form fit.
    F128 S = 0, Sx = 0, Sxx = 0, Sy = 0, Sxy = 0;
    for (const Point& p : kLine) {
        const F128 x = toF128(quadFromText(p.x)), y = toF128(quadFromText(p.y));
        const F128 sg = toF128(quadFromText(p.sigma));
        const F128 w = 1 / (sg * sg);
        S += w;
        Sx += w * x;
        Sxx += w * x * x;
        Sy += w * y;
        Sxy += w * x * y;
    }
    const F128 D = S * Sxx - Sx * Sx;
    const F128 a = (Sxx * Sy - Sx * Sxy) / D, b = (S * Sxy - Sx * Sy) / D;
    F128 chi2 = 0;
    for (const Point& p : kLine) {
        const F128 sg = toF128(quadFromText(p.sigma));
        const F128 r = (toF128(quadFromText(p.y)) - a - b * toF128(quadFromText(p.x))) / sg;
        chi2 += r * r;
    }
    const F128 reduced = chi2 / 6;

    ASSERT_TRUE(u.computed);
    EXPECT_EQ(u.residuals, 8);
    EXPECT_EQ(u.parametersUsed, 2);
    EXPECT_EQ(u.degreesOfFreedom, 6);
    const double tol = 1e-25;
    EXPECT_LT(relative(u.chiSquare, chi2), tol);
    EXPECT_LT(relative(*u.reducedChiSquare, reduced), tol);
    EXPECT_LT(relative(*u.parameters(1).standardErrorUnscaled, sqrtq(Sxx / D)), tol);
    EXPECT_LT(relative(*u.parameters(2).standardErrorUnscaled, sqrtq(S / D)), tol);
    EXPECT_LT(relative(*u.parameters(1).standardError, sqrtq(Sxx / D * reduced)), tol);
    EXPECT_LT(relative(*u.parameters(2).standardError, sqrtq(S / D * reduced)), tol);
    ASSERT_EQ(u.correlation.size(), 2u);
    EXPECT_LT(relative(u.correlation[0][1], -Sx / sqrtq(S * Sxx)), tol);
    EXPECT_TRUE(u.correlation[1][1] == fromInt(1));
    // chi-square is MDTOT * RSS**2.
    EXPECT_LT(relative(fromInt(8) * rss * rss, chi2), tol);
}

TEST(Uncertainty, HeldAndDependentParametersHaveNoStandardError) {
    TempDir dir;
    const LineRun run(true, true);
    ASSERT_EQ(run.status, 0) << run.console;
    const State::Uncertainty& u = run.u;
    ASSERT_TRUE(u.computed);
    EXPECT_EQ(u.parametersUsed, 1);
    EXPECT_EQ(u.degreesOfFreedom, 7);
    EXPECT_TRUE(u.parameters(2).held);
    EXPECT_FALSE(u.parameters(2).standardError.has_value());
    // a and c move the model alike: the inverter keeps one of them.
    EXPECT_NE(u.parameters(1).dependent, u.parameters(3).dependent);
    ASSERT_EQ(u.used.size(), 1u);
    EXPECT_FALSE(u.parameters(u.used[0]).dependent);
    EXPECT_TRUE(u.parameters(u.used[0]).standardError.has_value());
    EXPECT_EQ(u.correlation, (std::vector<std::vector<Quad>>{{fromInt(1)}}));

    // The same in the result file, with null where a value does not exist.
    const std::string json = TempDir::readFile("Quorl-results.json");
    EXPECT_NE(json.find("\"parameters_used\": 1,"), std::string::npos) << json;
    EXPECT_NE(json.find("{\"index\": 2, \"name\": \"b\", \"value\": 0.7, \"held\": true, \"dependent\": false, "
                        "\"standard_error\": null, \"standard_error_unscaled\": null}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"correlation\": [\n    [1]\n  ]\n}\n"), std::string::npos) << json;
}

}  // namespace
