// The two partials passes on small linear models whose derivatives are
// known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "engine/data_point_partials.hpp"
#include "engine/generic_residuals.hpp"
#include "io/stop.hpp"
#include "engine/rss_partials.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

// Residual at data point md: y(md) - sum_k coef(k, md) * P(k), weight 1.
struct LinearModel {
    int kp = 1, md = 1;
    std::function<Quad(int k, int m)> coef;
    std::function<Quad(int m)> y;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = kp;
            s.LZTOT = 1;
            s.MDTOT = md;
            s.NXTOT = 1;
        } else if (mode == 4) {
            Quad model{};
            for (int k = 1; k <= s.KPTOT; ++k) {
                model = model + coef(k, s.MD) * s.PR(k).P;
            }
            s.ZR(1).Z = (y(s.MD) - model) * s.ZR(1).WT;
        }
    }
};

void prepare(State& s, const LinearModel& m, const Quad& delta) {
    s.model = m;
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.JPD = 0;
    s.JPU = 0;
    s.ZR(1).WT = fromInt(1);
    for (int k = 1; k <= s.KPTOT; ++k) {
        s.PR(k).DELTA = delta;
        s.PR(k).OFFON = fromInt(1);
    }
}

bool near(const Quad& a, const Quad& b, double tol = 1e-25) { return std::fabs((a - b).hi) <= tol; }

TEST(DataPointPartials, OneParameterStepIsResidualOverPartial) {
    // z = 7 - 4 * P at P = 0: b = 4, BTB = 16, norm 4, step z / b = 1.75.
    State s;
    prepare(s, LinearModel{1, 1, [](int, int) { return fromInt(4); }, [](int) { return fromInt(7); }},
            quadFromText("1e-6"));
    quorl::DATAPOINTPARTIALS(s);
    EXPECT_TRUE(near(s.B(1, 1), fromInt(4)));
    EXPECT_TRUE(near(s.PR(1).BTBNORM, fromInt(4)));
    EXPECT_TRUE(near(s.BTB(1, 1), fromInt(1) / fromInt(16), 1e-25));
    EXPECT_TRUE(near(s.PR(1).PSTEP(2, 1), quadFromText("1.75")));
    EXPECT_EQ(s.IRANK, 1);
    EXPECT_EQ(s.PR(1).INVERTED, 1);
}

TEST(DataPointPartials, HeldAndDependentParametersGetNoStep) {
    // Parameters 1 and 2 enter only as their sum; parameter 3 is held fixed.
    State s;
    prepare(s,
            LinearModel{4, 5, [](int k, int m) { return k == 4 ? fromInt(m * m) : fromInt(m); },
                        [](int m) { return fromInt(3 * m + 2 * m * m); }},
            quadFromText("1e-6"));
    s.PR(3).OFFON = Quad{};
    s.PR(2).PBASE = s.PR(2).P = quadFromText("0.3");
    quorl::DATAPOINTPARTIALS(s);
    EXPECT_EQ(s.IRANK, 2);
    EXPECT_EQ(s.PR(1).INVERTED + s.PR(2).INVERTED, 1);
    EXPECT_EQ(s.PR(3).INVERTED, 0);
    EXPECT_TRUE(s.PR(3).PSTEP(2, 1) == Quad{});
    EXPECT_TRUE(s.PR(3).BTBNORM == fromInt(1));
    EXPECT_TRUE(s.BTZ(3) == Quad{});
    // Whatever the split, the step moves the sum of the pair to its fit.
    const Quad sum = s.PR(1).PSTEP(2, 1) + s.PR(2).PSTEP(2, 1) + s.PR(2).PBASE;
    EXPECT_TRUE(near(sum, fromInt(3), 1e-20)) << sum.hi;
    // Every trial value is restored bit for bit.
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(s.PR(k).P.hi, s.PR(k).PBASE.hi);
        EXPECT_EQ(s.PR(k).P.lo, s.PR(k).PBASE.lo);
    }
}

TEST(DataPointPartials, EveryPositiveDiagonalIsItsOwnScaleAndOnlyAZeroColumnIsLeftOut) {
    // Partials of 1e-15 (a time in seconds where another fit has it in
    // femtoseconds) are as good as partials of 1: the parameter is used and
    // its step is z / b. A column of exact zeros has no scale and is left out.
    for (const char* text : {"1e-15", "0"}) {
        SCOPED_TRACE(text);
        State s;
        const Quad b = quadFromText(text);
        prepare(s, LinearModel{1, 1, [b](int, int) { return b; }, [](int) { return fromInt(1); }}, fromInt(1));
        quorl::DATAPOINTPARTIALS(s);
        if (b == Quad{}) {
            EXPECT_TRUE(s.PR(1).BTBNORM == fromInt(1));
            EXPECT_EQ(s.PR(1).INVERTED, 0);
        } else {
            EXPECT_TRUE(near(s.PR(1).BTBNORM, abs(s.B(1, 1)), 1e-30));
            EXPECT_EQ(s.PR(1).INVERTED, 1);
            EXPECT_TRUE(near(s.PR(1).PSTEP(2, 1) * s.B(1, 1), s.ZR(1).ZBASE, 1e-28));
        }
    }
}

