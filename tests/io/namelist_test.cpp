#include "io/namelist.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "io/units.hpp"
#include "quad/decimal.hpp"

using quorl::Quad;
using quorl::quadFromText;
using quorl::Text;
using quorl::io::NamelistMember;
using quorl::io::NamelistResult;
using quorl::io::NamelistStatus;

namespace {

// The members of a small configuration, with recognisable starting values.
struct Config {
    std::int32_t JBON = -1;
    Quad DELTA = quadFromText("-1");
    Text<8> WHAT{"start"};
    std::int32_t KMAX = -1;

    std::vector<NamelistMember> members() {
        return {{"JBON", JBON}, {"DELTA", DELTA}, {"WHAT", WHAT}, {"KMAX", KMAX}};
    }
};

NamelistResult read(const std::string& text, Config& c, std::string_view group = "QUORLNML") {
    std::istringstream in(text);
    return quorl::io::readNamelist(in, group, c.members());
}

void expectQuad(Quad got, const char* text) {
    const Quad want = quadFromText(text);
    EXPECT_EQ(got.hi, want.hi) << text;
    EXPECT_EQ(got.lo, want.lo) << text;
}

TEST(NamelistTest, ReadsMembersOverLinesWithCommentsAndMixedCase) {
    Config c;
    const auto r = read(
        "! settings of the run\n"
        "&OTHER JBON = 99 /\n"
        "  &quorlNml  jbon = 3, Delta=1.5D-3   ! step\n"
        "     WHAT = 'it''s a long one'\n"
        "kmax\n"
        "  =\n"
        "  12 /\n"
        "JBON = 77\n",
        c);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_TRUE(r.found);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(c.JBON, 3);
    expectQuad(c.DELTA, "0.0015");
    EXPECT_EQ(c.WHAT, "it's a l");  // truncated to the field's 8 characters
    EXPECT_EQ(c.KMAX, 12);
}

TEST(NamelistTest, AlternativeEndsNullValuesAndIntegerReals) {
    Config c;
    auto r = read("$QUORLNML DELTA = 2 WHAT=\"ab\" JBON = , KMAX= $END", c);
    ASSERT_TRUE(r.ok()) << r.message;
    expectQuad(c.DELTA, "2");
    EXPECT_EQ(c.WHAT, "ab      ");
    EXPECT_EQ(c.JBON, -1);
    EXPECT_EQ(c.KMAX, -1);
    r = read("&QUORLNML JBON = 4, JBON = 5\n&end\n", c);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(c.JBON, 5);  // the last value given wins
}

TEST(NamelistTest, EmptyGroupAndMissingGroupChangeNothing) {
    Config c;
    auto r = read("&QUORLNML\n/\n", c);
    EXPECT_TRUE(r.ok());
    r = read("&QUORLNML /", c);
    EXPECT_TRUE(r.ok());
    r = read("! only comments\n&QUORLNMLX JBON=1 /\n QUORLNML JBON=2 /\n", c);
    EXPECT_FALSE(r.found);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.status, NamelistStatus::NotFound);
    r = read("", c);
    EXPECT_EQ(r.status, NamelistStatus::NotFound);
    EXPECT_EQ(c.JBON, -1);
    expectQuad(c.DELTA, "-1");
    EXPECT_EQ(c.WHAT, "start");
    EXPECT_EQ(c.KMAX, -1);
}

