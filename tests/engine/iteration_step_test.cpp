// The iteration step's clamping and its failures, on a one-parameter model
// whose RSS-partials step is known.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/iteration_step.hpp"
#include "engine/run_quorl.hpp"
#include "io/stop.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

// z = r - P at one data point: RSS-partials step r (the error's length).
struct Offset {
    Quad r;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 1;
            s.LZTOT = 1;
            s.MDTOT = 1;
            s.NXTOT = 1;
        } else if (mode == 4) {
            s.ZR(1).Z = (r - s.PR(1).P) * s.ZR(1).WT;
        }
    }
};

struct Step {
    std::istringstream in{"\n"};
    std::ostringstream out;
    State s{in, out};
    explicit Step(const Quad& r) {
        s.model = Offset{r};
        quorl::YOUQUORL(s, 0);
        quorl::QUORLALLOCATEALL(s);
        s.JPU = 6;
        s.JPD = 5;
        s.JITER = 1;
        s.JSTEPMULT = 1;
        s.ZR(1).WT = fromInt(1);
        s.PR(1).DELTA = quadFromText("0.5");
    }
};

TEST(IterationStep, AStepOfLengthExactlyOneIsNotClamped) {
    Step t(fromInt(1));
    quorl::iterationStep(t.s);
    EXPECT_TRUE(t.s.PR(1).PSTEP(1, 2) == fromInt(1));
    EXPECT_NE(t.out.str().find("Pr.Pstep(1,1) RSS values:\n"), std::string::npos) << t.out.str();
    EXPECT_EQ(t.out.str().find("Clamped:"), std::string::npos);
    EXPECT_TRUE(t.s.PR(1).PBASE == fromInt(1));  // the full step, accepted

    Step longer(fromInt(4));
    quorl::iterationStep(longer.s);
    EXPECT_TRUE(longer.s.PR(1).PSTEP(1, 2) == fromInt(1));
    EXPECT_NE(longer.out.str().find("Pr.Pstep(1,1) RSS values: Clamped:\n"), std::string::npos);

    // From JUNCLAMP on, the step is used as computed.
    Step late(fromInt(4));
    late.s.JITER = 3;
    quorl::iterationStep(late.s);
    EXPECT_TRUE(late.s.PR(1).PBASE == fromInt(4));
}

TEST(IterationStep, AnUnknownMultiplierMethodPausesAndStops) {
    Step t(fromInt(1));
    t.s.JSTEPMULT = 4;
    EXPECT_THROW(quorl::iterationStep(t.s), quorl::io::Stop);
    EXPECT_NE(t.out.str().find("jStepMult /= [1,2]; press enter to halt.\n"), std::string::npos);
}

TEST(IterationStep, AZeroIncrementStopsTheRunBeforeAnyDivision) {
    // A run-wide DELTA of 0 leaves the sample's increments at 0.
    quorl::testing::TempDir dir;
    quorl::testing::TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, DELTA=0 /\n");
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    Offset model{fromInt(2)};
    auto declare = [&](State& st, int mode) {
        model(st, mode);
        if (mode == 1) {
            st.PR(1).PNAME = "offset";
        }
    };
    EXPECT_NE(quorl::runQuorl(s, declare), 0);
    EXPECT_NE(out.str().find("Pr(1).Delta of parameter 'offset'"), std::string::npos) << out.str();
}

}  // namespace
