// The driver's stage sequence with small test models, run in-process in a
// fresh directory with scripted console input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "engine/verdict.hpp"
#include "io/stop.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::State;
using quorl::testing::TempDir;

// Two data points with fixed residuals 1 and 3, whatever the parameter, and
// full steps (which are then zero): a run of it never converges (its one
// parameter has no partials) and ends with kNotConvergedStatus after its
// whole end sequence. The hook sees every call
// after the model's own work and may change the run (set JDONE, ...).
struct LineModel {
    std::vector<int>* modes = nullptr;
    std::function<void(State&, int)> hook;

    void operator()(State& s, int mode) const {
        if (modes != nullptr) {
            modes->push_back(mode);
        }
        if (mode <= 0) {
            s.KPTOT = 1;
            s.LZTOT = 1;
            s.MDTOT = 2;
            s.NXTOT = 1;
            s.JPU = 6;
            s.JPD = 1;
            s.JITERTOT = 2;
            s.JSTEPMULT = 1;
        } else if (mode == 1) {
            s.DATAE(2, 1) = quorl::fromInt(1);
            s.DATAE(2, 2) = quorl::fromInt(3);
        } else if (mode == 4) {
            s.ZR(1).Z = s.DATAE(2, s.MD) * s.ZR(1).WT;
        }
        if (hook) {
            hook(s, mode);
        }
    }
};

struct ScriptedRun {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    int status = -1;
    std::vector<int> modes;

    ScriptedRun(const std::string& answers, std::function<void(State&, int)> hook) : in(answers) {
        LineModel m;
        m.modes = &modes;
        m.hook = std::move(hook);
        status = quorl::runQuorl(s, m);
    }
    int count(int mode) const { return static_cast<int>(std::count(modes.begin(), modes.end(), mode)); }
};

const std::string kClosing =
    "`Quorl-params.txt` has the parametric values.\n"
    "Press `Enter` to exit.\n";

TEST(RunQuorl, RunsEveryPassAndTheEndSequence) {
    TempDir dir;
    ScriptedRun r("", nullptr);
    EXPECT_EQ(r.status, quorl::kNotConvergedStatus);
    EXPECT_EQ(r.count(0), 1);
    EXPECT_EQ(r.count(1), 1);
    EXPECT_EQ(r.count(5), 3);  // JITER = 0, 1, 2
    EXPECT_EQ(r.count(6), 1);
    EXPECT_EQ(r.s.JITER, 3);
    EXPECT_EQ(r.s.JPHASE.trimmed(), "8: Quorl is done interating. Export the results & close");
    // The final evaluation: RMS of residuals 1 and 3.
    EXPECT_TRUE(r.s.RSS == sqrt(quorl::fromInt(5)));
    EXPECT_NE(r.out.str().find("EvalFit Summary:"), std::string::npos);
    EXPECT_EQ(r.out.str().substr(r.out.str().size() - kClosing.size()), kClosing);
}

TEST(RunQuorl, IterationCountsAtTheirLimits) {
    TempDir dir;
    ScriptedRun once("", [](State& s, int mode) {
        if (mode == 0) {
            s.JITERTOT = 0;
        }
    });
    EXPECT_EQ(once.count(5), 1);
    EXPECT_EQ(once.s.JITER, 1);

    ScriptedRun none("", [](State& s, int mode) {
        if (mode == 0) {
            s.JITERTOT = -1;
        }
    });
    EXPECT_EQ(none.count(5), 0);
    EXPECT_EQ(none.count(6), 1);
    EXPECT_EQ(none.status, quorl::kNotConvergedStatus);
}

// A model that reports no progress from iteration 1 on.
void doneFromOne(State& s, int mode) {
    if (mode == 0) {
        s.JPD = 2;
        s.JITERTOT = 5;
    }
    if (mode == 5 && s.JITER >= 1) {
        s.JDONE = 1;
    }
}

TEST(RunQuorl, QuitQuestionIgnoresOtherAnswersAndGoesOnAtN) {
    TempDir dir;
    ScriptedRun r("maybe\nn\nx\nY\n", doneFromOne);
    EXPECT_EQ(r.status, quorl::kNotConvergedStatus);
    // Asked in iteration 1 (answered n after one unreadable answer), then
    // in iteration 2 (Y after one more).
    EXPECT_EQ(r.s.JITER, 2);
    EXPECT_EQ(r.count(5), 3);
    const std::string ask = " Want to quit (N/n or Y/y)?";
    const std::string& text = r.out.str();
    int asked = 0;
    for (std::size_t at = text.find(ask); at != std::string::npos; at = text.find(ask, at + 1)) {
        ++asked;
    }
    EXPECT_EQ(asked, 4);
}

TEST(RunQuorl, TheEndOfInputAtTheQuitQuestionEndsTheLoopNormally) {
    TempDir dir;
    ScriptedRun r("", doneFromOne);
    EXPECT_EQ(r.status, quorl::kNotConvergedStatus);
    EXPECT_EQ(r.s.JITER, 1);
    EXPECT_EQ(r.count(6), 1);
    EXPECT_EQ(r.out.str().substr(r.out.str().size() - kClosing.size()), kClosing);
}

