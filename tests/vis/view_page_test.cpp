// The viewer page in a real browser (headless chromium, driven through its
// DevTools pipe): the sample's page loads with no script error and fetches
// nothing, shows every colour the sample draws, turns with its buttons,
// the mouse and the wheel; a three-point drawing lands on the pixels the
// viewing convention gives. Skipped when chromium is not installed.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "support/headless_browser.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "support/three_point_drawing.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/view_drawing.hpp"
#include "vis/view_axes_line.hpp"
#include "vis/view_page.hpp"
#include "vis/view_palette.hpp"
#include "vis/view_ticks.hpp"

namespace quorl {
namespace {

using testing::HeadlessBrowser;
using testing::Image;
using testing::Rgba;
using testing::TempDir;

constexpr const char* kHidePanels = "for (const p of document.querySelectorAll('.panel')) p.style.display = 'none'; true";
constexpr const char* kNextFrame = "new Promise(r => requestAnimationFrame(() => requestAnimationFrame(() => r(true))))";

std::string fileUrl(const std::string& name) { return "file://" + std::filesystem::absolute(name).string(); }

std::array<int, 3> rgbOf(int code) {
    const std::string hex(kViewPalette[static_cast<std::size_t>(code)].rgb.substr(1));
    const long v = std::stol(hex, nullptr, 16);
    return {static_cast<int>(v >> 16) & 255, static_cast<int>(v >> 8) & 255, static_cast<int>(v) & 255};
}

bool exactly(const Rgba& p, const std::array<int, 3>& c) {
    return std::abs(p.r - c[0]) <= 2 && std::abs(p.g - c[1]) <= 2 && std::abs(p.b - c[2]) <= 2;
}

// The colour over the black background at some coverage (anti-aliased
// edges): every channel the same fraction, at least a third, of c's.
bool shadeOf(const Rgba& p, const std::array<int, 3>& c) {
    const double k = static_cast<double>(std::max({p.r, p.g, p.b})) / std::max({c[0], c[1], c[2]});
    return k >= 0.33 && std::abs(p.r - k * c[0]) <= 12 && std::abs(p.g - k * c[1]) <= 12 && std::abs(p.b - k * c[2]) <= 12;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\n";
    }
    return out;
}

class ViewPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!program_) {
            GTEST_SKIP() << "chromium (and libpng) not found: the viewer page's browser tests are skipped "
                            "(.ci/run installs them; QUORL_CHROMIUM names another browser program)";
        }
    }
    std::optional<std::string> program_ = HeadlessBrowser::program();
};

