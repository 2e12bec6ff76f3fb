// The exponential-decay example end to end: the real program, built as a
// user builds a model, run in a fresh directory on its own table, against
// reference values computed independently (tools/reference/
// exp_decay_reference.py, 80-digit decimal arithmetic).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "quad/decimal.hpp"
#include "engine/verdict.hpp"
#include "view/fit_plot_page.hpp"
#include "support/fit_plot_panels.hpp"
#include "support/fitted_values.hpp"
#include "support/headless_browser.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::testing::TempDir;

const std::string kExample = std::string(QUORL_EXAMPLES_DIR) + "/exp_decay/";

// The value lines of Quorl-params.txt: a, b, c.
std::vector<Quad> fittedValues() { return quorl::testing::fittedValues(3); }

double digits(const Quad& got, const char* reference) {
    const Quad want = quorl::quadFromText(reference);
    const double rel = std::fabs(((got - want) / want).hi);
    return rel == 0.0 ? 32.0 : -std::log10(rel);
}

int run(int config, const std::string& answers = "", int iterations = 40) {
    TempDir::writeFile("exp_decay.dat", TempDir::readFile(kExample + "exp_decay.dat"));
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=" + std::to_string(config) +
                                             ", JSTEPMULT=3, JBON=1, JUNCLAMP=1, JPD=1, JITERTOT=" +
                                             std::to_string(iterations) + " /\n");
    TempDir::writeFile("answers.txt", answers);
    return quorl::testing::runProgram(QUORL_EXP_DECAY_PROGRAM, "answers.txt");
}

// The same fit through quorl-fit: the formula and its exact partials.
int runFormula(int config) {
    TempDir::writeFile("exp_decay.dat", TempDir::readFile(kExample + "exp_decay.dat"));
    TempDir::writeFile("Quorl-user.nml",
                       std::string("&QUORLNML CJUSERFILE='exp_decay.dat', JPD=1 /\n"
                                   "&QUORLFIT FORMULA='a*exp(-b*x) + c', AUXILIARY='x', MEASURED='y', "
                                   "WEIGHT='1/sigma', ") +
                           (config == 1 ? "PARAMETERS='a = 1, b = 1, c = 0' /\n"
                                        : "PARAMETERS='a = 1, b = 1, c = 1.2', HOLD='c' /\n"));
    return quorl::testing::runProgram(QUORL_FIT_PROGRAM);
}

// The numbers of every "key": in Quorl-results.json, read at full precision.
std::vector<Quad> resultsNumbers(const std::string& key) {
    const std::string text = TempDir::readFile("Quorl-results.json");
    std::vector<Quad> numbers;
    const std::string tag = "\"" + key + "\": ";
    for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) {
        const std::size_t from = at + tag.size();
        Quad v{};
        if (quorl::parseQuad(text.substr(from, text.find_first_of(",}", from) - from), v)) {
            numbers.push_back(v);
        }
    }
    return numbers;
}

