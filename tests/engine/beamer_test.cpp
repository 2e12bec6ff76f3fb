#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/beamer.hpp"

namespace {

using quorl::BEAMER;
using quorl::State;

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int k = 0; k < n; ++k) {
        r += s;
    }
    return r;
}

// One whole bar over NTOT items with a stopwatch that reads 0.125 s user
// and 0.125 s system each time: the estimate is 50 * 0.25 = 12.5 s.
struct Bar {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    int readings = 0;

    Bar() {
        s.beamer.stopwatch = [this](float& user, float& system) {
            user = 0.125f;
            system = 0.125f;
            ++readings;
        };
    }
    std::string run(int NTOT) {
        for (int N = 1; N <= NTOT; ++N) {
            BEAMER(s, N, NTOT);
        }
        return out.str();
    }
};

const std::string kEstimate = "    12.50sec.";

TEST(Beamer, ShortLoopsShowNoMarksAndBarsFollowEachOther) {
    Bar b;
    b.run(99);
    EXPECT_EQ(b.out.str(), "Beamer  done.\n");
    b.run(99);  // the call with N = 1 starts a fresh bar
    EXPECT_EQ(b.out.str(), "Beamer  done.\nBeamer  done.\n");
    EXPECT_EQ(b.readings, 2);  // only the start reading; no estimate
}

TEST(Beamer, FiftyMarksWhenTheLastItemFallsOnAMark) {
    Bar b;
    // NM = 20: the estimate before the first mark at N = 21, marks at 21,
    // 41, ..., 1001, "*" every fifth; the 50th comes after " done." and
    // leaves the next line open.
    EXPECT_EQ(b.run(1001), "Beamer " + kEstimate + repeat("::::*", 9) + "::::" + " done.\n" + "*");
    EXPECT_EQ(b.readings, 2);
    EXPECT_FLOAT_EQ(b.s.beamer.DT, 0.25f);
    EXPECT_FLOAT_EQ(b.s.beamer.TARRAY(1), 0.125f);
    EXPECT_FLOAT_EQ(b.s.beamer.TARRAY(2), 0.125f);
    EXPECT_TRUE(b.s.units.lineOpen(6));
}

TEST(Beamer, NothingFollowsDoneOtherwise) {
    Bar b;
    // NM = 21: 49 marks, the last at N = 1030.
    EXPECT_EQ(b.run(1050), "Beamer " + kEstimate + repeat("::::*", 9) + "::::" + " done.\n");
    EXPECT_FALSE(b.s.units.lineOpen(6));
}

TEST(Beamer, SingleItemNeverFinishesTheLine) {
    Bar b;
    EXPECT_EQ(b.run(1), "Beamer ");
    EXPECT_EQ(b.s.beamer.NM, 1);
}

TEST(Beamer, ProcessStopwatchAndUnstartedBar) {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    // Without a call with N = 1 there is no mark spacing: no marks, no crash.
    BEAMER(s, 5, 5);
    EXPECT_EQ(out.str(), " done.\n");
    // The process's own stopwatch: readings are non-negative times.
    for (int N = 1; N <= 200; ++N) {
        BEAMER(s, N, 200);
    }
    EXPECT_GE(s.beamer.TARRAY(1), 0.0f);
    EXPECT_GE(s.beamer.TARRAY(2), 0.0f);
    EXPECT_NE(out.str().find("sec.:"), std::string::npos) << out.str();
}

}  // namespace

TEST(Beamer, TheWholeBarAtOnceWritesWhatEveryItemWould) {
    for (const int NTOT : {1, 2, 99, 1001, 1050, 123457}) {
        Bar every, whole;
        every.run(NTOT);
        quorl::beamerWhole(whole.s, NTOT);
        EXPECT_EQ(whole.out.str(), every.out.str()) << NTOT;
        EXPECT_EQ(whole.readings, every.readings) << NTOT;
    }
}
