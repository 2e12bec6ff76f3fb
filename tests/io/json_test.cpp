#include "io/json.hpp"

#include <gtest/gtest.h>

#include <cmath>

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
    // Any pair of full precision comes back bit for bit.
    quorl::testing::Draw draw(20261209);
    for (int i = 0; i < 5000; ++i) {
        const double hi = draw.logUniform(-300, 300) * (draw.coin() ? 1 : -1);
        const Quad v = draw.pair(hi);
        Quad back{};
        ASSERT_TRUE(quorl::parseQuad(quorl::io::jsonNumber(v), back)) << quorl::io::jsonNumber(v);
        ASSERT_TRUE(back.hi == v.hi && back.lo == v.lo) << quorl::io::jsonNumber(v) << " " << quorl::testing::show(v) << " " << quorl::testing::show(back);
    }
}

TEST(Json, StringsAreEscaped) {
    EXPECT_EQ(quorl::io::jsonString("a\"b\\c\nd\te\x01 \xc3\xa9"), "\"a\\\"b\\\\c\\nd\\te\\u0001 \xc3\xa9\"");
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