// Against tools/reference/exp_decay_reference.py: the values, and the
// standard errors to at least 25 digits, through the C++ model (dual
// numbers) and through the formula, with exact partials both.
TEST(ExpDecayExample, FitsTheReferenceWithTheBackgroundFreeOrHeld) {
    const struct {
        int config;
        std::vector<const char*> values, errors;  // a, b, c; the scaled standard errors of the free ones
    } cases[] = {
        {1,
         {"5.0014119882024572430926567864012197", "0.79379645599128235475462323460342839",
          "1.1917959562097241669171187003576034"},
         {"4.8072174295772141976488515311157998e-2", "1.7601818395883648503052507457167428e-2",
          "1.9537749247105801353825595472072365e-2"}},
        {2,
         {"4.9957659989265443822830899694246051", "0.79819081321366651651577026132873066", "1.2"},
         {"4.5814334350106303615694338438393126e-2", "1.4155948434206072121005263851182856e-2"}},
    };
    for (const auto& t : cases) {
        for (const bool formula : {false, true}) {
            SCOPED_TRACE(std::string(formula ? "formula, config " : "C++, config ") + std::to_string(t.config));
            TempDir dir;
            ASSERT_EQ(formula ? runFormula(t.config) : run(t.config), 0) << TempDir::readFile("console.txt");
            const std::vector<Quad> v = fittedValues();
            ASSERT_EQ(v.size(), 3u);
            for (std::size_t k = 0; k < 3; ++k) {
                EXPECT_GE(digits(v[k], t.values[k]), 28.0) << k;
            }
            const std::vector<Quad> se = resultsNumbers("standard_error");
            ASSERT_EQ(se.size(), t.errors.size());
            for (std::size_t k = 0; k < se.size(); ++k) {
                EXPECT_GE(digits(se[k], t.errors[k]), 25.0) << k;
            }
            // Both draw the fit: the curve is the model at the fitted values,
            // across the range of x.
            const std::string page = TempDir::readFile(quorl::FITPLOTFILENAME);
            const quorl::testing::PanelBox main = quorl::testing::panelOf(page, "main");
            const auto curve = quorl::testing::verticesOf(page, "curve");
            ASSERT_EQ(curve.size(), static_cast<std::size_t>(quorl::kFitPlotCurveSamples));
            for (const std::size_t i : {std::size_t{0}, std::size_t{200}, curve.size() - 1}) {
                const double x = main.x(curve[i].first);
                const double y = toDouble(v[0]) * std::exp(-toDouble(v[1]) * x) + toDouble(v[2]);
                EXPECT_NEAR(curve[i].second, main.py(y), 0.1) << "at x " << x;
            }
        }
    }
}

// The C++ example's plot in headless chromium, opened from the run's
// folder: it loads with no error and asks for nothing but itself.
TEST(ExpDecayExample, ItsFitPlotOpensOfflineInABrowser) {
    const std::optional<std::string> program = quorl::testing::HeadlessBrowser::program();
    if (!program) {
        GTEST_SKIP() << "chromium (and libpng) not found";
    }
    TempDir dir;
    ASSERT_EQ(run(1), 0) << TempDir::readFile("console.txt");
    quorl::testing::HeadlessBrowser browser(*program, 960, 800);
    const std::string url = "file://" + std::filesystem::absolute(quorl::FITPLOTFILENAME).string();
    browser.open(url);
    EXPECT_EQ(browser.errors(), std::vector<std::string>{});
    EXPECT_EQ(browser.requests(), std::vector<std::string>{url});
    EXPECT_EQ(browser.evaluate("document.querySelectorAll('svg.fit path.points').length").number(), 2);
}

TEST(ExpDecayExample, RestartsFromTheLastRunsValues) {
    TempDir dir;
    // Two iterations do not converge: the run says so in its exit status,
    // and its values are still written for the next run to go on from.
    ASSERT_EQ(run(1, "", 2), quorl::kNotConvergedStatus) << TempDir::readFile("console.txt");
    EXPECT_NE(TempDir::readFile("Quorl-results.json").find("\"status\": \"iteration_limit\""), std::string::npos);
    const std::vector<Quad> first = fittedValues();
    // Answering 1 at the prompt starts from those values: with no
    // iteration they come back unchanged.
    ASSERT_EQ(run(1, "1\n", 0), quorl::kNotConvergedStatus) << TempDir::readFile("console.txt");
    const std::vector<Quad> again = fittedValues();
    ASSERT_EQ(again.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(again[k].hi == first[k].hi && again[k].lo == first[k].lo) << k;
    }
    // Without the answer the run starts afresh from a = b = 1, c = 0.
    ASSERT_EQ(run(1, "", 0), quorl::kNotConvergedStatus);
    EXPECT_TRUE(fittedValues()[0] == quorl::fromInt(1));
}

}  // namespace
