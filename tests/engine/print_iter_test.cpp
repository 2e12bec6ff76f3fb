#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/print_iter.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::fromInt;
using quorl::quadFromText;
using quorl::State;

struct Report {
    std::istringstream in{"\n"};
    std::ostringstream out;
    State s{in, out};
    Report() {
        s.KPTOT = 2;
        s.LZTOT = 1;
        s.MDTOT = 1;
        s.NXTOT = 1;
        quorl::QUORLALLOCATEALL(s);
        s.JPD = 4;
        s.JDONE = 1;
        s.ZR(1).WT = fromInt(1);
    }
    std::string run() {
        out.str("");
        quorl::PRINTITER(s, 6);
        return out.str();
    }
};

TEST(PrintIter, ChangesSwitchToExponentFormAtAMillionthAndIncrementsAtABillionth) {
    Report r;
    r.s.JITER = 3;
    r.s.PR(1).PBASE = fromInt(1);
    r.s.PR(1).P = fromInt(1) + quadFromText("1e-6");  // change exactly 1e-6: exponent form
    r.s.PR(2).P = quadFromText("2e-6");               // change 2e-6: fixed form
    r.s.PR(1).DELTA = quadFromText("1e-9");           // fixed
    r.s.PR(2).DELTA = quadFromText("5e-10");          // exponent
    const std::string text = r.run();
    EXPECT_NE(text.find("    1       1.00000100000000000000000000000000  0.1000000000E-05    0.000000001\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    2       0.00000200000000000000000000000000        0.00000200  0.5000000E-09\n"),
              std::string::npos)
        << text;
}

TEST(PrintIter, IterationZeroHasItsHeadingsAndMarksUnchangedValues) {
    Report r;
    r.s.JITER = 0;
    r.s.ZR(1).RMS = fromInt(3);  // RMSBASE still 0: the whole RMS is the change
    const std::string text = r.run();
    EXPECT_EQ(text.substr(0, 78),
              "\n                                   om = an order-of-magnitude change scale.\n"
              "\n");
    EXPECT_NE(text.find("Stopwatch - 24-hour local time (msec values stick):     Year Mo D  Hr Mn Sec~ms\n"),
              std::string::npos);
    EXPECT_NE(text.find("Pass  0 of  30  RSS partials -clamped  om = undefined   "), std::string::npos);
    EXPECT_NE(text.find("    1       3.00000000000000000000000000000000        3.00000000    1.000000000\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    1*"), std::string::npos);
    EXPECT_NE(text.find("    2*"), std::string::npos);
}

TEST(PrintIter, WritesNothingBelowLevelThreeAndPausesWhileProgressing) {
    Report r;
    r.s.JPD = 2;
    EXPECT_EQ(r.run(), "");
    EXPECT_TRUE(r.s.CDATETIME.isBlank());

    Report p;
    p.s.JDONE = 0;
    p.s.JMIN = p.s.JMINTOT + 1;
    const std::string text = p.run();
    EXPECT_EQ(text.substr(0, 32), "Lower value of error not found.\n");
    EXPECT_EQ(text.substr(text.size() - 17), "... by PrintIter\n");
}

}  // namespace
