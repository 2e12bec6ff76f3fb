// Reading a drawing back: every number form the formatted writer puts in
// the files (three-digit exponents without E, NaN and Infinity from an
// overflowed error measure, negative zero) reads as the value it stands
// for. The file faults are the command's tests (tests/view).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/temp_dir.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {
namespace {

using testing::TempDir;

TEST(ReadViewDrawingTest, NumberFormsOfTheWriter) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0.314159265E+01", 3.14159265},  {"-0.250000000E+00", -0.25}, {"0.100000000+151", 1e150},
        {"-0.100000000-149", -1e-150},    {"0.1D+02", 10},            {"+7", 7},
        {"-0.000000000E+00", 0},          {"0.1+400", inf},           {"-0.1+400", -inf},
        {"0.1-400", 0},                   {"Infinity", inf},          {"-Infinity", -inf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        TempDir::writeFile("list.txt", std::string("        1\n 9   1.0   0 0 ") + c.text + "\n");
        const ViewDrawing d = readViewDrawing("list.txt");
        ASSERT_EQ(d.points.size(), 1u);
        EXPECT_TRUE(d.pointList);
        EXPECT_EQ(d.points[0].IC, 9);
        EXPECT_EQ(d.points[0].Z, c.value);
        EXPECT_EQ(d.run, "");  // a file of an earlier version names no run
    }
    TempDir dir;
    TempDir::writeFile("nan.3dv", "        1\n   NaN   1.5   -2\n        1\n        1 15\nRun: 20240131T142530.123-4711-5f\n\n");
    const ViewDrawing d = readViewDrawing("nan.3dv");
    EXPECT_EQ(d.run, "20240131T142530.123-4711-5f");
    ASSERT_EQ(d.points.size(), 1u);
    EXPECT_FALSE(d.pointList);
    EXPECT_TRUE(std::isnan(d.points[0].X));
    EXPECT_EQ(d.points[0].Y, 1.5);
    EXPECT_EQ(d.points[0].IC, 15);
}

}  // namespace
}  // namespace quorl
