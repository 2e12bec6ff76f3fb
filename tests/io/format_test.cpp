// io::format behaviour that the gfortran comparison cannot pin down: the
// system's own format texts, malformed formats, items Fortran would reject,
// and the full-precision text of a Quad.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "io/fixed_text.hpp"
#include "io/format.hpp"
#include "io/format_parse.hpp"
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
