#include "io/json.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "quad/decimal.hpp"
#include "quad/oracle.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;

TEST(Json, NumbersAreTheShortestTextThatReadsBack) {
    const struct {
        Quad v;
        const char* text;
    } cases[] = {
        {Quad{}, "0"},
        {Quad{-0.0, 0.0}, "0"},
        {quorl::fromInt(1), "1"},
        {quadFromText("-2.5"), "-2.5"},
        {quadFromText("0.7"), "0.7"},
        {quadFromText("238.94212918"), "238.94212918"},
        {quadFromText("0.000015"), "0.000015"},
        {quadFromText("1.5e-6"), "1.5e-6"},
        {quadFromText("1e20"), "100000000000000000000"},
        {quadFromText("1e21"), "1e21"},
        {quadFromText("-3.25e-300"), "-3.25e-300"},
        {Quad{1.0, 0x1p-60}, "1.0000000000000000008673617379884035"},
        {Quad{NAN, 0.0}, "null"},
        {Quad{-INFINITY, 0.0}, "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quorl::io::jsonNumber(c.v), c.text) << c.text;
    }
}

// Any normalised pair comes back bit for bit through parseQuad, and its
// head through strtod (a correctly rounding reader of doubles): pairs of
// full length, pairs at and next to the midpoint between two doubles
// (tail +-ulp/2, and a few units of the tail's own last bit inside it),
// and pairs whose tail lies far below the head, down to the subnormals,
// which need up to some 630 digits.
TEST(Json, EveryPairReadsBackAndItsHeadAsADouble) {
    quorl::testing::Draw draw(20261209);
    const auto check = [](Quad v) {
        const std::string text = quorl::io::jsonNumber(v);
        Quad back{};
        ASSERT_TRUE(quorl::parseQuad(text, back)) << text;
        ASSERT_TRUE(back.hi == v.hi && back.lo == v.lo) << text << " " << quorl::testing::show(v);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), v.hi) << text << " " << quorl::testing::show(v);
    };
    for (int i = 0; i < 3000; ++i) {
        const double sign = draw.coin() ? 1.0 : -1.0;
        const double hi = sign * draw.logUniform(-300, 300);
        check(draw.pair(hi));
        // At the midpoint: the head's last bit even, the tail half its ulp.
        const double even = std::bit_cast<double>(std::bit_cast<std::uint64_t>(hi) & ~std::uint64_t{1});
        const double half = (std::nextafter(std::fabs(even), INFINITY) - std::fabs(even)) / 2;
        const double towards = draw.coin() ? 1.0 : -1.0;
        check(Quad{even, towards * half});
        double inside = half;
        for (int k = static_cast<int>(draw.uniform(1, 8)); k > 0; --k) {
            inside = std::nextafter(inside, 0.0);  // (subnormal where the head is small)
        }
        check(Quad{hi, towards * inside});
        // A tail 2^-60 to 2^-1100 of the head, subnormal at the bottom.
        const double tail = std::ldexp(std::fabs(hi), -static_cast<int>(draw.uniform(60, 1100))) * towards;
        check(quorl::detail::renorm(hi, tail));
    }
    check(Quad{DBL_MAX, -0x1p-1074});
    check(Quad{-DBL_MAX, 0x1p969 - 0x1p917});
    check(Quad{0x1p-1074, 0.0});
    check(Quad{0x1p-1000, 0x1p-1074});
}

TEST(Json, StringsAreEscapedAndAlwaysUtf8) {
    const std::string fffd = "\xef\xbf\xbd";
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\"b\\c\nd\te\x01\x7f \xc3\xa9", "a\\\"b\\\\c\\nd\\te\\u0001\\u007f \xc3\xa9"},
        {"\xe2\x82\xac \xf0\x9d\x84\x9e \xf4\x8f\xbf\xbf \xed\x9f\xbf", "\xe2\x82\xac \xf0\x9d\x84\x9e \xf4\x8f\xbf\xbf \xed\x9f\xbf"},
        {"x\x80y", "x" + fffd + "y"},                               // a stray continuation byte
        {"\xc3", fffd},                                            // cut short at the end
        {"\xe2\x82x", fffd + fffd + "x"},                          // cut short inside
        {"\xc0\xaf \xe0\x80\xaf", fffd + fffd + " " + fffd + fffd + fffd},  // overlong forms
        {"\xed\xa0\x80", fffd + fffd + fffd},                      // a surrogate
        {"\xf4\x90\x80\x80 \xf5\xff", fffd + fffd + fffd + fffd + " " + fffd + fffd},  // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quorl::io::jsonString(c.in), "\"" + c.out + "\"") << c.in;
    }
}

TEST(Json, ContainersTakeALineEachUnlessInlined) {
    quorl::io::JsonWriter j;
    j.beginObject();
    j.key("n");
    j.value(3);
    j.key("list");
    j.beginArray();
    j.inlineNext();
    j.beginObject();
    j.key("x");
    j.value(quadFromText("0.5"));
    j.key("y");
    j.null();
    j.endObject();
    j.endArray();
    j.key("empty");
    j.beginArray();
    j.endArray();
    j.endObject();
    EXPECT_EQ(j.text(), "{\n  \"n\": 3,\n  \"list\": [\n    {\"x\": 0.5, \"y\": null}\n  ],\n  \"empty\": []\n}\n");
}

}  // namespace
