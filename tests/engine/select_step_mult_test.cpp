#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "engine/select_step_mult.hpp"
#include "quad/decimal.hpp"
#include "support/error_curve_model.hpp"
#include "text/float_write.hpp"
#include "text/om.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;
using quorl::testing::ErrorCurveModel;

Quad q(int v) { return fromInt(v); }
Quad t(const char* text) { return quadFromText(text); }
double gap(const Quad& a, const Quad& b) { return std::abs(quorl::toDouble(a - b)); }

// A run with the error a function of the multiplier m along the step, for a
// one-parameter model with base value PBASE and step PSTEP: P = PBASE + m *
// PSTEP. Unit 6 is captured.
struct Search {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    ErrorCurveModel model;

    Search(std::function<Quad(const std::vector<Quad>&)> f, int kptot = 1) {
        model.f = std::move(f);
        model.kptot = kptot;
        prepare(s, model);
    }
    const std::vector<std::vector<Quad>>& evaluated() const { return *model.evaluated; }
    State::SelectStepMult& w() { return s.selectStepMult; }
    std::vector<std::string> lines() const {
        std::vector<std::string> v;
        std::istringstream is(out.str());
        for (std::string l; std::getline(is, l);) {
            v.push_back(l);
        }
        return v;
    }
};

// The applied point, the step taken and the new values agree with STEPMULT.
void expectApplied(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const quorl::PREC& pr = s.PR(kp);
        EXPECT_TRUE(pr.P == pr.PBASE + s.STEPMULT * pr.PSTEP(4, 1)) << kp;
        EXPECT_TRUE(pr.PSTEP(4, 2) == pr.PSTEP(4, 1) * s.STEPMULT) << kp;
        EXPECT_TRUE(pr.PNEW == pr.P) << kp;
    }
}

TEST(SelectStepMult, ExactParabolaIsMinimisedAtItsVertexNotAtALadderPoint) {
    // Two parameters with different bases and steps, both along the same
    // multiplier: error = 2 (m - 0.37)**2 + 0.25, always positive.
    Search r([](const std::vector<Quad>& p) {
        const Quad m1 = (t("1.5") - p[0]) / q(2);
        const Quad m2 = (p[1] + q(4)) * q(2);
        const Quad c = t("0.37");
        return (m1 - c) * (m1 - c) + (m2 - c) * (m2 - c) + t("0.25");
    }, 2);
    State& s = r.s;
    s.PR(1).PBASE = t("1.5");
    s.PR(1).PSTEP(4, 1) = q(-2);
    s.PR(2).PBASE = q(-4);
    s.PR(2).PSTEP(4, 1) = t("0.5");
    s.RSSBASE = t("0.5238");  // the error at m = 0
    s.JMINTOT = 20;
    quorl::SELECTSTEPMULT(s, 0);

    auto& w = r.w();
    EXPECT_LT(gap(w.X(19), t("0.37")), 1e-20);
    EXPECT_LT(gap(w.X(23), t("0.37")), 1e-20);
    EXPECT_LT(gap(w.X(30), t("0.5")), 1e-20);
    // No real roots, and both parabolas are real parabolas.
    for (int i : {18, 20, 21, 22, 24, 25}) {
        EXPECT_TRUE(w.X(i) == Quad{}) << i;
    }
    // The chord from (0, 0.5238) to (1, 1.0438) crosses zero at -1.007...
    EXPECT_LT(gap(w.X(31), t("-0.5238") / t("0.52")), 1e-20);

    EXPECT_TRUE(w.K == 19 || w.K == 23) << w.K;
    EXPECT_LT(gap(s.STEPMULT, t("0.37")), 1e-20);
    EXPECT_LT(gap(s.RSS, t("0.25")), 1e-25);
    EXPECT_EQ(s.JDONE, 0);
    EXPECT_EQ(s.JMIN, 1);
    EXPECT_TRUE(s.PR(1).PBASE == t("1.5"));
    expectApplied(s);
    EXPECT_EQ(s.OMJ.str(), "  -0e.477");
    // 17 ladder points, 5 candidates (slots 19, 23, 30, 31 and whatever the
    // rounding noise of the difference polynomial gives), one applied point.
    EXPECT_GE(r.evaluated().size(), 17u + 4u + 1u);
    EXPECT_LE(r.evaluated().size(), 17u + 14u + 1u);
}