TEST_F(ViewPageTest, SamplePageLoadsShowsItsColoursAndTurns) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1 /\n");
    ASSERT_EQ(testing::runSample(), 0) << TempDir::readFile("console.txt");
    const ViewDrawing drawing = readViewDrawing(JTLFILENAME);
    std::set<int> used;
    for (std::size_t i = 1; i < drawing.points.size(); ++i) {
        if (drawing.points[i].IC > 0) {
            used.insert(drawing.points[i].IC);
        }
    }
    ASSERT_EQ(used, (std::set<int>{7, 8, 9, 11, 13, 15}));

    const int width = 1000;
    const int height = 700;
    HeadlessBrowser b(*program_, width, height);
    const std::string url = fileUrl(VIEWPAGEFILENAME);
    b.open(url);
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
    // Self-contained: the page itself is the only thing loaded.
    EXPECT_EQ(b.requests(), std::vector<std::string>{url});
    ASSERT_TRUE(b.evaluate("window.quorlView !== undefined && quorlView.ready").boolean());
    EXPECT_EQ(b.evaluate("quorlView.points").number(), static_cast<double>(drawing.points.size()));
    EXPECT_EQ(b.evaluate("document.querySelectorAll('#legend tr').length").number(), 1.0 + used.size());
    EXPECT_EQ(b.evaluate("document.querySelector('button.on').dataset.view").string(), "oblique");
    const double loadMs = b.evaluate("quorlView.loadMs").number();

    b.evaluate(kHidePanels);
    b.evaluate(kNextFrame);
    const Image oblique = b.screenshot();
    ASSERT_EQ(oblique.width, width);
    for (const int code : used) {
        int count = 0;
        for (const Rgba& p : oblique.pixels) {
            count += exactly(p, rgbOf(code)) ? 1 : 0;
        }
        EXPECT_GT(count, 0) << "no pixel of colour code " << code << " (" << kViewPalette[code].rgb << ")";
    }

    // From above, by its button: another picture.
    b.evaluate("document.querySelector('button[data-view=top]').click(); true");
    b.evaluate(kNextFrame);
    const Image top = b.screenshot();
    int differing = 0;
    for (std::size_t i = 0; i < top.pixels.size(); ++i) {
        const Rgba& p = top.pixels[i];
        const Rgba& q = oblique.pixels[i];
        differing += p.r != q.r || p.g != q.g || p.b != q.b ? 1 : 0;
    }
    EXPECT_GT(differing, width * height / 50);
    EXPECT_EQ(b.evaluate("[quorlView.state.azimuth, quorlView.state.elevation].join()").string(), "0,90");

    // A drag turns the picture (0.4 degree a pixel), the wheel zooms, the
    // check box flips z.
    auto mouse = [&](const std::string& type, int x, int y, const std::string& more) {
        b.command("Input.dispatchMouseEvent", R"({"type":")" + type + R"(","x":)" + std::to_string(x) + R"(,"y":)" +
                                                  std::to_string(y) + more + "}");
    };
    mouse("mousePressed", 500, 350, R"(,"button":"left","clickCount":1)");
    mouse("mouseMoved", 550, 340, R"(,"button":"left","buttons":1)");
    mouse("mouseReleased", 550, 340, R"(,"button":"left","clickCount":1)");
    EXPECT_EQ(b.evaluate("[quorlView.state.azimuth, quorlView.state.elevation].join()").string(), "20,86");
    mouse("mouseWheel", 500, 350, R"(,"deltaX":0,"deltaY":-200)");
    b.evaluate(kNextFrame);
    EXPECT_GT(b.evaluate("quorlView.state.zoom").number(), 1.2);
    b.evaluate("document.getElementById('zup').click(); true");
    EXPECT_TRUE(b.evaluate("quorlView.state.zUp").boolean());

    // One rotation step: turn, draw, and read a pixel back, which waits for
    // the drawing to be rasterised.
    const double stepMs = b.evaluate(
                               "(() => { const c = document.getElementById('view').getContext('2d');"
                               " quorlView.setView('oblique'); const t0 = performance.now();"
                               " for (let i = 0; i < 20; i++) { quorlView.rotate(2, 0); quorlView.draw();"
                               " c.getImageData(0, 0, 1, 1); }"
                               " return (performance.now() - t0) / 20; })()")
                              .number();
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
    std::cout << "[ viewer   ] sample page " << std::filesystem::file_size(VIEWPAGEFILENAME) << " bytes, "
              << drawing.points.size() << " points; loaded and drawn " << loadMs << " ms after navigation; "
              << "one rotation step " << stepMs << " ms\n";
    RecordProperty("page_bytes", static_cast<int>(std::filesystem::file_size(VIEWPAGEFILENAME)));
}

TEST_F(ViewPageTest, ThreePointDrawingLandsOnTheConventionsPixels) {
    TempDir dir;
    ASSERT_EQ(testing::drawThreePoints(), "");
    const int w = 800;
    const int h = 600;
    HeadlessBrowser b(*program_, w, h);
    b.open(fileUrl(VIEWPAGEFILENAME));
    b.evaluate(kHidePanels);
    for (const auto& view : testing::kThreePointViews) {
        SCOPED_TRACE(std::string(view.name) + (view.zUp ? ", +z up" : ""));
        b.evaluate(std::string("quorlView.setView('") + view.name + "'); quorlView.setZUp(" +
                   (view.zUp ? "true" : "false") + "); true");
        b.evaluate(kNextFrame);
        const Image shot = b.screenshot();
        ASSERT_EQ(shot.width, w);
        for (int k = 1; k <= 2; ++k) {
            SCOPED_TRACE("segment to point " + std::to_string(k));
            const auto colour = rgbOf(testing::kThreePoints[static_cast<std::size_t>(k)].IC);
            const auto a = view.at(k - 1, w, h);
            const auto e = view.at(k, w, h);
            // Along the segment, a pixel of its colour within a pixel and a
            // half of the line.
            for (int t = 1; t <= 9; ++t) {
                const double x = a[0] + (e[0] - a[0]) * t / 10;
                const double y = a[1] + (e[1] - a[1]) * t / 10;
                bool found = false;
                for (int dy = -2; dy <= 2 && !found; ++dy) {
                    for (int dx = -2; dx <= 2 && !found; ++dx) {
                        const int px = static_cast<int>(std::floor(x)) + dx;
                        const int py = static_cast<int>(std::floor(y)) + dy;
                        found = std::hypot(px + 0.5 - x, py + 0.5 - y) <= 1.5 && shadeOf(shot.at(px, py), colour);
                    }
                }
                EXPECT_TRUE(found) << "at (" << x << ", " << y << ")";
            }
            // And nowhere else: every pixel of that colour lies on it.
            int stray = 0;
            for (int py = 0; py < h; ++py) {
                for (int px = 0; px < w; ++px) {
                    if (!shadeOf(shot.at(px, py), colour)) {
                        continue;
                    }
                    const double vx = e[0] - a[0];
                    const double vy = e[1] - a[1];
                    const double len2 = vx * vx + vy * vy;
                    const double u = std::clamp(((px + 0.5 - a[0]) * vx + (py + 0.5 - a[1]) * vy) / len2, 0.0, 1.0);
                    stray += std::hypot(px + 0.5 - a[0] - u * vx, py + 0.5 - a[1] - u * vy) > 2.5 ? 1 : 0;
                }
            }
            EXPECT_EQ(stray, 0);
        }
    }
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
}


