// The engine on real data: the NIST StRD problem Misra1a, y = b1*(1-exp(-b2*x)),
// from both of its starting points, scored by the number of certified
// digits reached (the log relative error, 11 at most).
#include <gtest/gtest.h>

#include <string>

#include "tools/nist/nist_run.hpp"

namespace {

TEST(NistMisra1a, ConvergesToTheCertifiedValuesFromBothStarts) {
    const quorl::nist::Problem p =
        quorl::nist::loadProblem(std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/nist", "Misra1a");
    quorl::nist::RunControls c;
    c.jitertot = 60;
    c.jbon = 1;
    c.junclamp = 1;
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        const quorl::nist::RunResult r = quorl::nist::runProblem(p, start, c);
        ASSERT_EQ(r.exitStatus, 0) << r.console;
        EXPECT_GE(r.minValueLre, 10.0) << "b1 " << r.valueLre[0] << ", b2 " << r.valueLre[1];
        EXPECT_GE(r.rssLre, 10.0);
        EXPECT_FALSE(r.nonFinite);
    }
}

}  // namespace