TEST(SelectStepMult, ErrorGrowingBothWaysKeepsTheParameters) {
    Search r([](const std::vector<Quad>& p) { return q(1) + q(4) * (p[0] - q(3)) * (p[0] - q(3)); });
    State& s = r.s;
    s.PR(1).PBASE = q(3);
    s.PR(1).PSTEP(4, 1) = t("0.7");
    s.RSSBASE = q(1);
    quorl::SELECTSTEPMULT(s, 0);
    EXPECT_EQ(r.w().K, 2);
    EXPECT_TRUE(s.STEPMULT == Quad{});
    EXPECT_EQ(s.JDONE, 1);
    EXPECT_EQ(s.JMIN, 1);
    EXPECT_TRUE(s.PR(1).P == q(3));
    EXPECT_TRUE(s.PR(1).PSTEP(4, 2) == Quad{});
    EXPECT_TRUE(s.RSS == q(1));
    EXPECT_EQ(s.OMJ.str(), "  +1e.1  ");
    expectApplied(s);
}

TEST(SelectStepMult, SmallestLadderStepCountsAsNoProgress) {
    // Error 1 + |m - 0.001|: slot 3 (multiplier 0.001) holds the minimum and
    // the parabola's vertex at the same point only ties it.
    Search r([](const std::vector<Quad>& p) { return q(1) + abs(p[0] - t("0.001")); });
    State& s = r.s;
    s.PR(1).PSTEP(4, 1) = q(1);
    s.RSSBASE = t("1.001");
    quorl::SELECTSTEPMULT(s, 0);
    EXPECT_EQ(r.w().K, 3);
    EXPECT_TRUE(s.STEPMULT == t("0.001"));
    EXPECT_EQ(s.JDONE, 1);
    EXPECT_EQ(s.JMIN, 1);
    EXPECT_TRUE(s.RSS == q(1));
    expectApplied(s);
}

TEST(SelectStepMult, CandidatesAreClampedAndTiesGoToTheLowerSlot) {
    // Error 15 + 2m - m**2 = -(m + 3)(m - 5): each parabola has its roots at
    // 5 and -3, evaluated at 2 and -2. The chord zero -15 is clamped too, so
    // slots 20, 24 and 31 all hold -2 with error 7: slot 20 wins.
    Search r([](const std::vector<Quad>& p) { return q(15) + q(2) * p[0] - p[0] * p[0]; });
    State& s = r.s;
    s.PR(1).PSTEP(4, 1) = q(1);
    s.RSSBASE = q(15);
    quorl::SELECTSTEPMULT(s, 6);
    auto& w = r.w();
    EXPECT_TRUE(w.X(18) == q(2));
    EXPECT_TRUE(w.X(20) == q(-2));
    EXPECT_TRUE(w.X(22) == q(2));
    EXPECT_TRUE(w.X(24) == q(-2));
    EXPECT_TRUE(w.X(31) == q(-2));
    EXPECT_TRUE(w.Z(18) == q(15));
    EXPECT_TRUE(w.Z(20) == q(7));
    EXPECT_LT(gap(w.X(19), q(1)), 1e-20);
    EXPECT_EQ(w.K, 20);
    EXPECT_TRUE(s.STEPMULT == q(-2));
    EXPECT_TRUE(s.RSS == q(7));
    EXPECT_EQ(s.JDONE, 0);
    expectApplied(s);

    // The table shows each candidate as computed and as used.
    const std::string table = r.out.str();
    EXPECT_NE(table.find("\n18    5.000  2.000000000000000  +1e.1  "), std::string::npos) << table;
    EXPECT_NE(table.find("\n20   -3.000 -2.000000000000000  -0e.467"), std::string::npos) << table;
}

