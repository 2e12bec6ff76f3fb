// The SVG picture: the three-point drawing lands where the viewing
// convention puts it in each named view; consecutive segments of a colour
// join into one polyline, a move or a point that is not finite breaks it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "support/three_point_drawing.hpp"
#include "vis/view_page.hpp"

namespace quorl {
namespace {

// The "d" of the path drawn in the given colour.
std::string pathOf(const std::string& svg, std::string_view rgb) {
    const std::regex re("<path stroke=\"" + std::string(rgb) + "\" d=\"([^\"]*)\"/>");
    std::smatch m;
    return std::regex_search(svg, m, re) ? m[1].str() : "";
}

std::vector<double> numbersOf(const std::string& d) {
    std::vector<double> v;
    const std::regex number("-?[0-9]+\\.[0-9]+");
    for (auto it = std::sregex_iterator(d.begin(), d.end(), number); it != std::sregex_iterator(); ++it) {
        v.push_back(std::stod(it->str()));
    }
    return v;
}

TEST(ViewSvgTest, ThreePointsLandWhereTheConventionPutsThem) {
    const std::vector<ViewPoint> points(testing::kThreePoints.begin(), testing::kThreePoints.end());
    const std::string_view colour[] = {"", "#ff5555", "#55ff55"};
    for (const auto& view : testing::kThreePointViews) {
        SCOPED_TRACE(std::string(view.name) + (view.zUp ? ", +z up" : ""));
        ViewAngles angles = *namedView(view.name);
        angles.zUp = view.zUp;
        const std::string svg = viewSvg(points, angles, 800, 600);
        EXPECT_NE(svg.find("width=\"800\" height=\"600\""), std::string::npos);
        for (int k = 1; k <= 2; ++k) {
            const std::string d = pathOf(svg, colour[k]);
            const auto a = view.at(k - 1, 800, 600);
            const auto e = view.at(k, 800, 600);
            const std::vector<double> got = numbersOf(d);
            ASSERT_EQ(got.size(), 4u) << d;
            EXPECT_NEAR(got[0], a[0], 0.006);
            EXPECT_NEAR(got[1], a[1], 0.006);
            EXPECT_NEAR(got[2], e[0], 0.006);
            EXPECT_NEAR(got[3], e[1], 0.006);
        }
    }
}

TEST(ViewSvgTest, PolylinesJoinAndBreak) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<ViewPoint> points = {
        {0, 0, 0, 0}, {9, 0, 1, 0}, {9, 0, 2, 0},  // one polyline of two segments
        {0, 0, 3, 0}, {9, 0, 4, 0},                // a move starts another
        {9, 0, nan, 0}, {9, 0, 3, 1},              // no segment touches the point that is no number
        {7, 0, 2, 1},                              // another colour
    };
    const std::string svg = viewSvg(points, *namedView("face"), 400, 400);
    const std::string d = pathOf(svg, "#5555ff");
    EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 2) << d;
    EXPECT_EQ(numbersOf(d).size(), 2u * 5) << d;
    EXPECT_EQ(numbersOf(pathOf(svg, "#aaaaaa")).size(), 4u);
    EXPECT_EQ(d.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace quorl
