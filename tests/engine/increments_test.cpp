#include "engine/increments.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "engine/run_quorl.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

TEST(Increments, RelativeToEachValueWithAFloorNearZero) {
    State s;
    s.model = [](State& st, int mode) {
        if (mode <= 0) {
            st.KPTOT = 4;
            st.LZTOT = st.MDTOT = st.NXTOT = 1;
        }
    };
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.PR(1).PBASE = Quad{};
    s.PR(2).PBASE = quadFromText("-3e5");
    s.PR(3).PBASE = quadFromText("1e-30");
    s.PR(4).PBASE = Quad{NAN, 0.0};
    const Quad f = quadFromText("1e-14");
    quorl::setRelativeIncrements(s, f, fromInt(1));
    EXPECT_TRUE(s.PR(1).DELTA == f);
    EXPECT_TRUE(s.PR(2).DELTA == f * quadFromText("3e5"));
    EXPECT_TRUE(s.PR(3).DELTA == f);
    EXPECT_TRUE(s.PR(4).DELTA == f);

    // A parameter's own scale as its floor.
    quorl::setRelativeIncrements(s, f, {quadFromText("1e-4"), fromInt(1), fromInt(1), fromInt(1)});
    EXPECT_TRUE(s.PR(1).DELTA == f * quadFromText("1e-4"));
    EXPECT_TRUE(s.PR(2).DELTA == f * quadFromText("3e5"));
}

// y = p * x at x = 1..5 measured on p = 2.5, p starting at exactly 0 with
// the increments set in mode 2.
struct Slope {
    Quad floor;
    Quad* fitted;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 1;
            s.LZTOT = 1;
            s.MDTOT = 5;
            s.NXTOT = 1;
            s.JPU = 0;
            s.JBON = 1;
            s.JUNCLAMP = 1;
            s.JITERTOT = 10;
            s.DELTA = Quad{};
        } else if (mode == 2) {
            quorl::setRelativeIncrements(s, quorl::defaultIncrementFactor(), floor);
        } else if (mode == 4) {
            const Quad x = fromInt(s.MD);
            s.ZR(1).Z = (quadFromText("2.5") * x - s.PR(1).P * x) * s.ZR(1).WT;
        } else if (mode == 6) {
            *fitted = s.PR(1).PBASE;
        }
    }
};

TEST(Increments, AParameterStartingAtZeroMovesThanksToTheFloor) {
    quorl::testing::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    Quad fitted{};
    State s(in, out);
    ASSERT_EQ(quorl::runQuorl(s, Slope{fromInt(1), &fitted}), 0) << out.str();
    EXPECT_LT(std::fabs((fitted - quadFromText("2.5")).hi), 1e-28);

    // Without a floor the increment of a zero value is zero: the run cannot
    // take partials and says so.
    State bare(in, out);
    EXPECT_NE(quorl::runQuorl(bare, Slope{Quad{}, &fitted}), 0);
    EXPECT_NE(out.str().find("is not a non-zero number"), std::string::npos);
}

}  // namespace