TEST(SelectStepMult, FlatCurveTieKeepsTheFirstLadderPointAndListsEmptySlots) {
    // Error 2 up to m = 0.15, 1 beyond: the ladder points from 0.2 on and the
    // chord zero (2) tie; the first, slot 6, is chosen. The parabolas are
    // flat, so slots 18 to 30 stay empty.
    Search r([](const std::vector<Quad>& p) { return p[0] < t("0.15") ? q(2) : q(1); });
    State& s = r.s;
    s.PR(1).PSTEP(4, 1) = q(1);
    s.RSSBASE = q(2);
    quorl::SELECTSTEPMULT(s, 6);
    auto& w = r.w();
    for (int i = 18; i <= 30; ++i) {
        EXPECT_TRUE(w.X(i) == Quad{}) << i;
        EXPECT_TRUE(w.Z(i) == Quad{}) << i;
    }
    EXPECT_TRUE(w.X(31) == q(2));
    EXPECT_EQ(w.K, 6);
    EXPECT_TRUE(s.STEPMULT == t("0.2"));
    EXPECT_EQ(s.OMJ.str(), "  -0e.500");
    // 17 ladder points, the chord zero, the applied point.
    EXPECT_EQ(r.evaluated().size(), 19u);

    quorl::Text<40> zero, one, two;
    quorl::FLOATWRITE(Quad{}, zero);
    quorl::FLOATWRITE(q(1), one);
    quorl::FLOATWRITE(q(2), two);
    const std::string z0 = "   0.000000000000000E+00";
    const std::string z2 = "   0.200000000000000E+01";
    const std::string z1 = "   0.100000000000000E+01";
    const std::vector<std::string> lines = r.lines();
    ASSERT_EQ(lines.size(), 45u) << r.out.str();
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "SelectStepMult minimization pass  1:");
    EXPECT_EQ(lines[2], "     A                       B                       C");
    EXPECT_EQ(lines[3], z0 + z0 + z2 + " @0.");
    EXPECT_EQ(lines[4], z0 + z0 + z1 + " @1.");
    EXPECT_EQ(lines[5], z0 + z0 + "  -0.100000000000000E+01" + " dif");
    EXPECT_EQ(lines[6], " #     Xnom   X(#)used           om        Z(#)error");
    EXPECT_EQ(lines[7], " 1   -0.100 -0.100000000000000  +1e.1  " + two.str());
    EXPECT_EQ(lines[8], " 2    0.000  0.000000000000000  +1e.1  " + two.str());
    EXPECT_EQ(lines[12], " 6    0.200  0.200000000000000  -0e.500" + one.str());
    EXPECT_EQ(lines[23], "17    1.100  1.100000000000000  -0e.500" + one.str());
    EXPECT_EQ(lines[24], " M=0. Poly");
    EXPECT_EQ(lines[25], "18    0.000  0.000000000000000  - e.000" + zero.str());
    EXPECT_EQ(lines[29], " M=1. Poly");
    EXPECT_EQ(lines[34], " Diff.Poly");
    EXPECT_EQ(lines[39], " V Intersect");
    EXPECT_EQ(lines[40], "30    0.000  0.000000000000000  - e.000" + zero.str());
    EXPECT_EQ(lines[41], " 0.Intersect");
    EXPECT_EQ(lines[42], "31    2.000  2.000000000000000  -0e.500" + one.str());
    EXPECT_EQ(lines[43], " Using:");
    EXPECT_EQ(lines[44], " 6           0.200000000000000  -0e.500" + one.str());
}

