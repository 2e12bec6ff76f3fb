// io::format behaviour that the gfortran comparison cannot pin down: the
// system's own format texts, malformed formats, items Fortran would reject,
// and the full-precision text of a Quad.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>

#include "io/fixed_text.hpp"
#include "io/format.hpp"
#include "io/format_parse.hpp"
#include "io/format_read.hpp"
#include "quad/decimal.hpp"

using quorl::Quad;
using quorl::quadFromText;
using quorl::io::format;

namespace {

std::string errorOf(const std::string& fmt) {
    try {
        quorl::io::detail::parseFormat(fmt);
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "";
}

TEST(FormatParse, EverySystemFormatParses) {
    std::ifstream in(std::string(QUORL_SOURCE_DIR) + "/tests/io/format_system_texts.txt");
    int parsed = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line == "(normalized)") {
            // Not a format: the word in parentheses at the end of a header
            // text, "(/'Kp#   BtB(Kptot,Kptot) | BtZ(Kptot)=  (normalized)')",
            // which is in the list itself. gfortran rejects it as well.
            EXPECT_NE(errorOf(line).find("column 2"), std::string::npos) << errorOf(line);
            continue;
        }
        EXPECT_EQ(errorOf(line), "") << line;
        ++parsed;
    }
    EXPECT_EQ(parsed, 173);
}

TEST(FormatParse, MalformedFormatsNameTheColumn) {
    const std::pair<const char*, const char*> bad[] = {
        {"i5", "column 1"},          {"(i5,q3)", "column 5"},   {"(f8)", "column 4"},     {"(i5", "missing ')'"},
        {"('abc)", "unterminated"},  {"(e10.0)", "column 2"},   {"(i3.4)", "column 2"},   {"(0i3)", "column 2"},
        {"(i5) x", "column 6"},      {"(a0)", "column 4"},      {"(3'ab')", "column 3"},  {"(f 8 . )", "column 8"},
        {"(1p,f8.2)", "column 3"},   {"(g0.3)", "column 2"},    {"(2\\)", "column 2"},    {"", "column 1"},
    };
    for (const auto& [fmt, where] : bad) {
        const std::string msg = errorOf(fmt);
        EXPECT_NE(msg.find(where), std::string::npos) << fmt << ": " << msg;
    }
    EXPECT_THROW(format("(i5,q3)", 1), std::invalid_argument);
    // Items left over for a format without data descriptors cannot be written.
    EXPECT_THROW(format("('text')", 1), std::invalid_argument);
    EXPECT_THROW(format("(i2,3('x'))", 1, 2), std::invalid_argument);
}

// The repeat counts of nested groups multiply: a format whose one pass would
// write or step more than the bound is rejected at the column where the
// total crosses it, by the writer and the formatted reader alike.
TEST(FormatParse, TheWorkOfOnePassIsBounded) {
    const std::pair<const char*, const char*> rejected[] = {
        {"(100000(100000('x')))", "column 9"},
        {"(100000(100000(100000(sp))))", "column 9"},
        {"(i2,100000(100000x))", "column 12"},
        {"(100000a1000)", "column 2"},
        {"(10(100000(20/)))", "column 12"},
    };
    for (const auto& [fmt, where] : rejected) {
        const std::string msg = errorOf(fmt);
        EXPECT_NE(msg.find(where), std::string::npos) << fmt << ": " << msg;
        EXPECT_NE(msg.find("more than 10000000"), std::string::npos) << fmt << ": " << msg;
        std::int32_t n = 0;
        const auto r = quorl::io::readFormatted("1", fmt, n);
        EXPECT_EQ(r.status, quorl::io::ReadStatus::Malformed) << fmt;
    }
    for (const char* fmt : {"(100000(i5))", "(1000(1000(sp)))", "(3(100000x,i1))", "(100000('abcdefghij'))"}) {
        EXPECT_EQ(errorOf(fmt), "") << fmt;
    }
    EXPECT_EQ(format("(100000(i5))", 1, 2), "    1    2\n");
}