// A fault in the middle: the members before it are assigned, those after it
// untouched, and the result names the line and the member.
TEST(NamelistTest, FaultyItemStopsTheGroup) {
    struct Case {
        const char* faulty;
        NamelistStatus status;
        const char* member;
        const char* words;
    };
    const Case cases[] = {
        {"JBOM = 4", NamelistStatus::UnknownName, "JBOM", "unknown name 'JBOM'"},
        {"KMAX = 'x'", NamelistStatus::WrongType, "KMAX", "KMAX takes an integer"},
        {"KMAX = 1.5", NamelistStatus::WrongType, "KMAX", "not the real '1.5'"},
        {"WHAT = abc", NamelistStatus::WrongType, "WHAT", "quoted text"},
        {"DELTA = 'x'", NamelistStatus::WrongType, "DELTA", "takes a real"},
        {"KMAX = 12x", NamelistStatus::Malformed, "KMAX", "not an integer"},
        {"KMAX = 3000000000", NamelistStatus::Malformed, "KMAX", "integer range"},
        {"DELTA = 1.2.3", NamelistStatus::Malformed, "DELTA", "not a real number"},
        {"KMAX 5", NamelistStatus::Malformed, "KMAX", "'=' missing"},
        {"KMAX = 5 6", NamelistStatus::Malformed, "KMAX", "more than one value"},
        {"KMAX = 2*5", NamelistStatus::Malformed, "KMAX", "takes one value"},
        {"KMAX = 0*5", NamelistStatus::Malformed, "KMAX", "must be positive"},
        {"KMAX = NaN", NamelistStatus::WrongType, "KMAX", "takes an integer, not 'NaN'"},
        {"DELTA = Infin", NamelistStatus::WrongType, "DELTA", "takes a real, not 'Infin'"},
        {"WHAT = 'ab'cd", NamelistStatus::Malformed, "WHAT", "followed by 'cd'"},
        {"WHAT(3:2) = 'x'", NamelistStatus::Malformed, "WHAT(3:2)", "outside the 8 characters"},
        {"KMAX(1:2) = 5", NamelistStatus::Malformed, "KMAX(1:2)", "only a text takes a substring"},
    };
    for (const Case& k : cases) {
        Config c;
        const std::string text =
            std::string("&QUORLNML\n JBON = 8\n ") + k.faulty + "\n DELTA = 0.5, WHAT = 'late' /\n";
        const auto r = read(text, c);
        EXPECT_TRUE(r.found) << k.faulty;
        EXPECT_FALSE(r.complete) << k.faulty;
        EXPECT_EQ(r.status, k.status) << k.faulty;
        EXPECT_EQ(r.line, 3) << k.faulty;
        EXPECT_EQ(r.member, k.member) << k.faulty;
        EXPECT_NE(r.message.find(k.words), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("line 3 of group &QUORLNML"), std::string::npos) << r.message;
        EXPECT_EQ(c.JBON, 8) << k.faulty;
        if (std::string(k.member) != "DELTA") {
            expectQuad(c.DELTA, "-1");
        }
        EXPECT_EQ(c.WHAT, "start") << k.faulty;
    }
}

TEST(NamelistTest, EndOfFileInsideTheGroup) {
    Config c;
    const auto open = read("&QUORLNML JBON = 2, WHAT = 'goes on\n  over lines /\n", c);
    EXPECT_EQ(open.status, NamelistStatus::UnterminatedText);
    EXPECT_EQ(open.line, 1);
    EXPECT_EQ(open.member, "WHAT");
    EXPECT_EQ(c.WHAT, "start");
    const auto r = read("\n&QUORLNML JBON = 2\n  KMAX = 3\n", c);
    EXPECT_TRUE(r.found);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.status, NamelistStatus::EndOfFile);
    EXPECT_NE(r.message.find("opened on line 2"), std::string::npos) << r.message;
    EXPECT_EQ(c.JBON, 2);
    EXPECT_EQ(c.KMAX, 3);
    const auto other = read("&QUORLNML JBON = 2\n&NEXT KMAX = 1 /\n", c);
    EXPECT_EQ(other.status, NamelistStatus::Malformed);
    EXPECT_NE(other.message.find("'/'"), std::string::npos) << other.message;
}

TEST(NamelistTest, ReadsFromAUnit) {
    std::istringstream in("&QUORLNML JBON = 6 /\n");
    std::ostringstream out;
    quorl::io::Units units(in, out);
    Config c;
    const auto r = quorl::io::readNamelist(units, 5, "&quorlnml", c.members());
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(c.JBON, 6);
}

}  // namespace