TEST(SelectStepMult, NegativeProbePassesHalveTheTrialSteps) {
    // Error 1 + |P - 2.8| with P = 3 + 2m: the probe m = -0.1 sits on the
    // minimum, so every pass chooses it.
    Search r([](const std::vector<Quad>& p) { return q(1) + abs(p[0] - t("2.8")); });
    State& s = r.s;
    s.PR(1).PBASE = q(3);
    s.PR(1).PSTEP(4, 1) = q(2);
    s.RSSBASE = t("1.2");
    s.JMINTOT = 3;
    quorl::SELECTSTEPMULT(s, 6);

    EXPECT_EQ(r.w().K, 1);
    EXPECT_EQ(s.JMIN, 4);
    EXPECT_EQ(s.JDONE, 0);
    // The parameters stand at the probe of the last pass, where it was
    // evaluated: -0.1 / 4 along the step.
    EXPECT_TRUE(s.STEPMULT == t("-0.1") / q(4));
    EXPECT_TRUE(s.PR(1).P == q(3) + t("-0.1") * q(2) / q(4));
    EXPECT_TRUE(s.RSS == r.w().Z(1));
    expectApplied(s);
    // The last pass ran with DELTA 4: its candidates sit at four times their
    // multiplier, where its ladder sat at a quarter.
    auto& w = r.w();
    EXPECT_TRUE(w.DELTA == q(4));
    ASSERT_TRUE(w.X(31) != Quad{});
    EXPECT_TRUE(w.Z(31) == q(1) + abs(q(3) + w.X(31) * q(2) * q(4) - t("2.8")));
    EXPECT_TRUE(w.Z(5) == q(1) + abs(q(3) + t("0.1") * q(2) / q(4) - t("2.8")));

    // Each pass's ladder reaches multiplier 0 right after the probe; the
    // probes lie at -0.1, -0.05 and -0.025 along the step.
    std::vector<Quad> probes;
    const auto& ev = r.evaluated();
    for (std::size_t i = 1; i < ev.size(); ++i) {
        if (ev[i][0] == q(3)) {
            probes.push_back(ev[i - 1][0]);
        }
    }
    ASSERT_EQ(probes.size(), 3u);
    EXPECT_TRUE(probes[0] == q(3) + t("-0.1") * q(2));
    EXPECT_TRUE(probes[1] == q(3) + t("-0.1") * q(2) / q(2));
    EXPECT_TRUE(probes[2] == q(3) + t("-0.1") * q(2) / q(4));

    const std::string out = r.out.str();
    EXPECT_NE(out.find("SelectStepMult minimization pass  3:"), std::string::npos);
    EXPECT_EQ(out.find("SelectStepMult minimization pass  4:"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 34), "\n lower value of error not found.\n");
}

TEST(SelectStepMult, NoPassesKeepTheAcceptedValues) {
    // JMINTOT = 0: as when nothing beat the unchanged parameters, not the
    // stale PNEW of an earlier iteration.
    Search r([](const std::vector<Quad>&) { return q(1); });
    State& s = r.s;
    s.PR(1).PBASE = q(3);
    s.PR(1).P = q(7);
    s.PR(1).PNEW = q(0);
    s.PR(1).PSTEP(4, 1) = q(2);
    s.STEPMULT = t("0.3");
    s.RSSBASE = q(1);
    s.JMINTOT = 0;
    quorl::SELECTSTEPMULT(s, 6);
    EXPECT_EQ(s.JMIN, 1);
    EXPECT_EQ(s.JDONE, 1);
    EXPECT_TRUE(s.STEPMULT == Quad{});
    EXPECT_TRUE(s.PR(1).P == q(3));
    EXPECT_TRUE(s.RSS == q(1));
    expectApplied(s);
    EXPECT_EQ(r.evaluated().size(), 1u);
    EXPECT_EQ(r.out.str(), "\n lower value of error not found.\n");
}

