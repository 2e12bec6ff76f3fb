// The inverse over the independent parameters: against the inverter on
// matrices of full rank, and against the inverse of the principal block
// where parameters are dependent.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/invert.hpp"
#include "engine/invert_independent.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::Array1;
using quorl::Array2;
using quorl::fromInt;
using quorl::Quad;

const Quad kThreshold{1e-20, 0.0};

double relative(const Quad& a, const Quad& b) {
    const double scale = std::max(std::fabs(b.hi), 1.0);
    return std::fabs((a - b).hi) / scale;
}

TEST(InvertIndependentBlock, AgreesWithTheInverterAtFullRank) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n : {1, 2, 4, 7}) {
        // J'J of a random 3n x n J, scaled to a unit diagonal; both copies.
        std::vector<Quad> J(static_cast<std::size_t>(3 * n * n));
        for (Quad& v : J) {
            v = Quad{u(rng), 0.0};
        }
        Array2<Quad> a(1, n, 1, n), b(1, n, 1, n);
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                for (int r = 0; r < 3 * n; ++r) {
                    a(i, j) = a(i, j) + J[static_cast<std::size_t>(r * n + i - 1)] * J[static_cast<std::size_t>(r * n + j - 1)];
                }
            }
        }
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) {
                b(i, j) = a(i, j) / sqrt(a(i, i) * a(j, j));
            }
        }
        a = b;
        Array1<std::int32_t> used(1, n), usedB(1, n);
        EXPECT_EQ(quorl::invertIndependentBlock(n, a, used, kThreshold), n);
        Quad valmin, detn;
        std::int32_t rank = 0;
        quorl::io::Units units;
        quorl::INVERT(units, n, b, valmin, rank, detn, usedB, 0);
        for (int i = 1; i <= n; ++i) {
            EXPECT_EQ(used(i), 1);
            for (int j = 1; j <= n; ++j) {
                EXPECT_LT(relative(a(i, j), b(i, j)), 1e-26) << n << " " << i << " " << j;
            }
        }
    }
}

TEST(InvertIndependentBlock, LeavesDependentParametersOutAndInvertsTheBlockOfTheRest) {
    // Parameters 1 and 2 move the model alike (equal columns); 3 is
    // correlated with both by r. The inverse is that of the block {1, 3}:
    // 1/(1 - r^2) [[1, -r], [-r, 1]], with row and column 2 zero; never a
    // mixture of the rows of one pair with the columns of the other.
    const Quad r = quorl::quadFromText("0.6");
    Array2<Quad> a(1, 3, 1, 3);
    const Quad n[3][3] = {{fromInt(1), fromInt(1), r}, {fromInt(1), fromInt(1), r}, {r, r, fromInt(1)}};
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            a(i, j) = n[i - 1][j - 1];
        }
    }
    Array1<std::int32_t> used(1, 3);
    EXPECT_EQ(quorl::invertIndependentBlock(3, a, used, kThreshold), 2);
    EXPECT_EQ(used(1), 1);
    EXPECT_EQ(used(2), 0);
    EXPECT_EQ(used(3), 1);
    const Quad d = fromInt(1) / (fromInt(1) - r * r);
    const Quad expected[3][3] = {{d, Quad{}, -(r * d)}, {Quad{}, Quad{}, Quad{}}, {-(r * d), Quad{}, d}};
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_LT(relative(a(i, j), expected[i - 1][j - 1]), 1e-30) << i << " " << j;
        }
    }

    // A zero matrix (every parameter held) uses none and stays zero.
    Array2<Quad> zero(1, 2, 1, 2);
    Array1<std::int32_t> none(1, 2);
    EXPECT_EQ(quorl::invertIndependentBlock(2, zero, none, kThreshold), 0);
    EXPECT_TRUE(zero(1, 1) == Quad{} && zero(2, 2) == Quad{});
}

}  // namespace
