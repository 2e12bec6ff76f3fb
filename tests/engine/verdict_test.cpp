// The verdict of a run, end to end through the driver: how each kind of
// end is told apart, what it writes, and the result files that belong
// together.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/result_files.hpp"
#include "engine/results_json.hpp"
#include "engine/run_quorl.hpp"
#include "engine/verdict.hpp"
#include "io/format.hpp"
#include "quad/decimal.hpp"
#include "support/json_value.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::State;
using quorl::testing::JsonValue;
using quorl::testing::TempDir;

// z = y - a exp(-b x) at x = 0..4 with y = 2 exp(-x/2) exactly; reports to
// the run summary, the damped step from iteration 1, increments relative
// 1e-15. With `kink` the modelled value is y + 1 + 1000 |a - 2| (x + 1)
// from a = b = 2, b held: every change of a raises the error, while the
// partials, taken to one side, promise a decrease.
struct Decay {
    int jitertot = 100;
    bool kink = false;
    std::function<void(State&)> atEndOfIteration = nullptr;

    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.LZTOT = 1;
            s.MDTOT = 5;
            s.NXTOT = 1;
            s.JPU = 11;
            s.JPD = 4;
            s.JBON = 1;
            s.JUNCLAMP = 1;
            s.JSTEPMULT = 3;
            s.JITERTOT = jitertot;
            s.DELTA = Quad{};
        } else if (mode == 1) {
            s.PR(1).PBASE = fromInt(kink ? 2 : 1);
            s.PR(2).PBASE = fromInt(kink ? 2 : 1);
            s.PR(2).OFFON = fromInt(kink ? 0 : 1);
        } else if (mode == 2) {
            for (int kp = 1; kp <= 2; ++kp) {
                s.PR(kp).DELTA = quorl::quadFromText("1e-15") * std::max(abs(s.PR(kp).PBASE), fromInt(1));
            }
        } else if (mode == 4) {
            const Quad x = fromInt(s.MD - 1), a = s.PR(1).P;
            const Quad y = fromInt(2) * exp(-(x / fromInt(2)));
            const Quad f = kink ? y + fromInt(1) + fromInt(1000) * abs(a - fromInt(2)) * (x + fromInt(1))
                                : a * exp(-(s.PR(2).P * x));
            s.ZR(1).Z = (y - f) * s.ZR(1).WT;
        } else if (mode == 5 && atEndOfIteration) {
            atEndOfIteration(s);
        }
    }
};

struct FitRun {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    int status = -1;
    JsonValue results;

    explicit FitRun(const Decay& m) {
        status = quorl::runQuorl(s, m);
        if (std::filesystem::is_regular_file("Quorl-results.json")) {
            results = JsonValue::parse(TempDir::readFile("Quorl-results.json"));
        }
    }
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Verdict, TellsConvergedStalledAndTheIterationLimitApart) {
    struct Case {
        const char* what;
        Decay model;
        int status;
        const char* word;
        int iterations;  // -1: any
    } cases[] = {
        {"converged", Decay{}, 0, "converged", -1},
        {"limit of 3", Decay{3}, quorl::kNotConvergedStatus, "iteration_limit", 3},
        {"limit of 0", Decay{0}, quorl::kNotConvergedStatus, "iteration_limit", 0},
        {"no iteration", Decay{-1}, quorl::kNotConvergedStatus, "iteration_limit", 0},
        {"stalled", Decay{100, true}, quorl::kNotConvergedStatus, "stalled", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const FitRun r(c.model);
        ASSERT_EQ(r.status, c.status) << r.out.str();
        EXPECT_EQ(r.results["status"].string(), c.word);
        if (c.iterations >= 0) {
            EXPECT_EQ(r.results["iterations"].number(), c.iterations);
        }
        const std::string summary = TempDir::readFile("Quorl-out.txt");
        const std::string params = TempDir::readFile("Quorl-params.txt");
        const bool converged = c.status == 0;
        EXPECT_TRUE(has(summary, converged ? "Verdict: converged after" : "Verdict: NOT converged")) << summary;
        EXPECT_TRUE(has(r.out.str(), "Verdict: ")) << r.out.str();
        // Values that are no minimum are marked where they are kept.
        EXPECT_EQ(has(params, "Verdict: NOT converged"), !converged);
        EXPECT_TRUE(r.results["convergence"].has("predicted_decrease"));
    }
}

TEST(Verdict, TheRunSummaryHoldsEveryFinishedIterationAndTheResultFilesGoTogether) {
    TempDir dir;
    TempDir::writeFile("Quorl-params.txt", "earlier values\n");
    // The results file cannot take its name: neither file changes.
    std::filesystem::create_directory("Quorl-results.json");
    Decay m;
    int checked = 0;
    m.atEndOfIteration = [&checked](State& s) {
        // Whatever happens to the process in a pass, the file on disk
        // already shows the pass before it, whole.
        if (s.JITER >= 1) {
            const std::string text = TempDir::readFile("Quorl-out.txt");
            const std::string previous = quorl::io::format("(/'Iteration:',i3)", s.JITER - 1);
            EXPECT_TRUE(has(text, previous)) << s.JITER;
            EXPECT_TRUE(has(text.substr(text.find(previous)), "RSS = ")) << s.JITER;
            ++checked;
        }
    };
    const FitRun failed{m};
    EXPECT_EQ(failed.status, quorl::kParameterWriteStatus);
    EXPECT_GE(checked, 2);
    EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), "earlier values\n");
    EXPECT_TRUE(std::filesystem::is_directory("Quorl-results.json"));
    EXPECT_TRUE(TempDir::temporaries().empty());

    std::filesystem::remove("Quorl-results.json");
    const FitRun ok{Decay{}};
    EXPECT_EQ(ok.status, 0);
    EXPECT_NE(TempDir::readFile("Quorl-params.txt"), "earlier values\n");
}

}  // namespace