TEST(RunQuorl, WithoutAReportUnitTheRunStopsAtOnceWhenDone) {
    TempDir dir;
    ScriptedRun r("n\n", [](State& s, int mode) {
        doneFromOne(s, mode);
        if (mode == 0) {
            s.JPU = 0;
            s.JPD = 8;
        }
    });
    EXPECT_EQ(r.s.JPD, 0);
    EXPECT_EQ(r.s.JITER, 1);
    EXPECT_EQ(r.out.str().find("Want to quit"), std::string::npos);
    // Nothing on the console but the verdict and the closing lines.
    EXPECT_EQ(r.out.str().rfind("Verdict: NOT converged, stalled after      1 iterations", 0), 0u) << r.out.str();
    EXPECT_EQ(r.out.str().substr(r.out.str().size() - kClosing.size()), kClosing);
}

TEST(RunQuorl, PreviousValuesPromptRepeatsUntilReadableAndSurvivesTheEndOfInput) {
    TempDir dir;
    auto ask = [](State& s, int mode) {
        if (mode == 0) {
            s.JPREV = 0;
        }
    };
    const std::string prompt = " Use the last run`s Pr.Pbase values? (0 or 1)";
    ScriptedRun answered("zero\n-1\n", ask);
    EXPECT_EQ(answered.s.JPREV, -1);
    EXPECT_EQ(answered.out.str().substr(0, 2 * prompt.size()), prompt + prompt);

    ScriptedRun ended("", ask);
    EXPECT_EQ(ended.s.JPREV, 0);
    EXPECT_EQ(ended.status, quorl::kNotConvergedStatus);
}

TEST(RunQuorl, FailuresEndTheRunWithANonZeroStatusAndTheirMessage) {
    TempDir dir;
    ScriptedRun stopped("", [](State&, int mode) {
        if (mode == 1) {
            quorl::io::stop("YouQuorl: Mode out of range.");
        }
    });
    EXPECT_NE(stopped.status, 0);
    EXPECT_NE(stopped.out.str().find("YouQuorl: Mode out of range."), std::string::npos);
    EXPECT_FALSE(TempDir::exists("Quorl-params.txt"));

    ScriptedRun halted("", [](State& s, int mode) {
        if (mode == 0) {
            s.LZTOT = 0;
        }
    });
    EXPECT_NE(halted.status, 0);
    EXPECT_EQ(halted.out.str().substr(0, 30), " Quorl halt!  Lztot=        0\n");

    ScriptedRun outOfBounds("", [](State& s, int mode) {
        if (mode == 4) {
            s.ZR(2).Z = Quad{};
        }
    });
    EXPECT_NE(outOfBounds.status, 0);
    EXPECT_NE(outOfBounds.out.str().find("run_quorl_test.cpp"), std::string::npos) << outOfBounds.out.str();
}

// y = a + b*x at x = 1..4, measured on y = 2 + 3x; b starts (and is held)
// at 1, so only a can move.
struct HeldSlopeModel {
    Quad* a;
    Quad* b;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.LZTOT = 1;
            s.MDTOT = 4;
            s.NXTOT = 1;
            s.JPU = 0;
            s.JITERTOT = 8;
        } else if (mode == 1) {
            s.PR(2).PBASE = quorl::fromInt(1);
            s.PR(2).OFFON = Quad{};
        } else if (mode == 6) {
            *a = s.PR(1).PBASE;
            *b = s.PR(2).PBASE;
        } else if (mode == 4) {
            const Quad x = quorl::fromInt(s.MD);
            s.ZR(1).Z = (quorl::fromInt(2) + quorl::fromInt(3) * x - s.PR(1).P - s.PR(2).P * x) * s.ZR(1).WT;
        }
    }
};

TEST(RunQuorl, AHeldParameterKeepsItsValueThroughGradientAndInverterSteps) {
    TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    Quad a{}, b{};
    EXPECT_EQ(quorl::runQuorl(s, HeldSlopeModel{&a, &b}), 0);
    EXPECT_GE(s.JITER, 3);  // both kinds of step were taken
    EXPECT_EQ(b.hi, 1.0);
    EXPECT_EQ(b.lo, 0.0);
    // a settles where the held slope leaves it: the mean of 2 + 2x.
    EXPECT_LT(std::fabs((a - quorl::fromInt(7)).hi), 1e-20);
}

TEST(RunQuorl, AnErrorThatIsNotANumberStopsTheRunAndKeepsTheLastResult) {
    TempDir dir;
    const std::string previous = "2 1\n   earlier result\n";
    TempDir::writeFile("Quorl-params.txt", previous);
    // The third data point's residual is NaN at the starting values.
    ScriptedRun r("", [](State& s, int mode) {
        if (mode == 0) {
            s.MDTOT = 3;
            s.JPU = 11;
            s.JPD = 1;
        } else if (mode == 1) {
            s.ZR(1).ZNAME = "height";
        } else if (mode == 4 && s.MD == 3) {
            s.ZR(1).Z = Quad{NAN, 0.0};
        }
    });
    EXPECT_EQ(r.status, 8);
    const std::string message =
        "Quorl: the error measure RSS is NaN in iteration 0: the weighted residual Zr(1) 'height' at data "
        "point 3, is NaN. The fit stops; Quorl-params.txt is left as it was.";
    EXPECT_NE(r.out.str().find(message), std::string::npos) << r.out.str();
    EXPECT_NE(TempDir::readFile("Quorl-out.txt").find(message), std::string::npos);
    EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), previous);
    EXPECT_FALSE(TempDir::exists("Quorl-results.json"));
    EXPECT_EQ(r.count(6), 0);
}

}  // namespace
