#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/invert.hpp"
#include "io/stop.hpp"
#include "io/units.hpp"

namespace {

using quorl::Array1;
using quorl::Array2;
using quorl::fromDouble;
using quorl::INVERT;
using quorl::Quad;

Array2<Quad> matrix(std::initializer_list<std::initializer_list<double>> rows) {
    const int n = static_cast<int>(rows.size());
    Array2<Quad> a(n, n);
    int i = 1;
    for (const auto& row : rows) {
        int j = 1;
        for (double v : row) {
            a(i, j++) = fromDouble(v);
        }
        ++i;
    }
    return a;
}

// One inversion with its outputs; the diagnostics, when IP = 6, land in `console`.
struct Inversion {
    Array2<Quad> A;
    Quad VALMIN{-1.0, 0.0};  // outputs start as junk: the routine must set them
    std::int32_t IRANK = -1;
    Quad DETN{-1.0, 0.0};
    Array1<std::int32_t> IUSED;
    std::string console;

    explicit Inversion(Array2<Quad> a, int IP = 0) : A(std::move(a)) {
        const int n = A.upper(1);
        IUSED.allocate(1, n, 7);
        std::istringstream in;
        std::ostringstream out;
        {
            quorl::io::Units units(in, out);
            INVERT(units, n, A, VALMIN, IRANK, DETN, IUSED, IP);
        }
        console = out.str();
    }
    std::vector<std::int32_t> used() const {
        return std::vector<std::int32_t>(IUSED.all().begin(), IUSED.all().end());
    }
};

bool same(Quad a, Quad b) { return a == b; }
bool near(Quad a, Quad b, double tol) { return std::fabs(toDouble(a - b)) <= tol; }

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int k = 0; k < n; ++k) {
        r += s;
    }
    return r;
}

// |X * Y - I| elementwise, the largest.
double identityError(const Array2<Quad>& X, const Array2<Quad>& Y) {
    const int n = X.upper(1);
    double worst = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            Quad sum{};
            for (int k = 1; k <= n; ++k) {
                sum += X(i, k) * Y(k, j);
            }
            const Quad want = fromDouble(i == j ? 1.0 : 0.0);
            worst = std::max(worst, std::fabs(toDouble(sum - want)));
        }
    }
    return worst;
}

// A dense, non-symmetric matrix with entries in [-1, 1] and a diagonal
// lifted by n: well conditioned. Fixed seed, so every run sees the same.
Array2<Quad> randomWellConditioned(int n, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Array2<Quad> a(n, n);
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) {
            // Two doubles per element, so the tails matter too.
            a(i, j) = fromDouble(u(rng)) + fromDouble(u(rng) * 1e-17);
            if (i == j) {
                a(i, j) += fromDouble(n);
            }
        }
    }
    return a;
}

// ---- the linear-dependency example ----------------------------------------

TEST(Invert, DependentParameterGetsZeroRowAndColumn) {
    Inversion r(matrix({{1, 1, 0}, {1, 1, 0}, {0, 0, 2}}));
    EXPECT_EQ(r.IRANK, 2);
    EXPECT_TRUE(same(r.DETN, fromDouble(1)));
    EXPECT_EQ(r.used(), (std::vector<std::int32_t>{1, 0, 1}));
    EXPECT_TRUE(same(r.VALMIN, fromDouble(2) * Quad{1e-20, 0.0}));
    const double want[3][3] = {{1, 0, 0}, {0, 0, 0}, {0, 0, 0.5}};
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_TRUE(same(r.A(i, j), fromDouble(want[i - 1][j - 1]))) << i << "," << j;
        }
    }
    EXPECT_EQ(r.console, "");  // IP below 6: no diagnostics
}

