// Classical hard least-squares problems through quorl-fit's defaults (the
// damped step, exact partials), from far starts and from starts that lead
// to a singular minimum: each must converge, to the digits it allows.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "quad/decimal.hpp"
#include "support/fitted_values.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::testing::fittedValues;
using quorl::testing::TempDir;

TEST(ClassicalFits, ConvergeFromFarStartsAndToSingularMinima) {
    const struct {
        const char* what;
        const char* fit;    // FORMULA, PARAMETERS, AUXILIARY
        const char* table;  // with the measured column y
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        TempDir::writeFile("data.txt", c.table);
        TempDir::writeFile("Quorl-user.nml", std::string("&QUORLNML CJUSERFILE='data.txt', JPD=1 /\n&QUORLFIT ") +
                                                 c.fit + ", MEASURED='y' /\n");
        std::istringstream in;
        std::ostringstream out;
        quorl::State s(in, out);
        ASSERT_EQ(quorl::runQuorl(s, quorl::fit::FormulaModel{}), 0) << out.str();
        const std::vector<Quad> values = fittedValues(c.solution.size());
        ASSERT_EQ(values.size(), c.solution.size());
        for (std::size_t k = 0; k < values.size(); ++k) {
            const Quad want = quorl::quadFromText(c.solution[k]);
            const double rel = std::fabs(((values[k] - want) / want).hi);
            EXPECT_GE(rel == 0.0 ? 40.0 : -std::log10(rel), c.digits) << k;
        }
    }
}

}  // namespace