// A real under I or B is the integer nearest its exact value (halves away
// from zero), for every pair of doubles; beyond 64 bits the field is stars.
TEST(FormatWrite, IntegerOfAQuadIsExactForEveryPair) {
    const double p63 = std::ldexp(1.0, 63), p53 = std::ldexp(1.0, 53);
    struct Case {
        Quad v;
        const char* text;
    };
    const Case cases[] = {
        {{p63 - 1024.0, 0.0}, "9223372036854774784"},
        {{p63, -1.0}, "9223372036854775807"},
        {{p63, -0.5}, "********************"},
        {{p63, 0.0}, "********************"},
        {{-p63, 0.0}, "-9223372036854775808"},
        {{-p63, 0.5}, "-9223372036854775808"},
        {{-p63, -0.5}, "********************"},
        {{1.0, -3.5e250}, "********************"},
        {{1e300, -1e300}, "0"},
        {{p53, 0.5}, "9007199254740993"},
        {{p53, -0.5}, "9007199254740992"},
        {{0.5, -1e-300}, "0"},
        {{0.5, 0.0}, "1"},
        {{-0.5, 0.0}, "-1"},
        {{-0.5, 1e-300}, "0"},
        {{2.5, 1e-300}, "3"},
        {{-2.0, 0.5}, "-2"},
        {{-2.0, 0.4999999}, "-2"},
        {{3.0, -2.5}, "1"},
        {{1e20, -1e20}, "0"},
        {{1e19, -1e19 + 2048.0}, "2048"},
    };
    for (const Case& c : cases) {
        const std::string want = std::string(c.text) + "\n";
        EXPECT_EQ(format("(i0)", c.v), std::string(c.text)[0] == '*' ? "*\n" : want) << c.v.hi << " " << c.v.lo;
        EXPECT_EQ(format("(i20)", c.v), std::string(20 - std::strlen(c.text), ' ') + want) << c.v.hi << " " << c.v.lo;
    }
    EXPECT_EQ(format("(b8)", Quad{4.0, 0.5}), "     101\n");
    EXPECT_EQ(format("(b8)", Quad{p63, 0.0}), "********\n");
}

// The decimal count of F, E, D and G may be anything the parser takes; past
// the digits a double-double holds the digits are zeros (the comparison with
// gfortran covers the values).
TEST(FormatWrite, EveryDecimalCountIsServed) {
    EXPECT_EQ(format("(g9.8016)", 1.5), "*********\n");
    // 2^-1074 = 4.94...e-324 has 751 significant digits, ending in 5 at
    // decimal 1074: decimals 1075 to 5000 are zeros.
    const std::string f = format("(f6000.5000)", Quad{std::ldexp(1.0, -1074), 0.0});
    ASSERT_EQ(f.size(), 6001u);
    const std::string frac = f.substr(f.find("0.") + 2, 5000);
    EXPECT_EQ(frac.find_first_not_of('0'), 323u);
    EXPECT_EQ(frac.substr(323, 6), "494065");
    EXPECT_EQ(frac[1073], '5');
    EXPECT_EQ(frac.find_first_not_of('0', 1074), std::string::npos);
    EXPECT_EQ(format("(e2000.1990)", 0.1).substr(1 + 2 + 1400 + 6, 20), "00000000000000000000");
}

TEST(FormatParse, BlanksCaseAndSeparatorsDoNotMatter) {
    EXPECT_EQ(format("( 1 X , F 8 . 3 , I 3 )", 1.5, 7), format("(1x,f8.3,i3)", 1.5, 7));
    EXPECT_EQ(format("(1X,E12.4)", 0.5), format("(1x,e12.4)", 0.5));
    EXPECT_EQ(format("(' X    =',f12.6,'   Roll=',f12.6,'   Scale=',f12.6,)", 1.0, 2.0, 3.0),
              " X    =    1.000000   Roll=    2.000000   Scale=    3.000000\n");
    EXPECT_EQ(format("('it''s',\"a \"\"q\"\"\")"), "it'sa \"q\"\n");
    EXPECT_EQ(format("('ab'\\)"), "ab");
    EXPECT_EQ(format("('ab'$)"), "ab");
}

TEST(FormatParse, TheParseIsCachedPerText) {
    const auto& first = quorl::io::detail::parsedFormat("(i7,'cached')");
    const auto& again = quorl::io::detail::parsedFormat(std::string("(i7,'cached')"));
    EXPECT_EQ(&first, &again);
    EXPECT_NE(&first, &quorl::io::detail::parsedFormat("(i8,'cached')"));
}

TEST(FormatWrite, QuadShowsEveryDigitItHolds) {
    // 1 + 2^-100 = 1.00000000000000000000000000000078886...
    const Quad q{1.0, std::ldexp(1.0, -100)};
    EXPECT_EQ(format("(f40.32)", q), "      1.00000000000000000000000000000079\n");
    EXPECT_EQ(format("(e41.32)", -q), "  -0.10000000000000000000000000000008E+01\n");
    // 1/3 as a double-double, beyond its 32 meaningful digits: the exact
    // binary value, not padding.
    const Quad third = quadFromText("0.3333333333333333333333333333333333333333");
    EXPECT_EQ(format("(f40.38)", third), "0.33333333333333333333333333333333230617\n");
    EXPECT_EQ(format("(e12.3e3)", quadFromText("1e-300")), "  0.100E-299\n");
    EXPECT_EQ(format("(e12.3)", quadFromText("1e-300")), "   0.100-299\n");
}