// A drawing with known axes: the tick values and names are drawn in every
// named view, the page's ticks agree with the SVG's, the light theme is
// white with every code visible, and the SVG for papers opens white with
// its legend.
TEST_F(ViewPageTest, AxesTicksLightThemeAndPaperSvg) {
    TempDir dir;
    std::vector<ViewPoint> points = {{0, 0, 0, 0}, {9, 4, 0, 0}, {9, 4, 4, 0}, {15, 0, 4, 0},
                                     {14, 0, 0, -1}, {11, 2, 2, -1}, {13, 4, 4, -2}};
    ViewAxes axes;
    axes.x = {"alpha", 10, 0.5};
    axes.y = {"beta", 0, 1};
    axes.z = "height";
    axes.start = {{0, 0, -1}};
    axes.end = {{3, 1, 0}};
    axes.plane = {{0, 4, 0, 4}};
    TempDir::writeFile("a.html", viewPage(points, "", axes));
    HeadlessBrowser b(*program_, 900, 700);
    b.open(fileUrl("a.html") + "#light");
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
    std::string want;
    for (const double lo : {10.0, 0.0}) {
        for (const ViewTick& t : viewTicks(lo, lo == 0 ? 4 : 12)) {
            want += t.label + ",";
        }
    }
    const std::string labels = "quorlView.labels.join()";
    for (const char* view : {"oblique", "top"}) {
        b.evaluate(std::string("quorlView.setView('") + view + "'); quorlView.draw(); true");
        EXPECT_EQ(b.evaluate(labels).string(), want.substr(0, 25) + "alpha," + want.substr(25) +
                                                  "beta,start: alpha = 10, beta = 0,end: alpha = 11.5, beta = 1")
            << view;
    }
    b.evaluate("quorlView.setView('face'); quorlView.draw(); true");  // x is seen end-on
    EXPECT_EQ(b.evaluate(labels).string().find("alpha,"), std::string::npos);
    EXPECT_NE(b.evaluate(labels).string().find("0,1,2,3,4,beta"), std::string::npos);
    // The script's ticks are the SVG's over many spans.
    for (const auto& [lo, hi] : std::vector<std::pair<double, double>>{
             {0, 4}, {-3.7, 12.1}, {1e-7, 3e-6}, {2e6, 2.5e7}, {-0.5, 0.5}, {123.4, 123.5}, {999999.999, 1e6},
             {7, 7}}) {
        std::string cpp;
        for (const ViewTick& t : viewTicks(lo, hi)) {
            cpp += (cpp.empty() ? "" : ",") + t.label;
        }
        char call[96];
        std::snprintf(call, sizeof call, "quorlView.ticks(%.17g, %.17g).map(t => t.label).join()", lo, hi);
        EXPECT_EQ(b.evaluate(call)
                      .string(),
                  cpp);
    }

    // The light theme: a white page, every code in its light colour.
    b.evaluate("quorlView.setView('oblique'); true");
    b.evaluate(kHidePanels);
    b.evaluate(kNextFrame);
    const Image light = b.screenshot();
    EXPECT_TRUE(exactly(light.at(3, 3), {255, 255, 255}));
    for (const int code : {9, 11, 13, 14, 15}) {
        const std::string hex(kViewPaletteLight[static_cast<std::size_t>(code)].substr(1));
        const long v = std::stol(hex, nullptr, 16);
        const std::array<int, 3> c{static_cast<int>(v >> 16) & 255, static_cast<int>(v >> 8) & 255,
                                   static_cast<int>(v) & 255};
        EXPECT_LT(c[0] + c[1] + c[2], 3 * 200) << "code " << code << " too light to see on white";
        // At least two-thirds of the colour over white (anti-aliased lines).
        const auto over = [&](const Rgba& p) {
            const double k = (765.0 - p.r - p.g - p.b) / (765.0 - c[0] - c[1] - c[2]);
            return k >= 0.66 && std::abs(p.r - (k * c[0] + (1 - k) * 255)) <= 14 &&
                   std::abs(p.g - (k * c[1] + (1 - k) * 255)) <= 14 && std::abs(p.b - (k * c[2] + (1 - k) * 255)) <= 14;
        };
        EXPECT_TRUE(std::any_of(light.pixels.begin(), light.pixels.end(), over)) << "no pixel of code " << code;
    }

    // A click on a legend row hides its code (stroke texts that overlap).
    b.evaluate("document.querySelector('#legend tr[data-code=\"14\"]').click(); true");
    b.evaluate(kNextFrame);
    const Image hidden = b.screenshot();
    EXPECT_FALSE(std::any_of(hidden.pixels.begin(), hidden.pixels.end(), [](const Rgba& p) {
        return std::abs(p.r - 0x9a) <= 20 && std::abs(p.g - 0x7b) <= 20 && p.b <= 40;
    }));

    // Printing takes the light theme whatever the screen's.
    b.evaluate("quorlView.setTheme('dark'); true");
    b.command("Emulation.setEmulatedMedia", R"({"media": "print"})");
    b.evaluate(kNextFrame);
    EXPECT_TRUE(exactly(b.screenshot().at(3, 3), {255, 255, 255}));
    b.command("Emulation.setEmulatedMedia", R"({"media": ""})");
    b.evaluate(kNextFrame);
    EXPECT_TRUE(exactly(b.screenshot().at(3, 3), {0, 0, 0}));

    // The SVG for papers: white, the same ticks, a legend; it opens alone.
    const std::string svg = viewSvg(points, *namedView("oblique"), 900, 600, {true, true, axes});
    EXPECT_NE(svg.find("fill=\"#ffffff\"/>"), std::string::npos);
    EXPECT_NE(svg.find("class=\"legend\""), std::string::npos);
    for (const ViewTick& t : viewTicks(10, 12)) {
        EXPECT_NE(svg.find(">" + t.label + "</text>"), std::string::npos) << t.label;
    }
    TempDir::writeFile("a.svg", svg);
    b.open(fileUrl("a.svg"));
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
    EXPECT_TRUE(exactly(b.screenshot().at(3, 3), {255, 255, 255}));
}

