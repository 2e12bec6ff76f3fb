// The uncertainties of the accepted values against NIST's certified
// standard deviations: with unit weights these are the standard errors
// scaled by the reduced chi-square. Three problems of growing size, each
// from both starting points, fitted with the inverter's step from the first
// iteration and increments of 1e-14 of each value.
#include <gtest/gtest.h>

#include <string>

#include "tools/nist/nist_run.hpp"

namespace {

TEST(NistUncertainty, ScaledStandardErrorsMatchTheCertifiedStandardDeviations) {
    quorl::nist::RunControls c;
    c.jitertot = 100;
    c.jbon = 1;
    c.junclamp = 1;
    c.jstepmult = 2;
    c.increment = quorl::nist::IncrementRule::Relative;
    for (const char* name : {"Misra1a", "Thurber", "Lanczos2"}) {
        const quorl::nist::Problem p =
            quorl::nist::loadProblem(std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/nist", name);
        for (int start = 1; start <= 2; ++start) {
            SCOPED_TRACE(std::string(name) + " from start " + std::to_string(start));
            const quorl::nist::RunResult r = quorl::nist::runProblem(p, start, c);
            ASSERT_EQ(r.exitStatus, 0) << r.console;
            EXPECT_GE(r.minValueLre, 10.0) << r.iterations << " iterations";
            if (!r.uncertaintyComputed) {
                ADD_FAILURE() << "the engine computed no uncertainties at the end of the run "
                                 "(State::uncertainty.computed is false)"
                              << (r.uncertaintyNote.empty() ? "" : ": " + r.uncertaintyNote);
                continue;
            }
            for (int k = 0; k < p.parameterCount; ++k) {
                const auto& se = r.standardErrors[static_cast<std::size_t>(k)];
                ASSERT_TRUE(se.has_value()) << "b" << k + 1 << " has no standard error";
                EXPECT_GE(r.standardErrorLre[static_cast<std::size_t>(k)], 8.0)
                    << "b" << k + 1 << ": " << se->hi << ", certified "
                    << p.certifiedSd[static_cast<std::size_t>(k)].hi;
            }
        }
    }
}

}  // namespace