TEST(Invert, DependencyExampleDiagnostics) {
    // The listing after set-up and after each pivot, then the dependency
    // block with the used-parameter flags (bits 0 and 2) and the result.
    // Negative zeros are those the elimination leaves: -(0 / pivot). The
    // 2x that closes the heading's first record is pending positioning
    // and, as in Fortran, is dropped when the write ends.
    Inversion r(matrix({{1, 1, 0}, {1, 1, 0}, {0, 0, 2}}), 6);
    EXPECT_EQ(r.console, R"(Overwriting Matrix Inversion:
Inverter: @ Rank =    0        abs(Det)=       0.000000000000000000000000000000
                 1                 2                 3
    1        1.000000000       1.000000000       0.000000000
    2        1.000000000       1.000000000       0.000000000
    3        0.000000000       0.000000000       2.000000000

    3   3    2.000000000   :iu ju pivot, & value
Inverter: @ Rank =    1        abs(Det)=       2.000000000000000000000000000000
                 1                 2                -3
    1        1.000000000       1.000000000      -0.000000000
    2        1.000000000       1.000000000      -0.000000000
   -3        0.000000000       0.000000000       0.500000000

    1   1    1.000000000   :iu ju pivot, & value
Inverter: @ Rank =    2        abs(Det)=       1.000000000000000000000000000000
                -1                 2                -3
   -1        1.000000000       1.000000000       0.000000000
    2       -1.000000000       0.000000000       0.000000000
   -3       -0.000000000       0.000000000       0.500000000

Linear dependency dealt with. Partial inverse results:
                                                            101 -Kp unused flag
Inverter: @ Rank =    2        abs(Det)=       1.000000000000000000000000000000
                -1                 2                -3
   -1        1.000000000       0.000000000       0.000000000
    2        0.000000000       0.000000000       0.000000000
   -3       -0.000000000       0.000000000       0.500000000

Overwriting Inverter- done.
)");
}

// ---- pivot order, ties and the threshold -----------------------------------

TEST(Invert, DiagonalPivotsLargestFirstAndInvertsExactly) {
    Inversion r(matrix({{1, 0, 0}, {0, 4, 0}, {0, 0, 2}}), 6);
    EXPECT_EQ(r.IRANK, 3);
    EXPECT_TRUE(same(r.DETN, fromDouble(1)));  // the last pivot alone, not the product 8
    EXPECT_TRUE(same(r.A(1, 1), fromDouble(1)));
    EXPECT_TRUE(same(r.A(2, 2), fromDouble(0.25)));
    EXPECT_TRUE(same(r.A(3, 3), fromDouble(0.5)));
    EXPECT_EQ(r.used(), (std::vector<std::int32_t>{1, 1, 1}));
    const auto p4 = r.console.find("    2   2    4.000000000   :iu ju pivot, & value\n");
    const auto p2 = r.console.find("    3   3    2.000000000   :iu ju pivot, & value\n");
    const auto p1 = r.console.find("    1   1    1.000000000   :iu ju pivot, & value\n");
    ASSERT_NE(p4, std::string::npos) << r.console;
    ASSERT_NE(p2, std::string::npos);
    ASSERT_NE(p1, std::string::npos);
    EXPECT_LT(p4, p2);
    EXPECT_LT(p2, p1);
    EXPECT_EQ(r.console.find("Linear dependency"), std::string::npos);  // full rank: no block
}

TEST(Invert, TieGoesToTheFirstInRowByRowScan) {
    // |3| at (1,2) and (2,1): the row-by-row scan meets (1,2) first.
    Inversion r(matrix({{1, 3}, {3, 2}}), 6);
    EXPECT_NE(r.console.find(" 1   2    3.000000000   :iu ju pivot"), std::string::npos) << r.console;
    EXPECT_EQ(r.console.find(" 2   1    3.000000000   :iu ju pivot"), std::string::npos);
    // The inverse of a non-symmetric matrix, in natural order: (1/7)(-2 3; 3 -1).
    const Quad seventh = fromDouble(1) / fromDouble(7);
    EXPECT_TRUE(near(r.A(1, 1), fromDouble(-2) * seventh, 1e-31));
    EXPECT_TRUE(near(r.A(1, 2), fromDouble(3) * seventh, 1e-31));
    EXPECT_TRUE(near(r.A(2, 1), fromDouble(3) * seventh, 1e-31));
    EXPECT_TRUE(near(r.A(2, 2), fromDouble(-1) * seventh, 1e-31));
}