TEST(RssPartials, StepHasTheLengthOfTheErrorAndPointsDownhill) {
    // z = 5 - P at P = 0 and DELTA 0.5: RSS 5, shifted 4.5, quotient 1,
    // PSTEPMAG = 5 / 1, step 5.
    State s;
    prepare(s, LinearModel{1, 1, [](int, int) { return fromInt(1); }, [](int) { return fromInt(5); }},
            quadFromText("0.5"));
    quorl::RSSPARTIALS(s, 0);
    EXPECT_TRUE(near(s.PSTEPMAG, fromInt(5)));
    EXPECT_TRUE(near(s.PR(1).PSTEP(1, 1), fromInt(5)));
    EXPECT_TRUE(s.RSS == fromInt(5));

    // A model the parameter does not reach: zero quotients, no scaling.
    State flat;
    prepare(flat, LinearModel{2, 1, [](int, int) { return Quad{}; }, [](int) { return fromInt(2); }},
            quadFromText("1e-6"));
    quorl::RSSPARTIALS(flat, 0);
    EXPECT_TRUE(flat.PSTEPMAG == Quad{});
    EXPECT_TRUE(flat.PR(2).PSTEP(1, 1) == Quad{});
}

}  // namespace

// y - a exp(-b x) at x = 0.5, 1, 2 (weight 1), written once for any number
// type; c is held at 1, where asin(c + anything) is NaN.
struct Decay {
    bool exactGiven = true;
    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 3;
            s.LZTOT = 1;
            s.MDTOT = 3;
            s.NXTOT = 1;
        } else if ((mode == 4 || (mode == 7 && exactGiven))) {
            const Quad x = quadFromText("0.5") * fromInt(1 << (s.MD - 1));
            quorl::genericResiduals<3, 1>(s, mode, [&](const auto& p, auto& z) {
                z[0] = fromInt(2) - p[0] * exp(-(p[1] * x)) - asin(p[2]);
            });
        }
    }
};

TEST(PointPartials, EachMethodGivesThePartialsToItsDigitsAndNeverShiftsAHeldParameter) {
    const struct {
        int method;
        double digits;  // of the partials, relative
    } cases[] = {{0, 13.0}, {1, 31.0}, {2, 22.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        State s;
        s.model = Decay{};
        quorl::YOUQUORL(s, 0);
        quorl::QUORLALLOCATEALL(s);
        s.JPARTIALS = c.method;
        s.ZR(1).WT = fromInt(1);
        const Quad a = quadFromText("1.5"), b = quadFromText("0.7");
        const Quad start[] = {a, b, fromInt(1)};
        for (int k = 1; k <= 3; ++k) {
            s.PR(k).PBASE = start[k - 1];
            s.PR(k).P = start[k - 1];
            s.PR(k).OFFON = fromInt(k == 3 ? 0 : 1);
            s.PR(k).DELTA = quadFromText(c.method == 2 ? "1e-6" : "1e-14");
        }
        quorl::partialsPass(s, quorl::PartialsUse::Plain, [&](State& st) {
            // B = d(a exp(-b x))/dP: exp(-b x) and -a x exp(-b x).
            const Quad x = quadFromText("0.5") * fromInt(1 << (st.MD - 1));
            const Quad e = exp(-(b * x));
            const Quad want[] = {e, -(a * x * e)};
            for (int k = 1; k <= 2; ++k) {
                const double rel = std::fabs(((st.B(1, k) - want[k - 1]) / want[k - 1]).hi);
                EXPECT_GE(rel == 0.0 ? 40.0 : -std::log10(rel), c.digits) << st.MD << " " << k;
            }
            EXPECT_TRUE(st.B(1, 3) == Quad{});
            EXPECT_TRUE(isFinite(st.ZR(1).ZBASE));
        });
    }
}

TEST(PointPartials, AModelWithoutExactPartialsIsToldSo) {
    State s;
    s.model = Decay{false};
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.JPARTIALS = 1;
    try {
        quorl::partialsPass(s, quorl::PartialsUse::Plain, [](State&) {});
        FAIL() << "no stop";
    } catch (const quorl::io::Stop& stop) {
        EXPECT_NE(stop.message().find("the model gives none"), std::string::npos) << stop.message();
    }
}
