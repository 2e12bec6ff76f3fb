// The fit plot of quorl-fit: a run writes Quorl-fit.html beside its
// results with the formula drawn at the fitted values; several auxiliary
// columns give an index plot; a page that cannot be written leaves the fit
// a success. In headless chromium, opened from the run's folder, the page
// loads nothing else and shows the points, the curve and the residuals on
// the pixels their values give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_command.hpp"
#include "support/fit_plot_panels.hpp"
#include "support/headless_browser.hpp"
#include "support/json_value.hpp"
#include "support/temp_dir.hpp"
#include "view/fit_plot_page.hpp"

namespace quorl {
namespace {

using testing::HeadlessBrowser;
using testing::JsonValue;
using testing::PanelBox;
using testing::TempDir;

// y = 2 exp(-x/2) with a small alternating offset, sigma 0.05.
constexpr int kPoints = 9;
double offsetAt(int i) { return i % 2 == 0 ? 0.03 : -0.03; }

std::string decayTable() {
    std::ostringstream t;
    t.precision(17);
    t << "x y sigma\n";
    for (int i = 0; i < kPoints; ++i) {
        t << i << " " << 2 * std::exp(-i / 2.0) + offsetAt(i) << " 0.05\n";
    }
    return t.str();
}

// Runs quorl-fit in the current folder: its status, and its console (both streams).
std::pair<int, std::string> fitIn(const std::string& fit) {
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML CJUSERFILE='data.txt' /\n" + fit);
    std::istringstream in;
    std::ostringstream out;
    const int status = fit::runFitCommand({}, in, out, out);
    return {status, out.str()};
}

const char* const kDecayFit =
    "&QUORLFIT FORMULA='a*exp(-b*x)', PARAMETERS='a = 1, b = 1', "
    "AUXILIARY='x', MEASURED='y', WEIGHT='1/sigma' /\n";

// The fitted a and b of the run in the current folder.
std::pair<double, double> fittedAB() {
    const JsonValue r = JsonValue::parse(TempDir::readFile("Quorl-results.json"));
    return {r["parameters"][0]["value"].number(), r["parameters"][1]["value"].number()};
}

TEST(FitPlotOfFormulas, DrawsAgainstTheColumnOrThePointIndexAndNeverFailsTheFit) {
    TempDir dir;
    TempDir::writeFile("data.txt", decayTable());
    const auto [status, console] = fitIn(kDecayFit);
    ASSERT_EQ(status, 0) << console;
    // The curve against the fitted values is checked with examples/exp_decay.
    const std::string page = TempDir::readFile(FITPLOTFILENAME);
    EXPECT_NE(page.find(">converged<"), std::string::npos);
    EXPECT_NE(page.find(">x</text>"), std::string::npos);
    EXPECT_NE(page.find("class=\"bars\""), std::string::npos);
    EXPECT_EQ(TempDir::temporaries(), std::vector<std::string>{});
    // On request (PLOTSVG), the same plot as a standalone SVG beside it.
    EXPECT_FALSE(std::filesystem::exists(FITPLOTSVGFILENAME));
    ASSERT_EQ(fitIn(std::string(kDecayFit).insert(10, "PLOTSVG=1, ")).first, 0);
    const std::string svg = TempDir::readFile(FITPLOTSVGFILENAME);
    EXPECT_TRUE(svg.starts_with("<?xml")) << svg.substr(0, 80);
    EXPECT_EQ(testing::verticesOf(svg, "curve"), testing::verticesOf(TempDir::readFile(FITPLOTFILENAME), "curve"));
    // The page written and not its SVG copy: the note says which is missing.
    std::filesystem::remove(FITPLOTSVGFILENAME);
    std::filesystem::create_directory(FITPLOTSVGFILENAME);
    const auto [svgStatus, svgNote] = fitIn(std::string(kDecayFit).insert(10, "PLOTSVG=1, "));
    EXPECT_EQ(svgStatus, 0);
    EXPECT_NE(svgNote.find("fit plot SVG skipped (the results and the page are complete)"), std::string::npos)
        << svgNote;
    std::filesystem::remove(FITPLOTSVGFILENAME);

    // Two auxiliary columns: no single abscissa.
    TempDir::writeFile("data.txt", "x t y\n1 0 2\n2 1 5\n3 0 6\n4 2 11\n");
    ASSERT_EQ(fitIn("&QUORLFIT FORMULA='a*x + c*t', PARAMETERS='a = 1, c = 1', AUXILIARY='x, t', MEASURED='y' /\n")
                  .first,
              0);
    const std::string indexPage = TempDir::readFile(FITPLOTFILENAME);
    EXPECT_NE(indexPage.find(">point index</text>"), std::string::npos);
    EXPECT_EQ(indexPage.find("class=\"bars\""), std::string::npos);
    EXPECT_EQ(testing::verticesOf(indexPage, "curve").size(), 4u);  // the model's mark at each point
    EXPECT_LT(testing::panelOf(indexPage, "main").x0, 1);
    // PLOTX names one of them: the same points also against it; a name
    // that is not one of AUXILIARY's stops the run before the fit.
    const std::string against =
        "&QUORLFIT FORMULA='a*x + c*t', PARAMETERS='a = 1, c = 1', AUXILIARY='x, t', MEASURED='y', PLOTX='t' /\n";
    ASSERT_EQ(fitIn(against).first, 0);
    const std::string againstPage = TempDir::readFile(FITPLOTFILENAME);
    EXPECT_NE(againstPage.find(">point index</text>"), std::string::npos);
    EXPECT_NE(againstPage.find(">t</text>"), std::string::npos);
    const auto [bad, why] = fitIn(std::string(against).replace(against.find("PLOTX='t'"), 9, "PLOTX='s'"));
    EXPECT_NE(bad, 0);
    EXPECT_NE(why.find("PLOTX"), std::string::npos) << why;

    // A page that cannot be written: the fit is still a success.
    std::filesystem::remove(FITPLOTFILENAME);
    std::filesystem::create_directory(FITPLOTFILENAME);
    TempDir::writeFile("data.txt", decayTable());
    const auto [again, note] = fitIn(kDecayFit);
    EXPECT_EQ(again, 0) << note;
    EXPECT_NE(note.find("quorl-fit: fit plot skipped (the results are complete): "), std::string::npos) << note;
    EXPECT_TRUE(std::filesystem::is_directory(FITPLOTFILENAME));
    EXPECT_EQ(TempDir::temporaries(), std::vector<std::string>{});
}

TEST(FitPlotOfFormulas, PageShowsPointsCurveAndResidualsInABrowser) {
    const std::optional<std::string> program = HeadlessBrowser::program();
    if (!program) {
        GTEST_SKIP() << "chromium (and libpng) not found: the fit plot's browser test is skipped";
    }
    TempDir dir;
    TempDir::writeFile("data.txt", decayTable());
    ASSERT_EQ(fitIn(std::string(kDecayFit).insert(10, "PLOTSVG=1, ")).first, 0);
    const auto [a, b] = fittedAB();
    const std::string page = TempDir::readFile(FITPLOTFILENAME);
    const PanelBox main = testing::panelOf(page, "main");
    const PanelBox res = testing::panelOf(page, "residuals");

    HeadlessBrowser browser(*program, 960, 800);
    const std::string url = "file://" + std::filesystem::absolute(FITPLOTFILENAME).string();
    browser.open(url);
    EXPECT_EQ(browser.errors(), std::vector<std::string>{});
    EXPECT_EQ(browser.requests(), std::vector<std::string>{url});  // nothing but the page itself
    const JsonValue origin = browser.evaluate(
        "(() => { const r = document.querySelector('svg.fit').getBoundingClientRect(); return [r.left, r.top]; })()");
    const double left = origin[0].number(), top = origin[1].number();
    const testing::Image shot = browser.screenshot();
    auto pixel = [&](double x, double y) -> const testing::Rgba& {
        return shot.at(static_cast<int>(std::lround(left + x - 0.5)), static_cast<int>(std::lround(top + y - 0.5)));
    };
    auto isPoint = [](const testing::Rgba& p) {  // #1f4e9c
        return std::abs(p.r - 0x1f) <= 12 && std::abs(p.g - 0x4e) <= 12 && std::abs(p.b - 0x9c) <= 12;
    };
    auto isCurve = [](const testing::Rgba& p) { return p.r > 170 && p.g < 110 && p.b < 110; };  // #d62728
    ASSERT_GT(shot.height, static_cast<int>(top + res.top + res.height));

    for (int i = 0; i < kPoints; ++i) {
        const double x = main.px(i);
        const double y = 2 * std::exp(-i / 2.0) + offsetAt(i);
        EXPECT_TRUE(isPoint(pixel(x, main.py(y)))) << "point " << i;
        const double r = (y - a * std::exp(-b * i)) / 0.05;
        EXPECT_TRUE(isPoint(pixel(x, res.py(r)))) << "residual " << i;
    }
    for (const double x : {0.5, 3.5, 6.5}) {
        const double px = main.px(x);
        EXPECT_TRUE(isCurve(pixel(px, main.py(a * std::exp(-b * x))))) << "curve at x " << x;
        // Well above the curve only the white of the page (or a light grid line).
        const testing::Rgba& blank = pixel(px, main.py(a * std::exp(-b * x)) - 40);
        EXPECT_TRUE(blank.r > 200 && blank.g > 200 && blank.b > 200) << "above the curve at x " << x;
    }
    // The SVG for papers opens on its own: white, with the data points.
    browser.open("file://" + std::filesystem::absolute(FITPLOTSVGFILENAME).string());
    EXPECT_EQ(browser.errors(), std::vector<std::string>{});
    const testing::Image svg = browser.screenshot();
    EXPECT_GT(std::count_if(svg.pixels.begin(), svg.pixels.end(), isPoint), 100);
    EXPECT_TRUE(svg.at(2, 2).r == 255 && svg.at(2, 2).g == 255 && svg.at(2, 2).b == 255);
}

}  // namespace
}  // namespace quorl
