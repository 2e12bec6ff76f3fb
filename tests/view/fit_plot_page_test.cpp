// The fit plot's page from plain numbers: which points a large fit shows,
// the text it escapes, and the curve (broken where the model is not
// finite) on the place its values give in the panel's stated box and
// ranges. Where points and residuals land is checked on the pixels, in
// tests/fit/fit_plot_of_formulas_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "support/fit_plot_panels.hpp"
#include "view/fit_plot_page.hpp"

namespace quorl {
namespace {

using testing::PanelBox;
using testing::panelOf;
using testing::verticesOf;

TEST(FitPlotPage, ShowsEveryPointOfASmallFitAndAnEvenChoiceOfALargeOne) {
    EXPECT_EQ(fitPlotChoice(0).size(), 0u);
    EXPECT_EQ(fitPlotChoice(3, 2), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(fitPlotChoice(kFitPlotMarkers).size(), static_cast<std::size_t>(kFitPlotMarkers));

    const std::vector<std::int64_t> million = fitPlotChoice(1'000'000, 777'777);
    ASSERT_LE(million.size(), static_cast<std::size_t>(kFitPlotMarkers + 1));
    EXPECT_GE(million.size(), static_cast<std::size_t>(kFitPlotMarkers / 2));
    EXPECT_EQ(million.front(), 1);
    EXPECT_TRUE(std::is_sorted(million.begin(), million.end()));
    EXPECT_TRUE(std::binary_search(million.begin(), million.end(), 777'777));  // the largest residual's point
    EXPECT_EQ(million, fitPlotChoice(1'000'000, 777'777));
    EXPECT_EQ(fitPlotChoice(1'000'000, 2'000'000).size(), million.size() - 1);  // no such point: not added
}

TEST(FitPlotPage, CurveLandsWhereItsValuesSay) {
    FitPlot plot;
    plot.title = "a*x^2 & <b>";
    plot.xName = "time";
    plot.verdict = "stalled";
    plot.points = 3;
    plot.weighted = true;
    plot.parameters = {{"a", "1.5", "0.01", false}, {"b", "0", "", true}};
    FitPlotSeries s;
    s.name = "y";
    s.x = {-1, 0.5, 2};
    s.y = {1.4, 0.5, 6.2};
    s.sigma = {0.1, 0.2, 0.1};
    s.residual = {-1, 2, 2};  // (their places: the browser test)
    for (int i = 0; i <= 100; ++i) {
        s.curveX.push_back(-1 + 3.0 * i / 100);
        s.curveY.push_back(i == 50 ? NAN : 1.5 * s.curveX.back() * s.curveX.back());
    }
    plot.series = {s};
    const std::string page = fitPlotPage(plot);

    EXPECT_NE(page.find("a*x^2 &amp; &lt;b&gt;"), std::string::npos);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find(">stalled<"), std::string::npos);
    EXPECT_NE(page.find(">held<"), std::string::npos);
    EXPECT_NE(page.find(">time</text>"), std::string::npos);

    const PanelBox main = panelOf(page, "main");
    EXPECT_LE(main.x0, -1);
    EXPECT_GE(main.x1, 2);
    EXPECT_LE(main.y0, 0);
    EXPECT_GE(main.y1, 6.3);  // the top of the highest error bar
    const auto curve = verticesOf(page, "curve");
    ASSERT_EQ(curve.size(), 100u);  // the value that is not finite is left out
    for (const auto& [px, py] : curve) {
        const double x = main.x(px);
        EXPECT_NEAR(py, main.py(1.5 * x * x), 0.2) << "at x " << x;
    }
    EXPECT_NEAR(main.x(curve.front().first), -1, 0.01);
    EXPECT_NEAR(main.x(curve.back().first), 2, 0.01);

}

}  // namespace
}  // namespace quorl
