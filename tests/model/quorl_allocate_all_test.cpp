#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "io/stop.hpp"
#include "model/quorl_allocate_all.hpp"

namespace {

using quorl::Quad;
using quorl::State;

void setSizes(State& s, int kp, int lz, int md, int nx) {
    s.KPTOT = kp;
    s.LZTOT = lz;
    s.MDTOT = md;
    s.NXTOT = nx;
}

// Runs the allocation and returns the console text and the stop status
// (-1 when it returned normally).
std::pair<std::string, int> allocate(int kp, int lz, int md, int nx) {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    setSizes(s, kp, lz, md, nx);
    int status = -1;
    try {
        quorl::QUORLALLOCATEALL(s);
    } catch (const quorl::io::Stop& stop) {
        status = stop.status();
    }
    return {out.str(), status};
}

TEST(QuorlAllocateAll, SizeHaltsComeInTheirOrderAndOnlyTheFirstIsReported) {
    EXPECT_EQ(allocate(0, 1, 1, 1), std::make_pair(std::string(" Quorl halt!  Kptot=        0\n"), 1));
    EXPECT_EQ(allocate(-3, 0, 0, 0).first, " Quorl halt!  Kptot=       -3\n");
    EXPECT_EQ(allocate(1, 0, 0, 1).first, " Quorl halt!  Lztot=        0\n");
    EXPECT_EQ(allocate(1, 1, -1, 0).first, " Quorl halt!  Mdtot=       -1\n");
    EXPECT_EQ(allocate(1, 1, 1, 0).first, " Quorl halt!  Nxtot=        0\n");
    EXPECT_EQ(allocate(1, 1, 1, 1), std::make_pair(std::string(), -1));
}

TEST(QuorlAllocateAll, ArraysHaveTheirBoundsAndStartFromTheTemplates) {
    State s;
    setSizes(s, 3, 2, 4, 1);
    quorl::QUORLALLOCATEALL(s);
    EXPECT_EQ(s.PR.lower(), 1);
    EXPECT_EQ(s.PR.upper(), 3);
    EXPECT_EQ(s.XR.lower(), 0);
    EXPECT_EQ(s.XR.upper(), 1);
    // DATAE rows 0 .. NXTOT + LZTOT, one column per data point.
    EXPECT_EQ(s.DATAE.lower(1), 0);
    EXPECT_EQ(s.DATAE.upper(1), 3);
    EXPECT_EQ(s.DATAE.lower(2), 1);
    EXPECT_EQ(s.DATAE.upper(2), 4);
    EXPECT_EQ(s.B.upper(1), 2);
    EXPECT_EQ(s.B.upper(2), 3);
    EXPECT_EQ(s.BTB.upper(1), 3);
    EXPECT_EQ(s.BTZ.upper(), 3);
    for (int kp = 1; kp <= 3; ++kp) {
        EXPECT_TRUE(s.PR(kp).OFFON == quorl::fromInt(1));
        EXPECT_TRUE(s.PR(kp).P == Quad{});
        EXPECT_TRUE(s.PR(kp).PSTEP(4, 2) == Quad{});
        EXPECT_EQ(s.PR(kp).PNAME.str(), std::string(16, ' '));
        EXPECT_EQ(s.PR(kp).INVERTED, 0);
    }
    EXPECT_TRUE(s.ZR(2).WT == Quad{});
    EXPECT_EQ(s.ZR(2).ZNAME.str(), std::string(16, ' '));
    EXPECT_EQ(s.XR(0).XNAME.str(), std::string(16, ' '));
    EXPECT_TRUE(s.DATAE(3, 4) == Quad{});
}

TEST(QuorlAllocateAll, AnIndexOutsideTheBoundsStopsTheRunNamingTheAccess) {
    State s;
    setSizes(s, 2, 1, 3, 1);
    quorl::QUORLALLOCATEALL(s);
    try {
        (void)s.PR(3);
        FAIL() << "no stop";
    } catch (const quorl::io::Stop& stop) {
        EXPECT_NE(stop.status(), 0);
        EXPECT_NE(stop.message().find("quorl_allocate_all_test.cpp"), std::string::npos) << stop.message();
    }
    EXPECT_THROW((void)s.DATAE(0, 0), quorl::io::Stop);
    EXPECT_THROW((void)s.PR(1).PSTEP(3, 3), quorl::io::Stop);
}

TEST(QuorlAllocateAll, AFailedAllocationPausesWithItsTextAndStops) {
    // DATAE of 2^30 + 2 rows by 2^31 - 1 columns cannot be had.
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    setSizes(s, 1, 1, 2147483647, 1 << 30);
    try {
        quorl::QUORLALLOCATEALL(s);
        FAIL() << "no stop";
    } catch (const quorl::io::Stop& stop) {
        EXPECT_NE(stop.status(), 0);
    }
    EXPECT_NE(out.str().find("QuorlAllocateAll: Datae() allocation error. `Enter` to exit."), std::string::npos)
        << out.str();
}

}  // namespace
