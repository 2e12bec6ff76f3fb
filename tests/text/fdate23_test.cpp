#include <gtest/gtest.h>

#include "text/fdate23.hpp"

namespace {

TEST(Fdate23, MidnightOnNewYearHasLeadingZerosInEveryField) {
    quorl::ClockReading v{};
    v[1] = 2019;
    v[2] = 1;
    v[3] = 1;
    v[4] = 120;  // the UTC offset is not shown
    v[5] = 0;
    v[6] = 0;
    v[7] = 0;
    v[8] = 0;
    EXPECT_EQ(quorl::timestampText(v).str(), "2019.01.01 00:00:00:000");
}

TEST(Fdate23, FillsExactlyTwentyThreeCharacters) {
    quorl::ClockReading v{0, 2018, 10, 9, 0, 8, 0, 5, 42};
    EXPECT_EQ(quorl::timestampText(v).str(), "2018.10.09 08:00:05:042");
    quorl::Text<23> now;
    quorl::FDATE23(now);
    EXPECT_EQ(now.trimmed().size(), 23u);
    EXPECT_EQ(now[4], '.');
    EXPECT_EQ(now[10], ' ');
    EXPECT_EQ(now[19], ':');
}

}  // namespace
