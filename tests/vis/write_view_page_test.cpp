// The page a run writes when a drawing closes: beside the drawing files,
// made from the same points; when it cannot be written the run notes it
// and goes on, with its drawing files whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"
#include "support/three_point_drawing.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/view_page.hpp"

namespace quorl {
namespace {

using testing::TempDir;

// Draws the three-point drawing through the drawing writer; returns the
// console text.
std::string drawThreePoints() {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    s.JPU3D = 13;
    for (const ViewPoint& p : testing::kThreePoints) {
        TLREC tl;
        tl.IC = p.IC;
        tl.TH = 1.0f;
        tl.XYZ(1) = quadFromText(std::to_string(p.X));
        tl.XYZ(2) = quadFromText(std::to_string(p.Y));
        tl.XYZ(3) = quadFromText(std::to_string(p.Z));
        DRAW3DJTL(s, tl, 0);
    }
    TLREC end;
    end.IC = -1;
    DRAW3DJTL(s, end, 0);
    EXPECT_EQ(s.draw3dJtl.INIT, 0);
    EXPECT_TRUE(s.draw3dJtl.TLR.empty());
    return out.str();
}

TEST(WriteViewPageTest, ClosingADrawingWritesItsPage) {
    TempDir dir;
    TempDir::writeFile(VIEWPAGEFILENAME, "an older page");
    EXPECT_EQ(drawThreePoints(), "");
    EXPECT_EQ(TempDir::readFile(JTLFILENAME), testing::threePointList());
    EXPECT_EQ(TempDir::readFile(VIEWPAGEFILENAME), viewPage(readViewDrawing(JTLFILENAME).points));
    EXPECT_FALSE(TempDir::exists(std::string(VIEWPAGEFILENAME) + ".tmp"));
}

TEST(WriteViewPageTest, APageThatCannotBeWrittenIsSkippedWithANote) {
    TempDir dir;
    // A directory where the page belongs: it cannot be replaced.
    std::filesystem::create_directory(VIEWPAGEFILENAME);
    const std::string console = drawThreePoints();
    EXPECT_NE(console.find("Draw3dJTL- view page skipped (the drawing files are complete): cannot write " +
                           std::string(VIEWPAGEFILENAME)),
              std::string::npos)
        << console;
    EXPECT_EQ(TempDir::readFile(JTLFILENAME), testing::threePointList());
    EXPECT_EQ(readViewDrawing(EXPORT3DVFILENAME).points.size(), 3u);
    EXPECT_TRUE(std::filesystem::is_directory(VIEWPAGEFILENAME));
    EXPECT_FALSE(TempDir::exists(std::string(VIEWPAGEFILENAME) + ".tmp"));
}

}  // namespace
}  // namespace quorl
