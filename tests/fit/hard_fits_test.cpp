// Formula fits whose uncertainties and steps are hard to get right: two
// exactly dependent parameters, a parameter held at the edge of its
// function's domain, partials of 1e-11 from an auxiliary value in
// unfortunate units. Each runs in-process through quorl-fit's model.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "support/json_value.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::testing::JsonValue;
using quorl::testing::TempDir;

// A table of n rows x, y, sigma with y = f(x) plus a fixed, noise-like
// deviation of about sigma (no random numbers: the same table every run).
template <class F>
std::string table(int n, double step, double sigma, F f) {
    std::ostringstream t;
    t.precision(17);
    t << "x y sigma\n";
    for (int i = 0; i < n; ++i) {
        const double x = step * i;
        t << x << ' ' << f(x) + sigma * std::sin(12.9898 * i + 78.233) << ' ' << sigma << '\n';
    }
    return t.str();
}

struct Outcome {
    int status = -1;
    JsonValue results;
    std::string console;
};

Outcome fit(const std::string& data, const std::string& fitGroup) {
    TempDir::writeFile("data.txt", data);
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML CJUSERFILE='data.txt', JPD=1 /\n&QUORLFIT " + fitGroup +
                                             " AUXILIARY='x', MEASURED='y', WEIGHT='1/sigma' /\n");
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    Outcome o;
    o.status = quorl::runQuorl(s, quorl::fit::FormulaModel{});
    o.console = out.str();
    if (TempDir::exists("Quorl-results.json")) {
        o.results = JsonValue::parse(TempDir::readFile("Quorl-results.json"));
    }
    return o;
}

const JsonValue& parameter(const Outcome& o, std::size_t k) { return o.results["parameters"][k]; }

TEST(HardFits, ExactlyDependentParametersKeepAnHonestStandardErrorForThePartnerKept) {
    TempDir dir;
    const std::string data = table(21, 0.5, 0.05, [](double x) { return 5 * std::exp(-0.4 * x) + 1; });
    const Outcome o = fit(data, "FORMULA='a*d*exp(-b*x) + c', PARAMETERS='a = 2, d = 2, b = 0.5, c = 0',");
    ASSERT_EQ(o.status, 0) << o.console;
    // One of a and d is kept, the other left out as dependent; the kept
    // one's standard error is the one it has when its partner is held where
    // the fit left it, and every correlation is a finite number.
    const std::size_t kept = parameter(o, 0)["dependent"].boolean() ? 1 : 0;
    EXPECT_TRUE(parameter(o, 1 - kept)["dependent"].boolean());
    EXPECT_FALSE(parameter(o, kept)["dependent"].boolean());
    const double se = parameter(o, kept)["standard_error"].number();
    const JsonValue& correlation = o.results["correlation"];
    ASSERT_EQ(correlation.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_TRUE(std::isfinite(correlation[i][j].number()));
            EXPECT_LE(std::fabs(correlation[i][j].number()), 1.0);
        }
    }

    std::ostringstream held;
    held.precision(34);
    held << "FORMULA='a*d*exp(-b*x) + c', HOLD='" << (kept == 0 ? 'd' : 'a') << "', PARAMETERS='a = "
         << parameter(o, 0)["value"].number()
         << ", d = " << parameter(o, 1)["value"].number() << ", b = 0.5, c = 0',";
    const Outcome h = fit(data, held.str());
    ASSERT_EQ(h.status, 0) << h.console;
    EXPECT_GT(se, 0.0);
    EXPECT_NEAR(se, parameter(h, kept)["standard_error"].number(), 1e-9 * se);
}

TEST(HardFits, HeldAtTheEdgeOfItsDomainAndTinyPartialsAreFitted) {
    TempDir dir;
    struct Case {
        const char* what;
        std::string data;
        std::string group;
        std::size_t k;    // the parameter to check
        double expected;  // its value, to 5% (the deviations of the data move it by about 1%)
    } cases[] = {
        // c = 1 held: asin(1 + increment) would be NaN.
        {"held at the edge", table(50, 0.2, 0.1, [](double x) { return 3 * std::exp(-0.7 * x) + 0.76 * std::asin(1.0); }),
         "FORMULA='a*exp(-b*x) + 0.76*asin(c)', PARAMETERS='a = 1, b = 1, c = 1', HOLD='c',", 1, 0.7},
        // t up to 1.9e-11: b's partials are 1e-11, b itself 3e10.
        {"tiny partials", table(30, 1.9e-11 / 29, 0.01, [](double t) { return 1 + 3e10 * t; }),
         "FORMULA='a + b*x', PARAMETERS='a = 0, b = 1',", 1, 3e10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = fit(c.data, c.group);
        ASSERT_EQ(o.status, 0) << o.console;
        EXPECT_EQ(o.results["status"].string(), "converged");
        EXPECT_NEAR(parameter(o, c.k)["value"].number(), c.expected, 5e-2 * c.expected);
        EXPECT_FALSE(parameter(o, c.k)["dependent"].boolean());
        // About one unit of chi-square per residual, as the data were made.
        EXPECT_LT(o.results["chi_square"].number(), 2.0 * o.results["data_points"].number());
    }
}

}  // namespace
