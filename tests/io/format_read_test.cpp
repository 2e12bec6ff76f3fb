#include "io/format_read.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "io/format.hpp"
#include "io/real_text.hpp"
#include "io/units.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace quorl::io {
namespace {

std::int32_t readInt(std::string_view field, std::string_view fmt = "(i6)") {
    std::int32_t v = -99;
    const ReadResult r = readFormatted(field, fmt, v);
    EXPECT_TRUE(r.ok()) << field << ": " << r.message;
    return v;
}

double readDouble(std::string_view field, std::string_view fmt) {
    double v = -99.0;
    const ReadResult r = readFormatted(field, fmt, v);
    EXPECT_TRUE(r.ok()) << field << ": " << r.message;
    return v;
}

template <class T>
void expectMalformed(std::string_view field, std::string_view fmt) {
    T v{};
    const T before = v;
    const ReadResult r = readFormatted(field, fmt, v);
    EXPECT_EQ(r.status, ReadStatus::Malformed) << "'" << field << "' under " << fmt;
    EXPECT_EQ(r.index, 0u);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(v == before) << field;  // the item is left as it was
}

TEST(FormatReadTest, IntegerFields) {
    EXPECT_EQ(readInt("   123"), 123);
    EXPECT_EQ(readInt("123   "), 123);  // trailing blanks are ignored, not zeros
    EXPECT_EQ(readInt(" 1 2 3"), 123);
    EXPECT_EQ(readInt("  -  7"), -7);
    EXPECT_EQ(readInt("+42"), 42);
    EXPECT_EQ(readInt("      "), 0);
    EXPECT_EQ(readInt(""), 0);  // the record is read as if padded with blanks
    EXPECT_EQ(readInt("12345678", "(i6)"), 123456);
    EXPECT_EQ(readInt("-2147483648", "(i11)"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(readInt("   3", "(g4.1)"), 3);
    for (const char* bad : {"  -   ", "1.5   ", " 1e2  ", "  12x ", "--1"}) {
        expectMalformed<std::int32_t>(bad, "(i6)");
    }
    expectMalformed<std::int32_t>(" 2147483648", "(i11)");
}

TEST(FormatReadTest, RealFields) {
    // With a decimal point d means nothing; without one the last d digits
    // are the decimals, also before an exponent.
    EXPECT_EQ(readDouble("  1.25", "(f6.2)"), 1.25);
    EXPECT_EQ(readDouble("   125", "(f6.2)"), 1.25);
    EXPECT_EQ(readDouble("12345", "(f5.0)"), 12345.0);
    EXPECT_EQ(readDouble(" 1e2  ", "(f6.2)"), 1.0);
    EXPECT_EQ(readDouble("   12e1", "(e7.3)"), 0.12);
    EXPECT_EQ(readDouble(" 1.5e+0 5", "(e9.2)"), 150000.0);  // blanks inside the exponent too
    EXPECT_EQ(readDouble("1.5-3 ", "(f6.2)"), 1.5e-3);      // exponent without its letter
    EXPECT_EQ(readDouble("1.5q2", "(f5.1)"), 150.0);
    EXPECT_EQ(readDouble("-2.5D-1", "(d7.1)"), -0.25);
    EXPECT_EQ(readDouble("  +.5", "(g5.1)"), 0.5);
    EXPECT_EQ(readDouble("- 1.5", "(f5.1)"), -1.5);
    EXPECT_EQ(readDouble("      ", "(f6.2)"), 0.0);
    EXPECT_EQ(readDouble("1e400", "(e9.2)"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDouble("1e-400", "(e9.2)"), 0.0);
    EXPECT_EQ(readDouble(" -Infinity", "(e10.2)"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDouble("inf", "(e10.2)"), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(readDouble("   NaN", "(f6.1)")));
    float f = 0.0f;
    ASSERT_TRUE(readFormatted("  0.1", "(f5.1)", f).ok());
    EXPECT_EQ(f, 0.1f);  // rounded once, in float
    ASSERT_TRUE(readFormatted("1e50", "(e5.1)", f).ok());
    EXPECT_EQ(f, std::numeric_limits<float>::infinity());

    for (const char* bad : {"1.2.3", " 1.2x", "1.5E  ", "1.5+  ", "1.5 e 2", "  -   ", "  .   ", "e5", "Infx"}) {
        expectMalformed<double>(bad, "(f6.2)");
        expectMalformed<Quad>(bad, "(f6.2)");
    }
}

TEST(FormatReadTest, QuadFieldsKeepFullPrecision) {
    Quad q;
    const char* text = "0.31415926535897932384626433832795E+01";
    ASSERT_TRUE(readFormatted(std::string("   ") + text, "(e41.32)", q).ok());
    EXPECT_EQ(q, quadFromText(text));
    EXPECT_NE(q.lo, 0.0);
    // Implied decimals are exact too: 1/10 of the digits, not a double.
    ASSERT_TRUE(readFormatted("1", "(f1.1)", q).ok());
    EXPECT_EQ(q, quadFromText("0.1"));
    // The exponent form the writer uses beyond two exponent digits.
    ASSERT_TRUE(readFormatted("  0.123456789-119", "(e17.9)", q).ok());
    EXPECT_EQ(q, quadFromText("0.123456789e-119"));
}

// What e18.9 writes of a quad reads back as the quad nearest its nine
// digits, and writes again as the same text.
// A plain decimal field (a point, blanks only around it) is read through
// the decimal reader's fast path; every field gives what the general path
// (the real text with its blanks removed and the implied decimals of the
// descriptor, then the exact conversion) gives.
TEST(FormatReadTest, PlainDecimalFieldsReadAsTheGeneralPathReadsThem) {
    std::mt19937_64 rng(185);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    for (int n = 0; n < 100000; ++n) {
        std::string digits;
        for (int k = 1 + pick(20); k > 0; --k) {
            digits += static_cast<char>('0' + pick(10));
        }
        if (pick(8) != 0) {
            digits.insert(static_cast<std::size_t>(pick(static_cast<int>(digits.size()) + 1)), 1, '.');
        }
        std::string text = (pick(3) == 0 ? "-" : pick(5) == 0 ? "+" : "") + digits;
        if (pick(3) != 0) {
            text += std::string(1, "EeDdQ+-"[pick(7)]) + (pick(3) == 0 ? "-" : "") + std::to_string(pick(60));
        }
        if (pick(10) == 0) {
            text.insert(static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1)), 1, ' ');  // a blank inside
        }
        if (text.size() > 24) {
            continue;
        }
        const std::string field = std::string(24 - text.size() - pick(static_cast<int>(25 - text.size())), ' ') + text;
        const std::string padded = field + std::string(24 - field.size(), ' ');
        Quad got{7.0, 7.0}, want{7.0, 7.0};
        const bool ok = readFormatted(padded, "(e24.9)", got).ok();
        std::string compact;
        for (const char c : padded) {
            if (c != ' ') {
                compact += c;
            }
        }
        RealText r;  // with the 9 implied decimals of e24.9 where there is no point
        const bool general = realText(compact, r, 9) && (r.decimal.empty() || parseQuad(r.decimal, want));
        if (general && r.decimal.empty()) {
            want = Quad{r.special, 0.0};
        }
        ASSERT_EQ(ok, general) << "'" << padded << "'";
        if (ok) {
            ASSERT_EQ(got.hi, want.hi) << "'" << padded << "'";
            ASSERT_EQ(got.lo, want.lo) << "'" << padded << "'";
            ASSERT_EQ(std::signbit(got.hi), std::signbit(want.hi)) << "'" << padded << "'";
        }
    }
}

TEST(FormatReadTest, WriterRecordsReadBack) {
    std::mt19937_64 gen(20261208);
    std::uniform_real_distribution<double> mant(-1.0, 1.0);
    std::uniform_int_distribution<int> expo(-300, 300);
    for (int k = 0; k < 2000; ++k) {
        const Quad v = Quad{std::ldexp(mant(gen), expo(gen)), 0.0} * Quad{1.0 + std::ldexp(mant(gen), -60), 0.0};
        const auto th = static_cast<float>(k % 200) / 10.0f;
        const std::string record = format("(i2,1x,f5.1,3e18.9)", k % 16, th, v, -v, v * v);
        std::int32_t ic = -1;
        float thBack = -1.0f;
        Quad x, y, z;
        const ReadResult r = readFormatted(record, "(i2,1x,f5.1,3e18.9)", ic, thBack, x, y, z);
        ASSERT_TRUE(r.ok()) << record << r.message;
        EXPECT_EQ(r.index, 5u);
        EXPECT_EQ(ic, k % 16);
        EXPECT_EQ(thBack, th);
        const std::string field = record.substr(8, 18);
        EXPECT_EQ(x, quadFromText(field.substr(field.find_first_not_of(' ')))) << record;
        EXPECT_EQ(y, -x);
        // Within half a unit of the ninth digit of v.
        if (v != Quad{0.0, 0.0}) {
            EXPECT_LE(std::fabs(((x - v) / v).hi), 5.0000001e-9) << record;
        }
        EXPECT_EQ(format("(i2,1x,f5.1,3e18.9)", ic, thBack, x, y, z), record);
    }
}

TEST(FormatReadTest, TextFields) {
    Text<4> a, b, c, d;
    const ReadResult r = readFormatted("abcdefghXYZ", "(a6,a2,a,a5)", a, b, c, d);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(a, "cdef");  // a wider field gives its last characters
    EXPECT_EQ(b, "gh  ");  // a narrower one is padded
    EXPECT_EQ(c, "XYZ ");  // A: the text's length, past the record's end blanks
    EXPECT_EQ(d, "    ");
    Text<3> g;
    ASSERT_TRUE(readFormatted("xy", "(g3.1)", g).ok());
    EXPECT_EQ(g, "xy ");
}

TEST(FormatReadTest, FormatControl) {
    std::int32_t i[6] = {};
    Quad x;
    // Repeat counts, groups, skips; the rest of the record is dropped.
    ASSERT_TRUE(readFormatted(" 1 2xx 3 4   5.5 trailing", "(2i2,2x,2(i2),f6.1)", i[0], i[1], i[2], i[3], x).ok());
    EXPECT_EQ(i[0] + 10 * i[1] + 100 * i[2] + 1000 * i[3], 4321);
    EXPECT_EQ(x, quadFromText("5.5"));
    // A slash and the reversion to the last top-level group move on to the
    // next record; the read ends at the first descriptor without an item.
    ReadResult r = readFormatted("  7\n  8  9\n 10 11\n 12", "(i3/(2i3))", i[0], i[1], i[2], i[3], i[4]);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(i[0] + i[1] + i[2] + i[3] + i[4], 7 + 8 + 9 + 10 + 11);
    // The whole format without a group resumes at its start.
    r = readFormatted("1\n2\n3", "(i1)", i[0], i[1], i[2]);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(i[2], 3);
    // A colon ends the read before what follows it.
    r = readFormatted("5", "(i1,:/i1)", i[0]);
    EXPECT_TRUE(r.ok());
    // Output controls are accepted and change nothing.
    r = readFormatted("+5", "(sp,i2\\)", i[0]);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(i[0], 5);
}

TEST(FormatReadTest, FailuresNameTheItemAndKeepTheRest) {
    std::int32_t a = -1, b = -1, c = -1;
    ReadResult r = readFormatted("  1 2x  3", "(3i3)", a, b, c);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_EQ(r.index, 1u);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, -1);
    EXPECT_EQ(c, -1);
    EXPECT_EQ(r.message, "item 2 (record 1, columns 4-6): ' 2x' is not an integer");

    r = readFormatted("  1\n", "(i3/i3)", a, b);
    EXPECT_EQ(r.status, ReadStatus::EndOfInput);
    EXPECT_EQ(r.index, 1u);
    r = readFormatted("", "(i3)", a);  // an empty text is one blank record
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(readFormattedItems(RecordSource([] { return std::optional<std::string>(); }), "(i3)", {}).status,
              ReadStatus::EndOfInput);

    // Items the descriptor cannot read, and formats that cannot read.
    Quad q;
    Text<2> t;
    EXPECT_EQ(readFormatted("1.5", "(i3)", q).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("  1", "(f3.0)", a).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("ab", "(f2.0)", t).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("12", "(a2)", a).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("1", "(i0)", a).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("101", "(b3)", a).status, ReadStatus::Malformed);
    EXPECT_EQ(readFormatted("x=1", "('x=',i1)", a).status, ReadStatus::Malformed);
    r = readFormatted("1", "(i1", a);
    EXPECT_EQ(r.status, ReadStatus::Malformed);
    EXPECT_NE(r.message.find("bad format"), std::string::npos);
    EXPECT_EQ(readFormatted("1 2", "(i1,'x')", a, b).status, ReadStatus::Malformed);
}

TEST(FormatReadTest, ReadsRecordsOfAUnit) {
    quorl::testing::TempDir dir;
    quorl::testing::TempDir::writeFile("list.txt", "        2\n 3  1.5   0.100000000E+01\n");
    std::istringstream in;
    std::ostringstream out;
    Units units(in, out);
    units.openRead(12, "list.txt");
    std::int32_t n = 0, ic = 0;
    float th = 0.0f;
    Quad x;
    ASSERT_TRUE(readFormatted(units, 12, "(i9)", n).ok());
    ASSERT_TRUE(readFormatted(units, 12, "(i2,1x,f5.1,e18.9)", ic, th, x).ok());
    EXPECT_EQ(n, 2);
    EXPECT_EQ(ic, 3);
    EXPECT_EQ(th, 1.5f);
    EXPECT_EQ(x, Quad(1.0, 0.0));
    EXPECT_EQ(readFormatted(units, 12, "(i9)", n).status, ReadStatus::EndOfInput);
}

}  // namespace
}  // namespace quorl::io
