// Formula fits that are hard to get right, in-process through quorl-fit's
// model with its defaults (the damped step, exact partials): classical
// problems from far starts and to singular minima, a parameter held at the
// edge of its function's domain, partials of 1e-11 from an auxiliary value
// in unfortunate units, and two exactly dependent parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "quad/decimal.hpp"
#include "support/fitted_values.hpp"
#include "support/json_value.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::testing::fittedValues;
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

// The fit of &QUORLFIT `group` (MEASURED = 'y' added) to `data`.
Outcome fit(const std::string& data, const std::string& group) {
    TempDir::writeFile("data.txt", data);
    TempDir::writeFile("Quorl-user.nml",
                       "&QUORLNML CJUSERFILE='data.txt', JPD=1 /\n&QUORLFIT " + group + ", MEASURED='y' /\n");
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

TEST(HardFits, ConvergeToTheDigitsTheyAllow) {
    const struct {
        const char* what;
        std::string fit;    // FORMULA, PARAMETERS, AUXILIARY (and WEIGHT)
        std::string table;  // with the measured column y
        std::vector<const char*> solution;
        double digits;
    } cases[] = {
        // Residuals picked out row by row with indicator columns e1, e2.
        {"Rosenbrock from 10 x0", "FORMULA='e1*10*(x2-x1**2)+e2*x1', PARAMETERS='x1 = -12, x2 = 10', AUXILIARY='e1, e2'",
         "e1 e2 y\n1 0 0\n0 1 1\n", {"1", "1"}, 30.0},
        {"Powell badly scaled from 10 x0",
         "FORMULA='e1*10000*x1*x2+e2*(exp(-x1)+exp(-x2))', PARAMETERS='x1 = 0, x2 = 10', AUXILIARY='e1, e2'",
         "e1 e2 y\n1 0 1\n0 1 1.0001\n",
         {"1.0981593296998174556837616456252e-5", "9.1061467398665240109467104903197"}, 28.0},
        {"Meyer from 10 x0",
         "FORMULA='x1*exp(x2/(t+x3))', PARAMETERS='x1 = 0.2, x2 = 40000, x3 = 2500', AUXILIARY='t'",
         "t y\n50 34780\n55 28610\n60 23650\n65 19630\n70 16370\n75 13720\n80 11540\n85 9744\n90 8261\n95 7030\n"
         "100 6005\n105 5147\n110 4427\n115 3820\n120 3307\n125 2872\n",
         {"0.0056096364710", "6181.3463463", "345.22363462"}, 10.0},
        // The Jacobian is singular at these minima: the damping, not the
        // Gauss-Newton step, carries the parameters there, to about the
        // square root of the quad precision.
        {"Freudenstein and Roth from x0",
         "FORMULA='x1+e1*((5-x2)*x2-2)*x2+e2*((x2+1)*x2-14)*x2', PARAMETERS='x1 = 0.5, x2 = -2', AUXILIARY='e1, e2'",
         "e1 e2 y\n1 0 13\n0 1 29\n",
         {"11.412778986902093927245826515274", "-0.89680525327447651818854337118149"}, 14.5},
        // Two parameters the residuals do not use at all (zero columns):
        // left out as dependent, the fit converges in the others.
        {"linear, rank 1, zero columns", "FORMULA='i*(0*x1 + 2*x2 + 3*x3 + 0*x4) - 1', PARAMETERS='x1 = 1, x2 = 1, x3 = 1, x4 = 1', AUXILIARY='i'",
         "i y\n1 0\n2 0\n3 0\n4 0\n", {}, 0.0},
        {"Jennrich and Sampson from x0", "FORMULA='exp(i*x1)+exp(i*x2)', PARAMETERS='x1 = 0.3, x2 = 0.4', AUXILIARY='i'",
         "i y\n1 4\n2 6\n3 8\n4 10\n5 12\n6 14\n7 16\n8 18\n9 20\n10 22\n",
         {"0.25782521367036407685218917572473", "0.25782521367036407685218917572473"}, 14.5},
        // c = 1 held: asin(1 + anything) would be NaN; b to 5% (the
        // deviations of the data move it by about 1%).
        {"held at the edge", "FORMULA='a*exp(-b*x) + 0.76*asin(c)', PARAMETERS='a = 1, b = 1, c = 1', HOLD='c', "
         "AUXILIARY='x', WEIGHT='1/sigma'",
         table(50, 0.2, 0.1, [](double x) { return 3 * std::exp(-0.7 * x) + 0.76 * std::asin(1.0); }),
         {"3", "0.7", "1"}, 1.3},
        // t up to 1.9e-11: b's partials are 1e-11, b itself 3e10.
        {"tiny partials", "FORMULA='a + b*x', PARAMETERS='a = 0, b = 1', AUXILIARY='x', WEIGHT='1/sigma'",
         table(30, 1.9e-11 / 29, 0.01, [](double t) { return 1 + 3e10 * t; }), {"1", "3e10"}, 1.3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const Outcome o = fit(c.table, c.fit);
        ASSERT_EQ(o.status, 0) << o.console;
        const std::vector<Quad> values = fittedValues(c.solution.size());
        ASSERT_EQ(values.size(), c.solution.size());
        for (std::size_t k = 0; k < values.size(); ++k) {
            const Quad want = quorl::quadFromText(c.solution[k]);
            const double rel = std::fabs(((values[k] - want) / want).hi);
            EXPECT_GE(rel == 0.0 ? 40.0 : -std::log10(rel), c.digits) << k;
        }
    }
}

const std::string kAux = "AUXILIARY='x', WEIGHT='1/sigma'";

TEST(HardFits, ExactlyDependentParametersKeepAnHonestStandardErrorForThePartnerKept) {
    TempDir dir;
    const std::string data = table(21, 0.5, 0.05, [](double x) { return 5 * std::exp(-0.4 * x) + 1; });
    const Outcome o = fit(data, "FORMULA='a*d*exp(-b*x) + c', PARAMETERS='a = 2, d = 2, b = 0.5, c = 0', " + kAux);
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
         << ", d = " << parameter(o, 1)["value"].number() << ", b = 0.5, c = 0', " << kAux;
    const Outcome h = fit(data, held.str());
    ASSERT_EQ(h.status, 0) << h.console;
    EXPECT_GT(se, 0.0);
    EXPECT_NEAR(se, parameter(h, kept)["standard_error"].number(), 1e-9 * se);
}

}  // namespace
