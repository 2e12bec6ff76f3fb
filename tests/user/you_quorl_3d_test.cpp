// The sample's landscape picture: the iteration path recorded in mode 5 and
// the picture drawn in mode 6, read back from the point list it writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/eval_fit.hpp"
#include "io/format.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "user/power_law_sample.hpp"
#include "user/you_quorl_3d.hpp"
#include "vis/morph_3d_jtl.hpp"
#include "vis/view_drawing.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::State;
using quorl::testing::runSample;
using quorl::testing::TempDir;

// A State with the sample declared, allocated and loaded; every model call
// is counted by mode.
struct Sample {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    quorl::PowerLawSample model;
    int passes = 0;  // mode-2 calls: one per fit evaluation

    explicit Sample(int jpu3d) {
        s.model = [this](State& st, int mode) {
            passes += mode == 2 ? 1 : 0;
            model(st, mode);
        };
        quorl::YOUQUORL(s, 0);
        s.JUSERCONFIG = 1;
        s.JPU = 0;
        s.JPD = 0;
        s.JPU3D = jpu3d;
        quorl::QUORLALLOCATEALL(s);
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            s.ZR(lz).WT = s.WEIGHT;
        }
        quorl::YOUQUORL(s, 1);
        s.PR(1).PBASE = quorl::quadFromText("3.1");
        s.PR(2).PBASE = quorl::quadFromText("2.2");
    }
    void picture() {
        quorl::YouQuorl3dState v;
        quorl::YOUQUORL3D(s, v);
    }
};

struct Point {
    int ic = 0;
    std::string line;  // as written, for exact comparisons
};

std::vector<Point> pointList() {
    std::ifstream f("Quorl-3dJTL.txt");
    std::vector<Point> points;
    std::string line;
    std::getline(f, line);  // the count
    while (std::getline(f, line) && !line.starts_with("Run: ") && !line.starts_with("Axes: ")) {
        points.push_back({std::stoi(line.substr(0, 2)), line});
    }
    return points;
}

int countColour(const std::vector<Point>& points, int ic) {
    int n = 0;
    for (const Point& p : points) {
        n += p.ic == ic ? 1 : 0;
    }
    return n;
}

// One point line as the writer writes it, without its line end.
template <class... Items>
std::string pointLine(const Items&... items) {
    std::string line = quorl::io::format("(i2,1x,f5.1,3e18.9)", items...);
    line.pop_back();
    return line;
}

// The point line the writer gives for (x, y, morphed -RSS at x, y).
std::string landscapeLine(Sample& t, int ic, const Quad& x, const Quad& y) {
    t.s.PR(1).P = x;
    t.s.PR(2).P = y;
    Quad rss;
    quorl::EVALFIT(t.s, rss, 0);
    quorl::TLREC p;
    p.XYZ(3) = -rss;
    quorl::MORPH3DJTL(t.s, p);
    return pointLine(ic, 1.0f, x, y, p.XYZ(3));
}

TEST(LandscapePicture, DrawsBothFamiliesOfLinesOverTheGridAndClosesTheDrawing) {
    TempDir dir;
    Sample t(13);
    t.s.JITER = 0;
    t.picture();
    const std::vector<Point> points = pointList();
    // The drawing is closed: the count in place and the drawing file whole.
    EXPECT_EQ(TempDir::readFile("Quorl-3dJTL.txt").substr(0, 10),
              quorl::io::format("(i9)", static_cast<int>(points.size())));
    std::ifstream draw("Quorl-3dDraw.3dv");
    int drawLines = 0;
    for (std::string line; std::getline(draw, line);) {
        ++drawLines;
    }
    EXPECT_EQ(drawLines, 2 * static_cast<int>(points.size()) + 2 + 2);  // and the axes and run lines

    // 2 families x 21 lines x 400 segments; colour 8: four sides of five
    // levels and two posts on every fifth line of both families.
    EXPECT_EQ(countColour(points, 9), 2 * 21 * 400);
    EXPECT_EQ(countColour(points, 8), 5 * 4 + 2 * 5 * 2);
    EXPECT_GT(countColour(points, 15), 4);  // the base level and its texts

    // The first landscape line stands on a post at (0, 0) and runs along
    // parameter 2 in steps of 0.01.
    std::size_t first = 0;
    while (first < points.size() && points[first].ic != 9) {
        ++first;
    }
    ASSERT_GE(first, 2u);
    EXPECT_EQ(points[first - 2].line, pointLine(0, 1.0f, Quad{}, Quad{}, Quad{}));
    EXPECT_EQ(points[first - 1].line, landscapeLine(t, 8, Quad{}, Quad{}));
    EXPECT_EQ(points[first].line, landscapeLine(t, 9, Quad{}, fromInt(3) / fromInt(300)));
    // The last one ends at (4, 4) and goes back down to z = 0.
    ASSERT_GE(points.size(), 3u);
    EXPECT_EQ(points[points.size() - 2].line, landscapeLine(t, 9, fromInt(4), fromInt(4)));
    EXPECT_EQ(points.back().line, pointLine(8, 1.0f, fromInt(4), fromInt(4), Quad{}));
}

