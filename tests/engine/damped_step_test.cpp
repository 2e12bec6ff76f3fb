// The damped step (JSTEPMULT = 3) on small models run through the driver.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "engine/damped_step.hpp"
#include "engine/verdict.hpp"
#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

// y = f(p, x) at x = 1, 2, 3, 5, 7, 10, measured on `truth`; relative
// increments, the steps of the inverter from the first iteration on.
struct Curve {
    std::function<Quad(const std::vector<Quad>&, const Quad&)> f;
    std::vector<Quad> truth, start;
    int method = 3;
    std::function<void(State&)> extra;  // mode 1: more settings
    std::vector<Quad>* fitted;
    State::DampedStep* damped = nullptr;

    void operator()(State& s, int mode) const {
        static const int xs[] = {1, 2, 3, 5, 7, 10};
        if (mode <= 0) {
            s.KPTOT = static_cast<int>(start.size());
            s.LZTOT = 1;
            s.MDTOT = 6;
            s.NXTOT = 1;
            s.JPU = 0;
            s.JBON = 1;
            s.JUNCLAMP = 1;
            s.JSTEPMULT = method;
            s.JITERTOT = 200;
            s.DELTA = Quad{};
        } else if (mode == 1) {
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                s.PR(kp).PBASE = start[static_cast<std::size_t>(kp - 1)];
            }
            if (extra) {
                extra(s);
            }
        } else if (mode == 2) {
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                s.PR(kp).DELTA = quadFromText("1e-15") * std::max(abs(s.PR(kp).PBASE), fromInt(1));
            }
        } else if (mode == 4) {
            std::vector<Quad> p;
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                p.push_back(s.PR(kp).P);
            }
            const Quad x = fromInt(xs[s.MD - 1]);
            s.ZR(1).Z = (f(truth, x) - f(p, x)) * s.ZR(1).WT;
        } else if (mode == 6) {
            fitted->clear();
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                fitted->push_back(s.PR(kp).PBASE);
            }
            if (damped != nullptr) {
                *damped = s.dampedStep;
            }
        }
    }
};

int fit(const Curve& c) {
    quorl::testing::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    return quorl::runQuorl(s, c);
}

double digits(const Quad& got, const Quad& want) {
    const double rel = std::fabs(((got - want) / want).hi);
    return rel == 0.0 ? 32.0 : -std::log10(rel);
}

Quad saturation(const std::vector<Quad>& p, const Quad& x) { return p[0] * (fromInt(1) - exp(-(p[1] * x))); }

TEST(DampedStep, ConvergesWhereTheFullStepOvershootsByOrdersOfMagnitude) {
    // From a = b = 1 the Gauss-Newton step throws b a hundred times too far,
    // where the model no longer depends on it: the full step never recovers.
    std::vector<Quad> fitted;
    Curve c{saturation, {fromInt(200), quadFromText("0.5")}, {fromInt(1), fromInt(1)}, 1, nullptr, &fitted};
    const int full = fit(c);
    EXPECT_TRUE(full != 0 || digits(fitted[1], quadFromText("0.5")) < 2.0) << full;

    c.method = 3;
    ASSERT_EQ(fit(c), 0);
    EXPECT_GE(digits(fitted[0], fromInt(200)), 28.0);
    EXPECT_GE(digits(fitted[1], quadFromText("0.5")), 28.0);
}

TEST(DampedStep, LeavesDependentAndHeldParametersAlone) {
    // y = (a + c) * (1 - exp(-b x)) + d: a and c move the model alike, d is
    // held at its true value 0.25.
    auto model = [](const std::vector<Quad>& p, const Quad& x) {
        return (p[0] + p[2]) * (fromInt(1) - exp(-(p[1] * x))) + p[3];
    };
    std::vector<Quad> fitted;
    const Quad c0 = quadFromText("0.3");
    Curve c{model,
            {fromInt(150), quadFromText("0.5"), fromInt(50), quadFromText("0.25")},
            {fromInt(1), fromInt(1), c0, quadFromText("0.25")},
            3,
            [](State& s) { s.PR(4).OFFON = Quad{}; },
            &fitted};
    ASSERT_EQ(fit(c), 0);
    ASSERT_EQ(fitted.size(), 4u);
    EXPECT_GE(digits(fitted[0] + fitted[2], fromInt(200)), 28.0);
    EXPECT_GE(digits(fitted[1], quadFromText("0.5")), 28.0);
    EXPECT_EQ(fitted[3].hi, 0.25);
    EXPECT_EQ(fitted[3].lo, 0.0);

    // In one damped iteration neither of a and c is frozen: the damping
    // regularises the direction in which they are dependent, and since they
    // move the model alike they take equal steps.
    c.extra = [](State& s) {
        s.PR(4).OFFON = Quad{};
        s.JITERTOT = 1;
    };
    ASSERT_EQ(fit(c), quorl::kNotConvergedStatus);
    const Quad stepA = fitted[0] - fromInt(1), stepC = fitted[2] - c0;
    EXPECT_GT(abs(stepA).hi, 0.1);
    EXPECT_LT(std::fabs(((stepA - stepC) / stepA).hi), 1e-25);
}

TEST(DampedStep, GivesUpWhenNoStepLowersTheError) {
    // The error has a kink at p = 2: every change of p raises it, while the
    // partials (taken to one side) promise a decrease. Every trial fails,
    // the region shrinks until the step vanishes, and the value stays.
    std::vector<Quad> fitted;
    State::DampedStep damped;
    auto spike = [](const std::vector<Quad>& p, const Quad& x) {
        return p[0] == fromInt(3) ? fromInt(3) * x : fromInt(2) * x - fromInt(1000) * abs(p[0] - fromInt(2)) * x;
    };
    Curve c{spike, {fromInt(3)}, {fromInt(2)}, 3, nullptr, &fitted, &damped};
    ASSERT_EQ(fit(c), quorl::kNotConvergedStatus);  // stalled: the partials still promise a decrease
    EXPECT_TRUE(fitted[0] == fromInt(2));
    EXPECT_GT(damped.retries, 10);
    EXPECT_LE(damped.retries, quorl::kMaxRetries);
}

}  // namespace
