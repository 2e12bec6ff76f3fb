// The engine on real data: the NIST StRD problem Misra1a, y = b1*(1-exp(-b2*x)),
// from both of its starting points, scored by the number of certified
// digits reached (the log relative error, 11 at most).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;
using quorl::State;

struct Point {
    Quad x, y;
};

// The 14 observations, read from the dataset file as the decimal texts
// they are (both columns carry an E0 exponent).
std::vector<Point> readMisra1a() {
    std::ifstream in(std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/Misra1a.dat");
    std::vector<Point> points;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (n < 61 || n > 74) {
            continue;
        }
        std::istringstream fields(line);
        std::string y, x;
        fields >> y >> x;
        points.push_back({quadFromText(x), quadFromText(y)});
    }
    return points;
}

struct Misra1a {
    std::vector<Point> data;
    Quad b1, b2;  // starting values
    Quad x{}, y{};
    Quad fitted1{}, fitted2{}, rss{};  // the accepted values at the end of the run

    void operator()(State& s, int mode) {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.LZTOT = 1;
            s.MDTOT = static_cast<int>(data.size());
            s.NXTOT = 1;
            s.JPU = 0;
            s.JPD = 0;
            s.JITERTOT = 60;
            // Increments of the model's own, relative to each parameter's
            // scale; a run-wide DELTA of 0 leaves them standing.
            s.DELTA = Quad{};
            s.JBON = 1;
            s.JUNCLAMP = 1;
        } else if (mode == 1) {
            for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
                const Point& p = data[static_cast<std::size_t>(s.MD - 1)];
                s.DATAE(0, s.MD) = quorl::fromInt(s.MD);
                s.DATAE(1, s.MD) = p.x;
                s.DATAE(2, s.MD) = p.y;
            }
            s.PR(1).PNAME = "b1";
            s.PR(2).PNAME = "b2";
            s.PR(1).PBASE = b1;
            s.PR(2).PBASE = b2;
            s.PR(1).DELTA = quadFromText("1e-12");
            s.PR(2).DELTA = quadFromText("1e-18");
        } else if (mode == 6) {
            fitted1 = s.PR(1).PBASE;
            fitted2 = s.PR(2).PBASE;
            rss = s.RSS;
        } else if (mode == 3) {
            x = s.DATAE(1, s.MD);
            y = s.DATAE(2, s.MD);
        } else if (mode == 4) {
            const Quad model = s.PR(1).P * (quorl::fromInt(1) - exp(-(s.PR(2).P * x)));
            s.ZR(1).Z = (y - model) * s.ZR(1).WT;
        }
    }
};

double certifiedDigits(const Quad& got, const char* certified) {
    const Quad c = quadFromText(certified);
    const double rel = std::fabs(((got - c) / c).hi);
    return rel == 0.0 ? 11.0 : std::min(11.0, -std::log10(rel));
}

void fitFrom(const char* b1, const char* b2, const char* label) {
    quorl::testing::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    Misra1a model{readMisra1a(), quadFromText(b1), quadFromText(b2)};
    ASSERT_EQ(model.data.size(), 14u);
    ASSERT_EQ(quorl::runQuorl(s, std::ref(model)), 0) << out.str();
    const double d1 = certifiedDigits(model.fitted1, "2.3894212918E+02");
    const double d2 = certifiedDigits(model.fitted2, "5.5015643181E-04");
    const double rss = model.rss.hi * model.rss.hi * 14.0;  // RSS is the root mean square
    const double dr = -std::log10(std::fabs(rss - 1.2455138894E-01) / 1.2455138894E-01);
    std::printf("Misra1a from %s: certified digits b1 %.1f, b2 %.1f, residual sum of squares %.1f, %d passes\n",
                label, d1, d2, std::min(dr, 11.0), s.JITER);
    EXPECT_GE(d1, 10.0);
    EXPECT_GE(d2, 10.0);
}

TEST(NistMisra1a, ConvergesToTheCertifiedValuesFromStartOne) { fitFrom("500", "0.0001", "start 1"); }

TEST(NistMisra1a, ConvergesToTheCertifiedValuesFromStartTwo) { fitFrom("250", "0.0005", "start 2"); }

}  // namespace