// The landscape of a quorl-fit run: the page loads alone with no error,
// its legend says what the landscape draws (not the sample's meanings),
// the stroke texts start hidden, and the page's own axes carry the tick
// values of both parameters on the base square.
TEST_F(ViewPageTest, LandscapePageShowsItsOwnLegendAndTicks) {
    TempDir dir;
    TempDir::writeFile("data.txt", "x y sigma\n0 2.03 0.05\n1 1.18 0.05\n2 0.77 0.05\n3 0.42 0.05\n"
                                   "4 0.30 0.05\n5 0.14 0.05\n6 0.11 0.05\n");
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML CJUSERFILE='data.txt', JPD=1 /\n&QUORLFIT FORMULA='a*exp(-b*x) + c', "
                                         "PARAMETERS='a = 1, b = 1, c = 0', AUXILIARY='x', MEASURED='y', "
                                         "WEIGHT='1/sigma', LANDSCAPE='a, b' /\n");
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    ASSERT_EQ(runQuorl(s, fit::FormulaModel{}), 0) << out.str();
    HeadlessBrowser b(*program_, 1200, 800);
    const std::string url = fileUrl(VIEWPAGEFILENAME);
    b.open(url);
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
    EXPECT_EQ(b.requests(), std::vector<std::string>{url});
    ASSERT_TRUE(b.evaluate("window.quorlView !== undefined && quorlView.ready").boolean());
    std::string want;
    for (const ViewCodeUse& u : viewLegend(s.viewAxes.legend).uses) {
        want += std::to_string(u.code) + ":" + u.meaning + (u.code == 13 ? " (hidden)" : "") + "|";
    }
    EXPECT_EQ(b.evaluate("[...document.querySelectorAll('#legend tr[data-code]')].map(r => r.dataset.code + ':' +"
                         " r.cells[2].textContent + (r.classList.contains('hidden') ? ' (hidden)' : '') + '|').join('')")
                  .string(),
              want);
    for (const char* view : {"oblique", "top"}) {
        b.evaluate(std::string("quorlView.setView('") + view + "'); quorlView.draw(); true");
        const std::string labels = "," + b.evaluate("quorlView.labels.join()").string() + ",";
        for (const ViewAxis* a : {&s.viewAxes.x, &s.viewAxes.y}) {
            int found = 0;
            for (const ViewTick& t : viewTicks(a->origin, a->origin + 4 * a->scale)) {
                found += labels.find("," + t.label + ",") != std::string::npos ? 1 : 0;
            }
            EXPECT_GE(found, 3) << view << " " << a->name << ": " << labels;
            EXPECT_NE(labels.find("," + a->name + ","), std::string::npos) << view << ": " << labels;
        }
    }
    EXPECT_EQ(b.errors(), std::vector<std::string>{}) << joined(b.errors());
}

}  // namespace
}  // namespace quorl