TEST(SelectStepMult, AnErrorThatIsNotFiniteNeverWins) {
    // 1 + (m - 0.4)**2 along the step, but NaN around m = 0.5 and infinite
    // from m = 1.05 on. Either would pass the quad less-than; the finite
    // minimum at the ladder point 0.4 (slot 8) must win.
    Search r([](const std::vector<Quad>& p) {
        const Quad m = p[0];
        if (m > t("1.05")) {
            return Quad{INFINITY, 0.0};
        }
        if (abs(m - t("0.5")) < t("0.05")) {
            return Quad{NAN, 0.0};
        }
        return q(1) + (m - t("0.4")) * (m - t("0.4"));
    });
    State& s = r.s;
    s.PR(1).PSTEP(4, 1) = q(1);
    s.RSSBASE = t("1.16");
    quorl::SELECTSTEPMULT(s, 0);
    EXPECT_EQ(r.w().K, 8);
    EXPECT_TRUE(s.STEPMULT == t("0.4"));
    EXPECT_TRUE(s.RSS == q(1));
    expectApplied(s);

    // Nothing finite beats the unchanged point: it stays.
    Search nan([](const std::vector<Quad>& p) {
        return p[0] == Quad{} ? q(1) : Quad{NAN, 0.0};
    });
    nan.s.PR(1).PSTEP(4, 1) = q(1);
    nan.s.RSSBASE = q(1);
    quorl::SELECTSTEPMULT(nan.s, 0);
    EXPECT_EQ(nan.w().K, 2);
    EXPECT_EQ(nan.s.JDONE, 1);
    EXPECT_TRUE(nan.s.PR(1).PNEW == Quad{});

    // Only non-finite errors on the whole ladder, the step reaching past
    // where the model is defined: the search goes on with shorter trials
    // instead of ending where it stands, and takes the first that lowers
    // the error (pass 3, multiplier 0.001 / 4).
    Search window([](const std::vector<Quad>& p) {
        return abs(p[0]) < t("0.0004") ? q(1) - p[0] : Quad{NAN, 0.0};
    });
    window.s.PR(1).PSTEP(4, 1) = q(1);
    window.s.RSSBASE = q(1);
    quorl::SELECTSTEPMULT(window.s, 0);
    EXPECT_EQ(window.s.JMIN, 3);
    EXPECT_TRUE(window.s.PR(1).PNEW == t("0.00025"));
}

TEST(SelectStepMult, ALaterPassAppliesThePointWhoseErrorWon) {
    // P = 3 + 2m. Pass 1 sees only a shelf below m = -0.09 and picks the
    // probe; pass 2 (ladder halved) finds the narrow well at m = 0.05
    // through its ladder point 0.1 / 2. That point is applied, not 0.1.
    Search r([](const std::vector<Quad>& p) {
        const Quad m = (p[0] - q(3)) / q(2);
        if (abs(m - t("0.05")) < t("0.001")) {
            return t("0.5");
        }
        return m < t("-0.09") ? q(1) : t("1.1");
    });
    State& s = r.s;
    s.PR(1).PBASE = q(3);
    s.PR(1).PSTEP(4, 1) = q(2);
    s.RSSBASE = t("1.1");
    quorl::SELECTSTEPMULT(s, 0);
    EXPECT_EQ(s.JMIN, 2);
    EXPECT_EQ(r.w().K, 5);
    EXPECT_TRUE(s.STEPMULT == t("0.1") / q(2));
    EXPECT_TRUE(s.RSS == r.w().Z(5));
    EXPECT_TRUE(s.RSS == t("0.5"));
    expectApplied(s);
}

TEST(SelectStepMult, NothingIsWrittenAtLowUnits) {
    Search r([](const std::vector<Quad>& p) { return q(1) + p[0] * p[0]; });
    r.s.PR(1).PSTEP(4, 1) = q(1);
    r.s.RSSBASE = q(1);
    r.s.JMINTOT = 2;
    quorl::SELECTSTEPMULT(r.s, 5);
    EXPECT_EQ(r.out.str(), "");
}

}  // namespace
