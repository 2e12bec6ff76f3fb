// The page a run writes when a drawing closes: beside the drawing files,
// made from the same points; when it cannot be written the run notes it
// and goes on, with its drawing files whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.hpp"
#include "support/three_point_drawing.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/view_page.hpp"

namespace quorl {
namespace {

using testing::TempDir;

TEST(WriteViewPageTest, ClosingADrawingWritesItsPage) {
    TempDir dir;
    TempDir::writeFile(VIEWPAGEFILENAME, "an older page");
    EXPECT_EQ(testing::drawThreePoints(), "");
    const ViewDrawing list = readViewDrawing(JTLFILENAME);
    EXPECT_EQ(TempDir::readFile(JTLFILENAME), testing::threePointList() + "Run: " + list.run + "\n");
    // The page carries the run that drew it, as both drawing files do.
    EXPECT_EQ(TempDir::readFile(VIEWPAGEFILENAME), viewPage(list.points, list.run));
    EXPECT_NE(TempDir::readFile(VIEWPAGEFILENAME).find("<meta name=\"quorl-run\" content=\"" + list.run + "\">"),
              std::string::npos);
    EXPECT_EQ(readViewDrawing(EXPORT3DVFILENAME).run, list.run);
    EXPECT_TRUE(TempDir::temporaries().empty());
}

TEST(WriteViewPageTest, APageThatCannotBeWrittenIsSkippedWithANote) {
    TempDir dir;
    // A directory where the page belongs: it cannot be replaced.
    std::filesystem::create_directory(VIEWPAGEFILENAME);
    const std::string console = testing::drawThreePoints();
    EXPECT_NE(console.find("Draw3dJTL- view page skipped (the drawing files are complete): cannot write " +
                           std::string(VIEWPAGEFILENAME)),
              std::string::npos)
        << console;
    EXPECT_EQ(readViewDrawing(JTLFILENAME).points.size(), 3u);
    EXPECT_EQ(readViewDrawing(EXPORT3DVFILENAME).points.size(), 3u);
    EXPECT_TRUE(std::filesystem::is_directory(VIEWPAGEFILENAME));
    EXPECT_TRUE(TempDir::temporaries().empty());
}

}  // namespace
}  // namespace quorl
