#include "io/free_input.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "io/units.hpp"
#include "quad/decimal.hpp"

using quorl::Quad;
using quorl::quadFromText;
using quorl::Text;
using quorl::io::readFree;
using quorl::io::ReadStatus;

namespace {

void expectQuad(Quad got, const char* text) {
    const Quad want = quadFromText(text);
    EXPECT_EQ(got.hi, want.hi) << text;
    EXPECT_EQ(got.lo, want.lo) << text;
}

TEST(FreeInputTest, ReadsEachKindOfItem) {
    std::int32_t n = 0;
    Quad x{}, y{}, z{};
    char c = '?';
    std::string s;
    Text<4> t;
    const auto r = readFree("  -12, 0.1D-2,7 3e+1 y 'it''s here' \"abcdef\"", n, x, y, z, c, s, t);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.index, 7u);
    EXPECT_EQ(n, -12);
    expectQuad(x, "0.001");  // the quad nearest 1/1000, not the double
    expectQuad(y, "7");
    expectQuad(z, "30");
    EXPECT_EQ(c, 'y');
    EXPECT_EQ(s, "it's here");
    EXPECT_EQ(t, "abcd");
}

TEST(FreeInputTest, IntegerRangeIsExact) {
    std::int32_t a = 0, b = 0, c = 5;
    ASSERT_TRUE(readFree("2147483647 -2147483648", a, b).ok());
    EXPECT_EQ(a, 2147483647);
    EXPECT_EQ(b, -2147483647 - 1);
    const auto r = readFree("2147483648", c);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_NE(r.message.find("integer range"), std::string::npos) << r.message;
    EXPECT_EQ(c, 5);
}

TEST(FreeInputTest, NullValuesRepeatsAndSlashLeaveItemsUnchanged) {
    std::int32_t a = -1, b = -1, c = -1, d = -1, e = -1;
    auto r = readFree(",5,,7 /  8", a, b, c, d, e);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.index, 4u);
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(d, 7);
    EXPECT_EQ(e, -1);

    a = b = c = d = e = -1;
    r = readFree("2*9, 2* 4", a, b, c, d, e);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(a, 9);
    EXPECT_EQ(b, 9);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(d, -1);
    EXPECT_EQ(e, 4);
}

TEST(FreeInputTest, ValuesContinueOnFurtherRecordsFromAUnit) {
    std::istringstream in("1 2,\n\n   \n3 99 98\n/\n4,5\n");
    std::ostringstream out;
    quorl::io::Units units(in, out);
    std::int32_t a = 0, b = 0, c = 0;
    Quad x{};
    ASSERT_TRUE(readFree(units, 5, a, b, c).ok());
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    // The rest of "3 99 98" is dropped: the next read starts on "/".
    auto r = readFree(units, 5, x);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.index, 0u);
    ASSERT_TRUE(readFree(units, 5, a, x).ok());
    EXPECT_EQ(a, 4);
    expectQuad(x, "5");
    r = readFree(units, 5, a);
    EXPECT_EQ(r.status, ReadStatus::EndOfInput);
    EXPECT_EQ(a, 4);
}

TEST(FreeInputTest, MalformedItemStopsTheReadAfterAssigningThoseBefore) {
    std::int32_t a = 0, b = 0, c = 0;
    Quad x = quadFromText("2"), y = quadFromText("2");
    struct Case {
        const char* record;
        std::size_t index;
        const char* words;
    };
    for (const Case& k : {Case{"1 abc 3", 1, "'abc' is not an integer"}, Case{"1 1.5 3", 1, "not an integer"},
                          Case{"1 'x' 3", 1, "a text where an integer"}, Case{"1 2 0*3", 2, "repeat count"}}) {
        a = b = c = -1;
        const auto r = readFree(k.record, a, b, c);
        EXPECT_EQ(r.status, ReadStatus::Malformed) << k.record;
        EXPECT_EQ(r.index, k.index) << k.record;
        EXPECT_NE(r.message.find(k.words), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("item " + std::to_string(k.index + 1) + " of 3"), std::string::npos) << r.message;
        EXPECT_EQ(a, 1);
        EXPECT_EQ(c, -1);
    }
    auto r = readFree("1.25 1.2.3", x, y);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_EQ(r.index, 1u);
    expectQuad(x, "1.25");
    expectQuad(y, "2");
    std::string s = "old";
    r = readFree("7 'open", a, s);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_NE(r.message.find("unterminated"), std::string::npos) << r.message;
    EXPECT_EQ(s, "old");
}

TEST(FreeInputTest, EndOfInputReportsTheFirstMissingItem) {
    std::int32_t a = 0, b = 0, c = 7;
    auto r = readFree("1\n2\n", a, b, c);
    EXPECT_EQ(r.status, ReadStatus::EndOfInput);
    EXPECT_EQ(r.index, 2u);
    EXPECT_NE(r.message.find("item 3 of 3"), std::string::npos) << r.message;
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 7);
    std::istringstream empty;
    std::ostringstream out;
    quorl::io::Units units(empty, out);
    EXPECT_EQ(readFree(units, 5).status, ReadStatus::EndOfInput);
}

}  // namespace