TEST(Invert, ThresholdComesFromTheFirstSearchAndIsInclusive) {
    // VALMIN = 3 times the double 1e-20, as a double-double (it has a tail).
    const Quad floor3 = fromDouble(3) * Quad{1e-20, 0.0};
    ASSERT_NE(floor3.lo, 0.0);

    auto diag = [](Quad d1, Quad d2) {
        Array2<Quad> a(2, 2);
        a(1, 1) = d1;
        a(2, 2) = d2;
        return a;
    };
    // A candidate exactly at the threshold is accepted.
    Inversion at(diag(fromDouble(3), floor3), 6);
    EXPECT_TRUE(same(at.VALMIN, floor3));
    EXPECT_EQ(at.IRANK, 2);
    EXPECT_TRUE(same(at.DETN, floor3));

    // One just below it ends pivoting, without the dependency block, and
    // the unpivoted parameter's row and column are zeroed.
    Inversion below(diag(fromDouble(3), floor3 - Quad{1e-50, 0.0}), 6);
    EXPECT_EQ(below.IRANK, 1);
    EXPECT_TRUE(same(below.DETN, fromDouble(3)));
    EXPECT_EQ(below.used(), (std::vector<std::int32_t>{1, 0}));
    EXPECT_TRUE(same(below.A(2, 2), Quad{}));
    EXPECT_TRUE(near(below.A(1, 1), fromDouble(1) / fromDouble(3), 0.0));
    EXPECT_EQ(below.console.find("Linear dependency"), std::string::npos) << below.console;
    EXPECT_NE(below.console.find("Overwriting Inverter- done.\n"), std::string::npos);

    // The threshold is not recomputed from later, smaller candidates.
    Array2<Quad> a(3, 3);
    a(1, 1) = fromDouble(1);
    a(2, 2) = fromDouble(1e-19);
    a(3, 3) = fromDouble(1e-25);
    Inversion fixed(std::move(a));
    EXPECT_EQ(fixed.IRANK, 2);
    EXPECT_EQ(fixed.used(), (std::vector<std::int32_t>{1, 1, 0}));
}

// ---- degenerate sizes and contents ------------------------------------------

TEST(Invert, ZeroMatrixAndEmptyMatrix) {
    Inversion z(Array2<Quad>(3, 3), 6);
    EXPECT_TRUE(same(z.VALMIN, Quad{}));
    EXPECT_EQ(z.IRANK, 0);
    EXPECT_TRUE(same(z.DETN, Quad{}));
    EXPECT_EQ(z.used(), (std::vector<std::int32_t>{0, 0, 0}));
    for (const Quad& x : z.A.all()) {
        EXPECT_TRUE(same(x, Quad{}));
    }
    EXPECT_NE(z.console.find("Linear dependency dealt with. Partial inverse results:\n" + std::string(61, ' ') +
                             "00 -Kp unused flag\n"),
              std::string::npos)
        << z.console;

    Inversion e(Array2<Quad>(0, 0));
    EXPECT_EQ(e.IRANK, 0);
    EXPECT_TRUE(same(e.DETN, Quad{}));
    EXPECT_TRUE(same(e.VALMIN, Quad{}));
}