TEST(LandscapePicture, WithoutThreeDOutputEveryEvaluationIsStillMade) {
    TempDir dir;
    Sample t(0);
    t.picture();
    EXPECT_EQ(t.passes, 2 * 21 * 401);
    EXPECT_FALSE(TempDir::exists("Quorl-3dJTL.txt"));
    EXPECT_FALSE(TempDir::exists("Quorl-3dDraw.3dv"));
    EXPECT_TRUE(t.s.PR(1).P == fromInt(4) && t.s.PR(2).P == fromInt(4));
    EXPECT_TRUE(t.s.PR(1).PBASE == quorl::quadFromText("3.1"));
    EXPECT_TRUE(t.s.PR(2).PBASE == quorl::quadFromText("2.2"));
}

// Points of a whole picture, counted by a counting-only drawing.
int picturePoints(int jiter, int jbon) {
    Sample t(6);
    t.s.JITER = jiter;
    t.s.JBON = jbon;
    for (int i = 0; i <= 100; ++i) {
        t.s.OMJSAVE(i) = "  1.0E-03";
    }
    t.picture();
    return t.s.draw3dJtl.NPTOT;
}

TEST(LandscapePicture, MarkersAndTableRowsFollowTheIterationsUpToOneHundred) {
    const int none = picturePoints(0, 200);
    const int one = picturePoints(1, 200);
    EXPECT_GT(one, none);  // a marker and a row
    EXPECT_EQ(picturePoints(150, 200), picturePoints(101, 200));
    EXPECT_GT(picturePoints(101, 200), picturePoints(100, 200));
    // The row of the iteration that first takes the inverter's step carries
    // a suffix; a JBON outside the rows marks none.
    EXPECT_GT(picturePoints(3, 2), picturePoints(3, 3));
    EXPECT_EQ(picturePoints(3, 3), picturePoints(3, -1));
}

TEST(LandscapePicture, ThePathStartsWithAMoveAndKeepsItsFirstHundredAndOnePoints) {
    TempDir dir;
    Sample t(13);
    t.s.RSS = fromInt(55);
    t.s.JITER = 0;
    quorl::YOUQUORL(t.s, 5);
    const quorl::TLREC& p0 = t.s.TLITER(0);
    EXPECT_EQ(p0.IC, 0);
    EXPECT_EQ(p0.TH, 2.0f);
    EXPECT_TRUE(p0.XYZ(1) == t.s.PR(1).PBASE && p0.XYZ(2) == t.s.PR(2).PBASE);
    // -55 morphed on the default rule.
    EXPECT_TRUE(abs(p0.XYZ(3) - quorl::quadFromText("-2.5")) < quorl::quadFromText("1e-30"));

    t.s.JITER = 1;
    quorl::YOUQUORL(t.s, 5);
    EXPECT_EQ(t.s.TLITER(1).IC, 15);
    // Beyond the table the point is drawn but not kept.
    t.s.JITER = 101;
    quorl::YOUQUORL(t.s, 5);
    EXPECT_EQ(t.s.draw3dJtl.NPTOT, 3);
}


TEST(LandscapePicture, TheSampleProgramWritesBothDrawingFiles) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=2, JITERTOT=5 /\n");
    ASSERT_EQ(runSample(), 0) << TempDir::readFile("console.txt");
    const std::vector<Point> points = pointList();
    ASSERT_GT(points.size(), 6u);
    // The path first: a move, then one point per later iteration.
    EXPECT_EQ(points[0].ic, 0);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(points[static_cast<std::size_t>(i)].ic, 15) << i;
        EXPECT_EQ(points[static_cast<std::size_t>(i)].line.substr(2, 6), "   2.0") << i;
    }
    EXPECT_TRUE(TempDir::exists("Quorl-3dDraw.3dv"));
    // The axes: the parameters' names, the path's first point (the start
    // values) and its last (the result), as drawn.
    const quorl::ViewDrawing d = quorl::readViewDrawing("Quorl-3dDraw.3dv");
    EXPECT_EQ(d.axes.x.name, "1:Coe1");
    EXPECT_EQ(d.axes.y.name, "2:Coe2");
    for (const auto& [marker, at] : {std::pair{d.axes.start, 0}, std::pair{d.axes.end, 5}}) {
        ASSERT_TRUE(marker);
        const quorl::ViewPoint& p = d.points[static_cast<std::size_t>(at)];
        EXPECT_NEAR((*marker)[0], p.X, 1e-8 * (1 + std::abs(p.X))) << at;
        EXPECT_NEAR((*marker)[1], p.Y, 1e-8 * (1 + std::abs(p.Y))) << at;
        EXPECT_NEAR((*marker)[2], p.Z, 1e-8 * (1 + std::abs(p.Z))) << at;
    }
}

}  // namespace
