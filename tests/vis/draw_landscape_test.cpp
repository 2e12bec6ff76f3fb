// The error landscape of two parameters: through quorl-fit's LANDSCAPE (the
// drawing files, the tick values where their values lie, the path from the
// start values to the result, the axes for the viewer), the member's faults,
// and the library call through examples/exp_decay.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "fit/fit_command.hpp"
#include "fit/formula_model.hpp"
#include "quad/decimal.hpp"
#include "support/json_value.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/draw_landscape.hpp"
#include "vis/read_point_record.hpp"

namespace quorl {
namespace {

using testing::TempDir;

const char* const kTable = "x y sigma\n0 2.03 0.05\n1 1.18 0.05\n2 0.77 0.05\n3 0.42 0.05\n4 0.30 0.05\n"
                           "5 0.14 0.05\n6 0.11 0.05\n";

std::string fitGroup(const std::string& landscape, const std::string& hold = "") {
    return "&QUORLNML CJUSERFILE='data.txt', JPD=1 /\n&QUORLFIT FORMULA='a*exp(-b*x) + c', "
           "PARAMETERS='a = 1, b = 1, c = 0', AUXILIARY='x', MEASURED='y', WEIGHT='1/sigma', HOLD='" +
           hold + "', LANDSCAPE='" + landscape + "' /\n";
}

std::vector<TLREC> pointList() {
    std::ifstream f(JTLFILENAME);
    std::vector<TLREC> points;
    std::string line;
    std::getline(f, line);  // the count
    while (std::getline(f, line) && !line.starts_with("Run: ") && !line.starts_with("Axes: ") &&
           !line.starts_with("Legend: ")) {
        TLREC tl;
        EXPECT_TRUE(readPointRecord(line, tl)) << line;
        points.push_back(tl);
    }
    return points;
}

bool near(const TLREC& a, const TLREC& b) {
    for (int i = 1; i <= 3; ++i) {
        if (std::fabs(toDouble(a.XYZ(i) - b.XYZ(i))) > 1e-8 * (1 + std::fabs(toDouble(b.XYZ(i))))) {
            return false;
        }
    }
    return a.IC == b.IC;
}

// Whether `run` stands in `list` as consecutive points.
bool contains(const std::vector<TLREC>& list, const std::vector<TLREC>& run) {
    for (std::size_t i = 0; i + run.size() <= list.size(); ++i) {
        std::size_t k = 0;
        while (k < run.size() && near(list[i + k], run[k])) {
            ++k;
        }
        if (k == run.size()) {
            return true;
        }
    }
    return false;
}

TEST(DrawLandscape, QuorlFitDrawsTickValuesWhereTheyLieAndThePathFromTheStart) {
    TempDir dir;
    TempDir::writeFile("data.txt", kTable);
    TempDir::writeFile("Quorl-user.nml", fitGroup(" a , b "));
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    ASSERT_EQ(runQuorl(s, fit::FormulaModel{}), 0) << out.str();
    for (const char* file : {JTLFILENAME, EXPORT3DVFILENAME, "Quorl-3dView.html"}) {
        EXPECT_TRUE(TempDir::exists(file)) << file;
    }
    const ViewAxes& axes = s.viewAxes;
    EXPECT_EQ(axes.x.name, "a");
    EXPECT_EQ(axes.y.name, "b");
    ASSERT_TRUE(axes.start && axes.end);
    // The viewer's axes on the edges of the base square that carry the
    // stroke ticks (x along y = 4, y along x = 0); the legend of the
    // landscape's own codes, its stroke texts hidden at first in the page.
    EXPECT_EQ(axes.plane, (std::array<double, 4>{0, kLandscapeBox, kLandscapeBox, 0}));
    ASSERT_FALSE(axes.legend.uses.empty());
    EXPECT_TRUE(axes.legend.hidden[13]);
    EXPECT_NE(TempDir::readFile(JTLFILENAME).find("\nLegend: "), std::string::npos);
    const std::vector<TLREC> points = pointList();

    // The path (the only points twice as wide) starts at the start values
    // a = b = 1 and ends at the result, at the centre of the box.
    std::vector<TLREC> path;
    for (const TLREC& p : points) {
        if (p.TH == 2.0f) {
            path.push_back(p);
        }
    }
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(path.front().IC, 0);
    const auto value = [](const ViewAxis& a, const Quad& c) { return a.origin + a.scale * toDouble(c); };
    EXPECT_NEAR(value(axes.x, path.front().XYZ(1)), 1.0, 1e-7);
    EXPECT_NEAR(value(axes.y, path.front().XYZ(2)), 1.0, 1e-7);
    EXPECT_NEAR(toDouble(path.front().XYZ(1)), (*axes.start)[0], 1e-7);
    const testing::JsonValue r = testing::JsonValue::parse(TempDir::readFile("Quorl-results.json"));
    EXPECT_NEAR(value(axes.x, path.back().XYZ(1)), r["parameters"][0]["value"].number(), 1e-7);
    EXPECT_NEAR(value(axes.y, path.back().XYZ(2)), r["parameters"][1]["value"].number(), 1e-7);
    EXPECT_NEAR(toDouble(path.back().XYZ(1)), kLandscapeBox / 2.0, 1e-7);

    // Each axis' ticks: values at a multiple of 1, 2 or 5 times a power of
    // ten, the text that value, and its strokes in the drawing, centred
    // where the axis puts that value.
    for (const int axis : {1, 2}) {
        const ViewAxis& a = axis == 1 ? axes.x : axes.y;
        const std::vector<LandscapeTick> ticks =
            landscapeTicks(fromDouble(a.origin), fromDouble(a.origin + kLandscapeBox * a.scale));
        ASSERT_GE(ticks.size(), 2u) << axis;
        const double step = toDouble(ticks[1].value - ticks[0].value);
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 || std::fabs(mantissa - 5) < 1e-9)
            << step;
        for (const LandscapeTick& t : ticks) {
            Quad shown{};
            ASSERT_TRUE(parseQuad(t.text, shown)) << t.text;
            EXPECT_NEAR(toDouble(shown), toDouble(t.value), 1e-12 * step);
            EXPECT_NEAR(std::remainder(toDouble(t.value) / step, 1.0), 0.0, 1e-9) << t.text;
            EXPECT_NEAR(value(a, fromDouble(t.at)), toDouble(t.value), 1e-9 * step) << t.text;
            std::vector<TLREC> strokes;
            layTickLabel(s, axis, t, [&](const TLREC& tl) { strokes.push_back(tl); });
            ASSERT_FALSE(strokes.empty()) << t.text;
            EXPECT_TRUE(contains(points, strokes)) << "axis " << axis << " tick " << t.text;
            double lo = 1e9, hi = -1e9;
            for (const TLREC& p : strokes) {
                lo = std::min(lo, toDouble(p.XYZ(axis)));
                hi = std::max(hi, toDouble(p.XYZ(axis)));
                EXPECT_GT(toDouble(p.XYZ(3)), 0.0);  // below the base level, clear of the landscape
            }
            EXPECT_NEAR((lo + hi) / 2, t.at, 0.06) << t.text;
        }
    }
}

TEST(DrawLandscape, MemberFaultsStopBeforeTheFit) {
    const struct {
        const char* landscape;
        const char* hold;
        const char* message;
    } cases[] = {
        {"a", "", "LANDSCAPE: names 1 parameter: the landscape is drawn over two"},
        {"a, b, c", "", "LANDSCAPE, column 7: names 3 parameters"},
        {"a, bb", "", "LANDSCAPE, column 4: \"bb\" is not a parameter (the parameters: a, b and c)"},
        {"a, c", "c", "LANDSCAPE, column 4: the parameter \"c\" is held (HOLD)"},
        {"b,b", "", "LANDSCAPE, column 3: the parameter \"b\" is named twice"},
        {"a,", "", "LANDSCAPE, column 3: an empty entry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.landscape);
        TempDir dir;
        TempDir::writeFile("data.txt", kTable);
        TempDir::writeFile("Quorl-user.nml", fitGroup(c.landscape, c.hold));
        std::istringstream in;
        std::ostringstream out;
        EXPECT_EQ(fit::runFitCommand({}, in, out, out), fit::kFitGroupStatus);
        EXPECT_NE(out.str().find(c.message), std::string::npos) << out.str();
        EXPECT_FALSE(TempDir::exists("Quorl-out.txt") || TempDir::exists(JTLFILENAME));
    }
}

#ifdef QUORL_EXP_DECAY_PROGRAM
// The library call of a C++ model: examples/exp_decay draws over a and b,
// also with c held, its fit plot still beside it.
TEST(DrawLandscape, ExpDecayExampleDrawsItsLandscape) {
    const std::string example = std::string(QUORL_EXAMPLES_DIR) + "/exp_decay/";
    TempDir dir;
    TempDir::writeFile("exp_decay.dat", TempDir::readFile(example + "exp_decay.dat"));
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=2, JSTEPMULT=3, JBON=1, JUNCLAMP=1, JPD=1 /\n");
    ASSERT_EQ(testing::runProgram(QUORL_EXP_DECAY_PROGRAM), 0) << TempDir::readFile("console.txt");
    EXPECT_TRUE(TempDir::exists("Quorl-fit.html"));
    const std::vector<TLREC> points = pointList();
    ASSERT_GT(points.size(), 1000u);
    EXPECT_EQ(std::stoi(TempDir::readFile(JTLFILENAME).substr(0, 9)), static_cast<int>(points.size()));
    EXPECT_NE(TempDir::readFile("Quorl-3dView.html").find("<canvas"), std::string::npos);
    EXPECT_EQ(TempDir::readFile("console.txt").find("landscape skipped"), std::string::npos);
}
#endif

}  // namespace
}  // namespace quorl
