// The damped step on all 27 NIST StRD problems from both starting points,
// with one set of controls: every run reaches every certified digit (the
// certified values have 11; LRE 10 allows for the rounding of the last).
#include <gtest/gtest.h>

#include <string>

#include "tools/nist/nist_run.hpp"

namespace {

TEST(NistDamped, EveryProblemFromBothStartsReachesTheCertifiedValues) {
    quorl::nist::RunControls c;
    c.jitertot = 1000;
    c.jbon = 1;
    c.junclamp = 1;
    c.jstepmult = 3;
    for (const std::string& name : quorl::nist::problemNames()) {
        const quorl::nist::Problem p =
            quorl::nist::loadProblem(std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/nist", name);
        for (int start = 1; start <= 2; ++start) {
            const quorl::nist::RunResult r = quorl::nist::runProblem(p, start, c);
            EXPECT_EQ(r.exitStatus, 0) << name << " start " << start << ": " << r.console;
            EXPECT_GE(r.minValueLre, 10.0) << name << " start " << start << " after " << r.iterations;
            EXPECT_GE(r.rssLre, 10.0) << name << " start " << start;
        }
    }
}

}  // namespace