TEST(Invert, BadArgumentsStopWithAMessage) {
    std::istringstream in;
    std::ostringstream out;
    quorl::io::Units units(in, out);
    Quad VALMIN, DETN;
    std::int32_t IRANK = 0;
    Array1<std::int32_t> IUSED(3);
    Array2<Quad> small(2, 2);
    EXPECT_THROW(INVERT(units, 3, small, VALMIN, IRANK, DETN, IUSED, 0), quorl::io::Stop);
    Array2<Quad> a(3, 3);
    Array1<std::int32_t> shortUsed(2);
    EXPECT_THROW(INVERT(units, 3, a, VALMIN, IRANK, DETN, shortUsed, 0), quorl::io::Stop);
    try {
        INVERT(units, -1, a, VALMIN, IRANK, DETN, IUSED, 0);
        ADD_FAILURE() << "no stop";
    } catch (const quorl::io::Stop& s) {
        EXPECT_NE(s.message().find("negative"), std::string::npos);
        EXPECT_NE(s.status(), 0);
    }
}

TEST(Invert, NotANumberSpreadsButEndsNormally) {
    Array2<Quad> a = matrix({{1, 2}, {3, 4}});
    a(1, 1) = fromDouble(std::numeric_limits<double>::quiet_NaN());
    Inversion r(std::move(a), 6);
    // 4 is the first pivot (the NaN is overtaken by every later candidate);
    // the NaN left over then counts as below the threshold, so pivoting
    // ends there and its parameter gets no step.
    EXPECT_EQ(r.IRANK, 1);
    EXPECT_EQ(r.used(), (std::vector<std::int32_t>{0, 1}));
    EXPECT_NE(r.console.find("Overwriting Inverter- done."), std::string::npos);
}

// ---- used-parameter flags ---------------------------------------------------

TEST(Invert, UsedFlagsStopAtTheSixtySecondParameter) {
    auto allUsed = [](int n) {
        Array1<std::int32_t> IRU(n);
        for (int i = 1; i <= n; ++i) {
            IRU(i) = -i;
        }
        return quorl::usedParameterBits(n, IRU);
    };
    EXPECT_EQ(allUsed(40), (std::int64_t{1} << 40) - 1);
    EXPECT_EQ(allUsed(70), (std::int64_t{1} << 62) - 1);

    // Through the inverter: parameters 1..40 used, the 41st all zero, so the
    // last search finds nothing and the flags are listed.
    Array2<Quad> a(41, 41);
    for (int i = 1; i <= 40; ++i) {
        a(i, i) = fromDouble(i);
    }
    Inversion r(std::move(a), 6);
    EXPECT_EQ(r.IRANK, 40);
    std::vector<std::int32_t> want(41, 1);
    want[40] = 0;
    EXPECT_EQ(r.used(), want);
    EXPECT_NE(r.console.find(std::string(23, ' ') + repeat("1", 40) + " -Kp unused flag\n"), std::string::npos);
}

// ---- full-rank accuracy -----------------------------------------------------

TEST(Invert, DenseNonSymmetricInverseIsExactToQuadPrecision) {
    for (int n : {5, 17, 40}) {
        const Array2<Quad> original = randomWellConditioned(n, 1234u + static_cast<unsigned>(n));
        Inversion r(original);
        EXPECT_EQ(r.IRANK, n);
        EXPECT_LT(identityError(r.A, original), 1e-28) << n;
        EXPECT_LT(identityError(original, r.A), 1e-28) << n;
    }
}

TEST(Invert, ScaledPermutationComesBackInNaturalOrder) {
    // Every pivot lies off the diagonal, so the tags do all the work.
    Inversion r(matrix({{0, 0, 2}, {3, 0, 0}, {0, 5, 0}}));
    EXPECT_EQ(r.IRANK, 3);
    const Quad one = fromDouble(1);
    EXPECT_TRUE(near(r.A(1, 2), one / fromDouble(3), 1e-32));
    EXPECT_TRUE(near(r.A(2, 3), one / fromDouble(5), 1e-32));
    EXPECT_TRUE(near(r.A(3, 1), one / fromDouble(2), 1e-32));
    for (auto [i, j] : {std::pair{1, 1}, {1, 3}, {2, 1}, {2, 2}, {3, 2}, {3, 3}}) {
        EXPECT_TRUE(same(r.A(i, j), Quad{})) << i << "," << j;
    }
}

}  // namespace
