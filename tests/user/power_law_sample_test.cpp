#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "io/format.hpp"
#include "io/stop.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"
#include "user/power_law_sample.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

// A State with the sample declared, allocated and loaded, weights 1, in a
// fresh directory of its own (its iteration hook writes the point list).
struct Sample {
    quorl::testing::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    quorl::PowerLawSample model;

    explicit Sample(int config, const std::string& answers = "") : in(answers) {
        s.model = std::ref(model);
        quorl::YOUQUORL(s, 0);
        s.JUSERCONFIG = config;
        s.JPU = 6;  // reports on the test's console
        quorl::QUORLALLOCATEALL(s);
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            s.ZR(lz).WT = s.WEIGHT;
        }
        quorl::YOUQUORL(s, 1);
    }
};

TEST(PowerLawSample, DeclaresItsProblemAndDefaults) {
    State s;
    quorl::PowerLawSample m;
    m(s, -4);  // a negative mode declares, like 0
    EXPECT_EQ(s.KPTOT, 2);
    EXPECT_EQ(s.LZTOT, 1);
    EXPECT_EQ(s.MDTOT, 10);
    EXPECT_EQ(s.NXTOT, 1);
    EXPECT_EQ(s.JPD, 6);
    EXPECT_EQ(s.JITERTOT, 40);
    EXPECT_EQ(s.JMINTOT, 2);
    EXPECT_EQ(s.JBON, 4);
    EXPECT_EQ(s.JMODE, -4);
    EXPECT_EQ(s.WHAT.trimmed(), "Non-Linear Fit:   Z = P1 * X**P2");
    EXPECT_EQ(s.WHO.trimmed().substr(0, 15), "Model & Datae: ");
}

TEST(PowerLawSample, LoadsTheTableNamesAndStartingValuesOnce) {
    Sample t(1);
    const char* z9[] = {"14.243859612",  "34.755893253",  "65.447592465",  "106.929048935", "159.696149737",
                        "224.169943682", "300.718167421", "389.668424466", "491.316890794", "605.934390705"};
    for (int md = 1; md <= 10; ++md) {
        EXPECT_TRUE(t.s.DATAE(0, md) == quorl::fromInt(md));
        EXPECT_TRUE(t.s.DATAE(1, md) == quorl::fromInt(md + 1));
        std::string z = quorl::io::format("(f14.9)", t.s.DATAE(2, md));
        z = z.substr(z.find_first_not_of(' '));
        z.pop_back();
        EXPECT_EQ(z, z9[md - 1]) << md;
    }
    EXPECT_EQ(t.s.MD, 11);
    EXPECT_EQ(t.s.PR(2).PNAME.str(), "2:Coe2          ");
    EXPECT_EQ(t.s.XR(0).XNAME.trimmed(), "0:Id#");
    const std::string table =
        "\nYouQuorl(1):\n"
        " Pr( ).Pbase=  Value:                                    Name:\n"
        "    1    0.00000000000000000000000000000000E+00    1:Coe1\n"
        "    2    0.00000000000000000000000000000000E+00    2:Coe2\n";
    EXPECT_EQ(t.out.str(), table);
    // A second load refills the data but keeps the values and prints nothing.
    t.s.PR(1).PBASE = quorl::fromInt(5);
    quorl::YOUQUORL(t.s, 1);
    EXPECT_TRUE(t.s.PR(1).PBASE == quorl::fromInt(5));
    EXPECT_EQ(t.out.str(), table);
}

TEST(PowerLawSample, ResidualsFollowTheSelectedFormForAnyTrialValues) {
    Sample raw(1);
    raw.s.MD = 3;
    quorl::YOUQUORL(raw.s, 3);
    raw.s.PR(1).P = quadFromText("3.1");
    raw.s.PR(2).P = quadFromText("2.200000001");
    quorl::YOUQUORL(raw.s, 4);
    EXPECT_LT(std::fabs(raw.s.ZR(1).Z.hi), 1e-28);
    // Mode 4 again without mode 3: the same data point at other values.
    raw.s.PR(1).P = quorl::fromInt(0);
    quorl::YOUQUORL(raw.s, 4);
    EXPECT_TRUE(raw.s.ZR(1).Z == raw.s.DATAE(2, 3));

    Sample line(2);
    line.s.MD = 5;
    quorl::YOUQUORL(line.s, 3);
    line.s.PR(1).P = Quad{};
    line.s.PR(2).P = Quad{};
    quorl::YOUQUORL(line.s, 4);
    EXPECT_TRUE(line.s.ZR(1).Z == log10(line.s.DATAE(2, 5)));
}

TEST(PowerLawSample, IterationHookKeepsTheIncrementNearTheErrorMeasure) {
    struct Case {
        const char* delta;
        const char* rss;
        const char* expected;
    } cases[] = {
        {"1e-6", "1e-6", "1e-6"},
        {"1e-6", "5e-9", "1e-7"},
        {"1e-6", "5e-10", "1e-8"},
        {"3e-8", "5e-9", "3e-8"},  // 3e-8 is not above 10 * 5e-9, so it stands
        {"1e-6", "0", "1e-6"},
    };
    for (const Case& c : cases) {
        Sample t(1);
        t.s.DELTA = quadFromText(c.delta);
        t.s.RSS = quadFromText(c.rss);
        quorl::YOUQUORL(t.s, 5);
        const Quad want = quadFromText(c.expected);
        EXPECT_LT(std::fabs(((t.s.DELTA - want) / want).hi), 1e-30) << c.delta << " " << c.rss;
    }
}

TEST(PowerLawSample, WarnsAtAPassStartedWithADataPointStillSet) {
    Sample t(1, "\n");
    t.out.str("");
    quorl::YOUQUORL(t.s, 2);  // MD is still 11 from the load
    EXPECT_EQ(t.out.str(), "Md not zero - a potential problem. Press enter.\n");
    EXPECT_EQ(t.s.MD, 0);
}

TEST(PowerLawSample, StopsOnABadModeOrConfiguration) {
    Sample t(1);
    try {
        quorl::YOUQUORL(t.s, 7);
        FAIL();
    } catch (const quorl::io::Stop& stop) {
        EXPECT_EQ(stop.message(), "YouQuorl: Mode out of range.");
        EXPECT_NE(stop.status(), 0);
    }
    Sample bad(3);
    bad.s.MD = 1;
    try {
        quorl::YOUQUORL(bad.s, 3);
        FAIL();
    } catch (const quorl::io::Stop& stop) {
        EXPECT_NE(stop.status(), 0);
    }
    EXPECT_NE(bad.out.str().find("YouQuorl: jUserConfig not = [1,2]. Press enter to halt."), std::string::npos);
}

}  // namespace
