#include "model/array.hpp"

#include <gtest/gtest.h>

#include <string>

#include "io/stop.hpp"
#include "quad/quad.hpp"

using quorl::Array1;
using quorl::Array2;
using quorl::io::Stop;

namespace {

// The message of the stop `action` throws, or "" if it throws none.
template <class F>
std::string stopMessage(F&& action) {
    try {
        action();
    } catch (const Stop& s) {
        EXPECT_NE(s.status(), 0);
        return s.message();
    }
    return "";
}

TEST(ArrayTest, BoundsAndColumnMajorOrder) {
    Array2<int> a(0, 2, -1, 1);  // a(0:2, -1:1)
    EXPECT_EQ(a.lower(1), 0);
    EXPECT_EQ(a.upper(1), 2);
    EXPECT_EQ(a.lower(2), -1);
    EXPECT_EQ(a.upper(2), 1);
    EXPECT_EQ(a.size(), 9u);
    for (int j = -1; j <= 1; ++j) {
        for (int i = 0; i <= 2; ++i) {
            a(i, j) = 10 * i + j;
        }
    }
    // First index fastest: a(0,-1) a(1,-1) a(2,-1) a(0,0) ...
    const std::vector<int> order(a.all().begin(), a.all().end());
    EXPECT_EQ(order, (std::vector<int>{-1, 9, 19, 0, 10, 20, 1, 11, 21}));
    const auto col = a.column(1);
    ASSERT_EQ(col.size(), 3u);
    EXPECT_EQ(col[2], 21);

    Array1<quorl::Quad> y(3);
    EXPECT_EQ(y.lower(), 1);
    EXPECT_EQ(y.upper(), 3);
    EXPECT_EQ(y(3).hi, 0.0);
    Array1<int> empty(1, 0);  // an empty dimension is allowed
    EXPECT_EQ(empty.size(), 0u);
    empty.checkRange(1, 0);
}

TEST(ArrayTest, FillAllocateAndResizeKeepingCommonElements) {
    Array1<int> v(-2, 2);
    v.fill(7);
    v(0) = 1;
    v.resize(0, 4);
    EXPECT_EQ(v.lower(), 0);
    EXPECT_EQ(v(0), 1);
    EXPECT_EQ(v(2), 7);
    EXPECT_EQ(v(3), 0);
    v.allocate(1, 2, 5);
    EXPECT_EQ(v(1), 5);

    Array2<int> m(2, 2);
    m(1, 1) = 11;
    m(2, 2) = 22;
    m(2, 1) = 21;
    m.resize(1, 3, 2, 3);
    EXPECT_EQ(m(2, 2), 22);
    EXPECT_EQ(m(1, 2), 0);
    EXPECT_EQ(m(3, 3), 0);
    EXPECT_EQ(m.size(), 6u);

    Array2<int> copy = m;  // a copy is a value of its own
    copy(2, 2) = 0;
    EXPECT_EQ(m(2, 2), 22);
    Array2<int> moved = std::move(copy);
    EXPECT_EQ(moved.size(), 6u);
    EXPECT_EQ(copy.size(), 0u);  // NOLINT: the moved-from array is empty
}

TEST(ArrayTest, OutOfBoundsAccessNamesBoundsIndexAndThisFile) {
    Array1<int> v(0, 4);
    const int line1 = __LINE__ + 1;
    std::string msg = stopMessage([&] { v(5) = 1; });
    EXPECT_NE(msg.find("(5)"), std::string::npos) << msg;
    EXPECT_NE(msg.find("(0:4)"), std::string::npos) << msg;
    EXPECT_NE(msg.find("array_test.cpp:" + std::to_string(line1)), std::string::npos) << msg;

    const Array2<int> a(3, 2);
    const int line2 = __LINE__ + 1;
    msg = stopMessage([&] { (void)a(1, 0); });
    EXPECT_NE(msg.find("(1,0)"), std::string::npos) << msg;
    EXPECT_NE(msg.find("(1:3,1:2)"), std::string::npos) << msg;
    EXPECT_NE(msg.find("array_test.cpp:" + std::to_string(line2)), std::string::npos) << msg;
    EXPECT_EQ(stopMessage([&] { (void)a(4, 1); }).empty(), false);
    EXPECT_EQ(stopMessage([&] { (void)a(3, 3); }).empty(), false);
    EXPECT_EQ(stopMessage([&] { (void)v(-1); }).empty(), false);
}

TEST(ArrayTest, RangeChecksGuardTheUncheckedPaths) {
    Array1<int> v(1, 5);
    v.checkRange(2, 5);
    v.atUnchecked(5) = 3;
    EXPECT_EQ(v.span(4, 5)[1], 3);
    const int line = __LINE__ + 1;
    std::string msg = stopMessage([&] { v.checkRange(0, 3); });
    EXPECT_NE(msg.find("0:3"), std::string::npos) << msg;
    EXPECT_NE(msg.find("array_test.cpp:" + std::to_string(line)), std::string::npos) << msg;
    EXPECT_FALSE(stopMessage([&] { (void)v.span(3, 6); }).empty());

    Array2<int> a(2, 3);
    EXPECT_FALSE(stopMessage([&] { a.checkRange(1, 2, 1, 4); }).empty());
    EXPECT_FALSE(stopMessage([&] { (void)a.column(0); }).empty());
    EXPECT_FALSE(stopMessage([&] { Array1<int> bad(3, 1); }).empty());
    EXPECT_FALSE(stopMessage([&] { (void)a.lower(3); }).empty());
}

}  // namespace
