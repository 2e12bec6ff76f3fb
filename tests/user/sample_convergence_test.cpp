// The sample fit converges from P1 = P2 = 0 in both of its forms, run
// unattended, to the values its exact data were made from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"
#include "user/power_law_sample.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;

double significantDigits(const Quad& got, const Quad& want) {
    const double rel = std::fabs(((got - want) / want).hi);
    return rel == 0.0 ? 34.0 : -std::log10(rel);
}

void converge(int config, const Quad& p1, const char* label) {
    quorl::testing::TempDir dir;
    quorl::testing::TempDir::writeFile("Quorl-user.nml",
                                       "&QUORLNML JUSERCONFIG=" + std::to_string(config) + " /\n");
    std::istringstream in;  // unattended: the console input is empty
    std::ostringstream out;
    quorl::State s(in, out);
    Quad final1{}, final2{};
    quorl::PowerLawSample sample;
    // The accepted values as the model sees them in its final printout.
    auto model = [&](quorl::State& st, int mode) {
        sample(st, mode);
        if (mode == 6) {
            final1 = st.PR(1).PBASE;
            final2 = st.PR(2).PBASE;
        }
    };
    ASSERT_EQ(quorl::runQuorl(s, model), 0) << out.str();
    const double d1 = significantDigits(final1, p1);
    const double d2 = significantDigits(final2, quadFromText("2.200000001"));
    std::printf("sample %s: %.1f and %.1f significant digits after %d passes, RSS %.3e\n", label, d1, d2, s.JITER,
                s.RSS.hi);
    EXPECT_GE(d1, 25.0);
    EXPECT_GE(d2, 25.0);
}

TEST(SampleConvergence, RawPowerLaw) { converge(1, quadFromText("3.1"), "Z = P1 * X**P2"); }

TEST(SampleConvergence, StraightLineInLogLogSpace) {
    converge(2, log10(quadFromText("3.1")), "log10 Z = P1 + P2 * log10 X");
}

}  // namespace
