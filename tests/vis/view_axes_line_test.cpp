// The Axes and Legend lines of the drawing files: what is written reads
// back the same; a line that is not of its form is set aside without
// failing the file; a file without them reads as before. The tick values follow the 1-2-5 rule.
#include <gtest/gtest.h>

#include <string>

#include "vis/view_axes_line.hpp"
#include "vis/view_drawing.hpp"
#include "vis/view_page.hpp"
#include "vis/view_ticks.hpp"

namespace quorl {
namespace {

ViewAxes sampleAxes() {
    ViewAxes a;
    a.x = {"1:Coe\"1\"", 10, 0.5};
    a.y = {"2:Coe2 \xc3\xa9", -1e-7, 3.0000000000000004};
    a.z = "-RSS, log scale";
    a.start = {{0, 0, -2.5}};
    a.end = {{0.1 + 0.2, 2, 0}};
    a.plane = {{0, 4, 0, 4}};
    return a;
}

TEST(ViewAxesLineTest, WrittenLineReadsBackExactly) {
    const ViewAxes a = sampleAxes();
    std::string why;
    const auto b = parseViewAxesLine(viewAxesLine(a), why);
    ASSERT_TRUE(b) << why << ": " << viewAxesLine(a);
    EXPECT_EQ(b->x.name, a.x.name);
    EXPECT_EQ(b->y.name, a.y.name);
    EXPECT_EQ(b->y.origin, a.y.origin);
    EXPECT_EQ(b->y.scale, a.y.scale);
    EXPECT_EQ(b->z, a.z);
    EXPECT_EQ(b->start, a.start);
    EXPECT_EQ(b->end, a.end);
    EXPECT_EQ(b->plane, a.plane);
    // Bounded: a long name with control characters is cut, cleaned, and
    // still reads back as written.
    ViewAxes c = a;
    c.x.name = std::string(500, 'n') + "\t\x01";
    const std::string line = viewAxesLine(c);
    EXPECT_LT(line.size(), kViewLineLimit);
    ASSERT_TRUE(parseViewAxesLine(line, why));
    EXPECT_EQ(parseViewAxesLine(line, why)->x.name, std::string(kViewAxisTextLimit, 'n'));
    EXPECT_EQ(viewAxesLine(ViewAxes{}), "");
}

TEST(ViewAxesLineTest, FilesWithAndWithoutTheLine) {
    const std::string records = "3\n 0 1.0 0.0E+00 0.0E+00 0.0E+00\n 9 1.0 0.4E+01 0.0E+00 0.0E+00\n"
                                " 9 1.0 0.4E+01 0.4E+01 0.0E+00\n";
    const std::string good = viewAxesLine(sampleAxes());
    const struct {
        std::string trailer;
        bool axes;
        bool fault;
    } cases[] = {
        {"", false, false},
        {"Run: r-1\n", false, false},
        {good + "\nRun: r-1\n", true, false},
        {"Run: r-1\n" + good + "\n", true, false},
        {"Axes: x \"a\" 0 0 y \"b\" 0 1 z \"\"\nRun: r-1\n", false, true},  // a scale of 0
        {"Axes: x \"a 0 1\n", false, true},                                  // no closing quote
        {good + " extra\n", false, true},
        {"Axes: x \"a\" 0 1 y \"b\" 0 1 z \"\" start 1 2 nan\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trailer);
        const ViewDrawing d = readViewDrawingText(records + c.trailer, "t.txt");
        ASSERT_EQ(d.points.size(), 3u);
        EXPECT_EQ(d.axes.known(), c.axes);
        EXPECT_EQ(!d.axesFault.empty(), c.fault) << d.axesFault;
        if (!c.axes) {  // the page of an old file: no axes, as before
            EXPECT_EQ(viewPage(d.points, d.run, d.axes), viewPage(d.points, d.run));
            EXPECT_NE(viewPage(d.points, d.run).find("const AXES = null;"), std::string::npos);
        }
    }
}

// The Legend line: what is written reads back as viewLegend holds it
// (codes in order, each once, cleaned texts, within its bound); a line not
// of its form is set aside, the file and its axes read all the same.
TEST(ViewAxesLineTest, LegendLineReadsBackAndIsSetAsideWhenMalformed) {
    ViewLegend l;
    l.uses = {{13, "ticks \"and\" names"}, {9, "lines\x01"}, {13, "again"}, {0, "no code"}, {16, "none"}};
    l.hidden[13] = true;
    // Codes in order, each once (the first meaning), texts cleaned.
    const std::string line = viewLegendLine(l);
    EXPECT_EQ(line, "Legend: 9 \"lines \" 13 \"ticks \"\"and\"\" names\" hidden 13");
    std::string why;
    const auto back = parseViewLegendLine(line, why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(viewLegendLine(*back), line);
    EXPECT_EQ(viewLegendLine(ViewLegend{}), "");
    ViewLegend big;  // every code with a long meaning full of quotes: cut to the bound
    for (int c = 1; c <= 15; ++c) {
        big.uses.push_back({c, std::string(200, '"')});
    }
    big.hidden.fill(true);
    EXPECT_LE(viewLegendLine(big).size(), kViewLegendLineLimit);
    const auto bigBack = parseViewLegendLine(viewLegendLine(big), why);
    ASSERT_TRUE(bigBack) << why;
    EXPECT_EQ(viewLegendLine(*bigBack), viewLegendLine(big));

    const std::string records = "2\n 0 1.0 0.0E+00 0.0E+00 0.0E+00\n 9 1.0 0.4E+01 0.0E+00 0.0E+00\n";
    const std::string axes = viewAxesLine(sampleAxes()) + "\n";
    const struct {
        std::string trailer;
        bool legend, fault;
    } cases[] = {
        {axes + viewLegendLine(l) + "\nRun: r-1\n", true, false},
        {viewLegendLine(l) + "\n" + axes, true, false},
        {axes + "Legend: 9 \"lines\" hidden 16\nRun: r-1\n", false, true},
        {axes + "Legend: 9 lines\n", false, true},
        {axes + "Legend: 2.5 \"x\"\n", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trailer);
        const ViewDrawing d = readViewDrawingText(records + c.trailer, "t.txt");
        ASSERT_EQ(d.points.size(), 2u);
        EXPECT_TRUE(d.axes.known());
        EXPECT_EQ(d.axes.legend.given(), c.legend);
        EXPECT_EQ(!d.legendFault.empty(), c.fault) << d.legendFault;
        // The page from the file is the page of what the run held.
        ViewAxes held = sampleAxes();
        held.legend = c.legend ? l : ViewLegend{};
        EXPECT_EQ(viewPage(d.points, "", d.axes), viewPage(d.points, "", held));
    }
}

TEST(ViewTicksTest, OneTwoFiveSteps) {
    const struct {
        double lo, hi;
        const char* labels;
    } cases[] = {
        {0, 4, "0,1,2,3,4"},
        {10, 12, "10.0,10.5,11.0,11.5,12.0"},
        {4, 0, "0,1,2,3,4"},
        {-0.03, 0.07, "-0.02,0.00,0.02,0.04,0.06"},
        {0, 3e7, "0,5.0e+6,1.0e+7,1.5e+7,2.0e+7,2.5e+7,3.0e+7"},
        {1, 1, ""},
    };
    for (const auto& c : cases) {
        std::string got;
        for (const ViewTick& t : viewTicks(c.lo, c.hi)) {
            got += (got.empty() ? "" : ",") + t.label;
        }
        EXPECT_EQ(got, c.labels) << c.lo << " to " << c.hi;
    }
}

}  // namespace
}  // namespace quorl
