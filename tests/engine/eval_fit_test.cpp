#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "engine/eval_fit.hpp"
#include "io/stop.hpp"
#include "support/table_model.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::State;
using quorl::testing::TableModel;

Quad q(int v) { return fromInt(v); }

TEST(EvalFit, ErrorMeasureIsTheRootOfTheSummedMeanSquares) {
    State s;
    // Quantity 1 has RMS 3, quantity 2 RMS 4: RSS = 5.
    prepare(s, TableModel{{{q(3), q(4)}, {q(-3), q(-4)}}});
    Quad rss{};
    quorl::EVALFIT(s, rss, 0);
    EXPECT_TRUE(s.ZR(1).RMS == q(3));
    EXPECT_TRUE(s.ZR(2).RMS == q(4));
    EXPECT_TRUE(rss == q(5));
    // MD is left one past the last data point, TEMP at the last residual.
    EXPECT_EQ(s.MD, 3);
    EXPECT_TRUE(s.evalFit.TEMP == q(-4));
}

TEST(EvalFit, LargestResidualKeepsItsSignAndTheEarliestDataPointWinsTies) {
    State s;
    prepare(s, TableModel{{{q(3)}, {q(-3)}}});
    Quad rss{};
    quorl::EVALFIT(s, rss, 0);
    EXPECT_TRUE(s.ZR(1).ZMAX == q(3));
    EXPECT_EQ(s.ZR(1).MDMAX, 1);

    State t;
    prepare(t, TableModel{{{q(-3)}, {q(3)}, {q(2)}}});
    quorl::EVALFIT(t, rss, 0);
    EXPECT_TRUE(t.ZR(1).ZMAX == q(-3));
    EXPECT_EQ(t.ZR(1).MDMAX, 1);

    State u;
    prepare(u, TableModel{{{q(1)}, {q(-2)}, {q(2)}}});
    quorl::EVALFIT(u, rss, 0);
    EXPECT_TRUE(u.ZR(1).ZMAX == q(-2));
    EXPECT_EQ(u.ZR(1).MDMAX, 2);
}

TEST(EvalFit, AllZeroResidualsStillNameTheFirstDataPoint) {
    State s;
    prepare(s, TableModel{{{q(0)}, {q(0)}}});
    Quad rss = q(7);
    quorl::EVALFIT(s, rss, 0);
    EXPECT_TRUE(rss == Quad{});
    EXPECT_EQ(s.ZR(1).MDMAX, 1);

    State one;
    prepare(one, TableModel{{{q(-6)}}});
    quorl::EVALFIT(one, rss, 0);
    EXPECT_TRUE(one.ZR(1).RMS == q(6));
    EXPECT_TRUE(one.ZR(1).ZMAX == q(-6));
}

// A model that raises LZTOT during the pass beyond the records it has
// stops the run at the first record it lacks, instead of reading past ZR.
TEST(EvalFit, AModelThatRaisesLztotDuringThePassStopsTheRun) {
    State s;
    prepare(s, TableModel{{{q(1)}, {q(2)}}});
    s.model = [](State& st, int mode) {
        if (mode == 4) {
            st.ZR(1).Z = q(1);
            st.LZTOT = 3;
        }
    };
    Quad rss{};
    EXPECT_THROW(quorl::EVALFIT(s, rss, 0), quorl::io::Stop);
}

TEST(EvalFit, SummaryShowsEachQuantityAndTheDataPointOfItsLargestResidual) {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    prepare(s, TableModel{{{q(1)}, {q(-7)}}});
    s.DATAE(0, 2) = q(42);
    s.DATAE(1, 2) = q(5);
    s.DATAE(2, 2) = q(9);
    s.XR(0).XNAME = "0:Id#";
    s.XR(1).XNAME = "1:X";
    s.ZR(1).ZNAME = "1:Z";
    s.JITER = 7;
    Quad rss{};
    quorl::EVALFIT(s, rss, 6);
    const std::string rms = "      5.00000000000000000000000000000000";  // sqrt((1 + 49) / 2)
    const std::string expected =
        "\n"
        "EvalErr:\n"
        "Data# Out#         Error  : results comparison           dataID\n"
        "EvalFit Summary:\n"
        "Mdtot=      2" + rms + " SRSS\n"
        "  Lz=       1" + rms + " RMS\n"
        " @Md=       2     -7.00000000000000000000000000000000 Max(abs)\n"
        "            0       42.                               0:Id#\n"
        "            1      5.00000000000000000000000000000000 1:X\n"
        "                   9.00000000000000000000000000000000 1:Z\n"
        "                                                 ^^^^: exponents, if any.\n"
        "            7  Iterations\n";
    EXPECT_EQ(out.str(), expected);

    // Units of 5 or less get nothing, but the numbers are still formed.
    std::ostringstream quiet;
    State t(in, quiet);
    prepare(t, TableModel{{{q(1)}, {q(-2)}}});
    quorl::EVALFIT(t, rss, 5);
    EXPECT_EQ(quiet.str(), "");
    EXPECT_LT(std::fabs((rss * rss - quorl::fromDouble(2.5)).hi), 1e-30);
}

}  // namespace