TEST(FormatWrite, QuadGeneralFormFollowsTheExactValue) {
    // gfortran forms the limits of Gw.d for real(16) with 0.1 taken as a
    // double, so it writes the quad nearest 0.1 (just below 0.1) in
    // exponent form; rounded to 20 digits the value is 0.1, and the exact
    // rule writes it in fixed form.
    const Quad tenth = quadFromText("0.1");
    EXPECT_EQ(format("(g30.20)", tenth), "    0.10000000000000000000    \n");
    EXPECT_EQ(format("(g12.3)", tenth), "   0.100    \n");
    EXPECT_EQ(format("(g12.3)", quadFromText("0.099951")), "   0.100    \n");
    EXPECT_EQ(format("(g12.3)", quadFromText("0.0999499999")), "   0.999E-01\n");
}

TEST(FormatWrite, ItemsFortranWouldRejectAreWrittenByValue) {
    EXPECT_EQ(format("(f8.3)", 2), "   2.000\n");                          // integer under F
    EXPECT_EQ(format("(e12.4)", std::int64_t{-5}), " -0.5000E+01\n");      // and under E
    EXPECT_EQ(format("(g8.3)", 42), "      42\n");                          // G of an integer is Iw
    EXPECT_EQ(format("(i5,i5,i5)", 2.5, -2.5, 7.49f), "    3   -3    7\n"); // nearest, halves away from 0
    EXPECT_EQ(format("(i5)", quadFromText("1e30")), "*****\n");           // beyond 64 bits
    EXPECT_EQ(format("(b4)", 5.2), " 101\n");
    EXPECT_EQ(format("(f6.2,i3)", std::string_view("ab"), std::string_view("c")), "******\x2a**\n");
    EXPECT_EQ(format("(g6.2)", std::string_view("ab")), "    ab\n");        // text under G is Aw
    EXPECT_EQ(format("(a,'|',a4)", 12, 0.5), "12|0.50\n");                // a number under A: its free text
}

TEST(FormatWrite, TextsAndFixedLengthFields) {
    const quorl::Text<8> name("Roll");
    EXPECT_EQ(format("(a,'|',a3,'|',a10,'|')", name, name, name), "Roll    |Rol|  Roll    |\n");
    EXPECT_EQ(format("(16a1)", std::string_view("a"), std::string_view("b")), "ab\n");
    EXPECT_EQ(format("(a40,2x,16a1)"), "\n");
}

TEST(FormatWrite, RecordsEndWhereTheItemsDo) {
    EXPECT_EQ(format("(/'Iteration:',i3)", 4), "\nIteration:  4\n");
    EXPECT_EQ(format("(/'Iteration:',i3)"), "\nIteration:\n");
    EXPECT_EQ(format("(i4,'  ',\\)", 1, 2), "   1     2  ");
    EXPECT_EQ(format("(2i4)", 1, 2, 3), "   1   2\n   3\n");
    EXPECT_EQ(format("(i2,5x)", 1), " 1\n");  // trailing blanks of nX are not written
    EXPECT_EQ(format("('[',2(i2,:,','),']')", 1), "[ 1\n");
}

TEST(FormatFree, ListDirectedLayout) {
    using quorl::io::formatFreeOf;
    EXPECT_EQ(formatFreeOf(1, 2.5, std::string_view("abc"), -3),
              "           1   2.5000000000000000      abc          -3\n");
    EXPECT_EQ(formatFreeOf(std::string_view("a"), std::string_view("b")), " ab\n");
    EXPECT_EQ(formatFreeOf(), "\n");
    // A Quad is written as gfortran writes a real(16), 36 digits of the
    // exact value, fixed form from the double nearest 0.1 up to 10^36.
    EXPECT_EQ(formatFreeOf(quadFromText("0.5")), "  0.500000000000000000000000000000000000      \n");
    EXPECT_EQ(formatFreeOf(Quad{-std::ldexp(1.0, 700), 0.0}), "  -5.26013590154837350724098988288012867E+0210\n");
    EXPECT_EQ(formatFreeOf(quadFromText("0.1")), "   9.99999999999999999999999999999996919E-0002\n");
}

}  // namespace

namespace {

TEST(FormatWrite, AnInfinityThatLeavesNoRoomForItsSignKeepsTheRecordBeforeIt) {
    // As gfortran writes them: a plus sign that does not fit is left out,
    // a minus sign that does not fit gives asterisks.
    const Quad inf{INFINITY, 0.0};
    EXPECT_EQ(format("('[',sp,f3.1,']')", inf), "[Inf]\n");
    EXPECT_EQ(format("('[',sp,e3.1,']')", inf), "[Inf]\n");
    EXPECT_EQ(format("('[',sp,f4.1,']')", inf), "[+Inf]\n");
    EXPECT_EQ(format("('[',f3.1,']')", -inf), "[***]\n");
}

}  // namespace
