// Exact decimal expansion of double-doubles: rounding at the digit, ties to
// even, the extremes of the exponent range, and pairs that are not
// normalised; the fast path for few digits against the exact expansion.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "quad/decimal.hpp"

using quorl::Quad;

namespace {

std::string fixed(Quad v, int decimals) {
    std::string s;
    quorl::fixedDigits(v, decimals, s);
    return s;
}

std::string sci(Quad v, int count, int& k) {
    std::string s;
    k = quorl::scientificDigits(v, count, s);
    return s;
}

TEST(DecimalDigits, FixedRoundsTiesToEven) {
    EXPECT_EQ(fixed(Quad{0.125, 0.0}, 2), "12");
    EXPECT_EQ(fixed(Quad{0.375, 0.0}, 2), "38");
    EXPECT_EQ(fixed(Quad{2.5, 0.0}, 0), "2");
    EXPECT_EQ(fixed(Quad{3.5, 0.0}, 0), "4");
    // A tail just above the tie decides it upward, just below downward.
    EXPECT_EQ(fixed(Quad{2.5, std::ldexp(1.0, -80)}, 0), "3");
    EXPECT_EQ(fixed(Quad{3.5, -std::ldexp(1.0, -80)}, 0), "3");
    EXPECT_EQ(fixed(Quad{0.0, 0.0}, 5), "0");
    EXPECT_EQ(fixed(Quad{0.004, 0.0}, 2), "0");
    EXPECT_EQ(fixed(Quad{1234.0, 0.0}, -2), "12");  // negative decimals: to hundreds
}

TEST(DecimalDigits, ScientificFindsTheExponentAndRoundsUpToANewPower) {
    int k;
    EXPECT_EQ(sci(Quad{0.99996, 0.0}, 4, k), "1000");
    EXPECT_EQ(k, 1);
    EXPECT_EQ(sci(Quad{1e22, 0.0}, 3, k), "100");
    EXPECT_EQ(k, 23);
    EXPECT_EQ(sci(Quad{DBL_TRUE_MIN, 0.0}, 17, k), "49406564584124654");
    EXPECT_EQ(k, -323);
    EXPECT_EQ(sci(Quad{DBL_MAX, 0.0}, 17, k), "17976931348623157");
    EXPECT_EQ(k, 309);
    EXPECT_EQ(fixed(Quad{DBL_MAX, 0.0}, 0).size(), 309U);
    // All digits of 2^-1074: 751 significant ones.
    std::string all;
    k = quorl::scientificDigits(Quad{DBL_TRUE_MIN, 0.0}, 760, all);
    EXPECT_EQ(all.substr(749), "25000000000");
}

TEST(DecimalDigits, PairsBeyondTheDoubleAndUnnormalisedOnes) {
    int k;
    // 1 + 2^-100: the tail shows at digit 31.
    EXPECT_EQ(sci(Quad{1.0, std::ldexp(1.0, -100)}, 32, k), "10000000000000000000000000000008");
    // 2^60 - 2^-60: head and tail of opposite signs, far apart.
    EXPECT_EQ(fixed(Quad{std::ldexp(1.0, 60), -std::ldexp(1.0, -60)}, 20), "115292150460684697599999999999999999913");
    // A tail larger than its head still counts by value.
    EXPECT_EQ(fixed(Quad{1.0, 1000.0}, 1), "10010");
    EXPECT_EQ(fixed(Quad{1.0, -1000.0}, 1), "9990");
    EXPECT_TRUE(quorl::isNegativeValue(Quad{1.0, -1000.0}));
    EXPECT_FALSE(quorl::isNegativeValue(Quad{-1.0, 1000.0}));
    EXPECT_TRUE(quorl::isNegativeValue(Quad{-0.0, 0.0}));
    EXPECT_FALSE(quorl::isNegativeValue(Quad{0.0, 0.0}));
    // The largest and smallest parts together: the expansion spans the
    // whole exponent range.
    const std::string wide = fixed(Quad{DBL_MAX, DBL_TRUE_MIN}, 1074);
    EXPECT_EQ(wide.size(), 309U + 1074U);
    EXPECT_EQ(wide.substr(0, 309), fixed(Quad{DBL_MAX, 0.0}, 0));
    const std::string tiny = fixed(Quad{DBL_TRUE_MIN, 0.0}, 1074);
    EXPECT_EQ(wide.substr(309), std::string(1074 - tiny.size(), '0') + tiny);
    EXPECT_EQ(tiny.substr(tiny.size() - 3), "625");
}

// The fast path for few digits gives the exact expansion's digits (and
// exponent) for every value: random pairs over the whole range with random
// tails, digit counts and decimals, and values built to sit on and next to
// every boundary: ties of the last digit (exact binary halves), the powers
// of ten and their neighbours (rounding up to a new power), the edge of
// the exact powers of ten (scales 10^+-22 and +-23) and of their exact
// products (10^44 and 10^45), heads that are powers of two with negative
// tails.
void expectSameDigits(Quad v, int count, int decimals) {
    std::string fast, exact;
    int kFast = quorl::scientificDigits(v, count, fast);
    int kExact = quorl::detail::scientificDigitsExact(v, count, exact);
    ASSERT_EQ(fast, exact) << v.hi << " " << v.lo << " count " << count;
    ASSERT_EQ(kFast, kExact) << v.hi << " " << v.lo << " count " << count;
    quorl::fixedDigits(v, decimals, fast);
    quorl::detail::fixedDigitsExact(v, decimals, exact);
    ASSERT_EQ(fast, exact) << v.hi << " " << v.lo << " decimals " << decimals;
}

TEST(DecimalDigits, FewDigitsFastPathGivesTheExactDigits) {
    std::mt19937_64 rng(189);
    std::uniform_real_distribution<double> unit(1.0, 2.0), tail(-1.0, 1.0);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    auto withTail = [&](double h) {
        const int kind = pick(4);
        const double lo = kind == 0 ? 0.0 : h * tail(rng) * (kind == 1 ? 0x1p-53 : std::ldexp(1.0, -53 - pick(60)));
        return quorl::detail::renorm(h, lo);
    };
    for (int n = 0; n < 600000; ++n) {
        const int e = pick(5) == 0 ? pick(2000) - 1000 : pick(160) - 80;
        const double h = std::ldexp(unit(rng), e) * (pick(2) ? 1 : -1);
        expectSameDigits(withTail(h), 1 + pick(17), pick(32) - 6);
    }
    for (int count = 1; count <= 16; ++count) {
        for (int p = -30; p <= 30; ++p) {
            // A power of ten and its neighbours, and the largest value below
            // it with `count` nines.
            const double ten = std::pow(10.0, p);
            for (const double h : {ten, std::nextafter(ten, 0.0), std::nextafter(ten, 1e300),
                                   ten * (1 - 0.5 * std::pow(10.0, -count))}) {
                expectSameDigits(Quad{h, 0.0}, count, count - p);
                expectSameDigits(withTail(h), count, count - p - 1);
            }
        }
    }
    for (int count = 1; count <= 15; ++count) {
        for (int shift = -3; shift <= 30; ++shift) {
            // (N + 1/2) * 2^shift * 10^0: exact binary ties of the last digit
            // (count digits of N), and their neighbours.
            const std::uint64_t n = static_cast<std::uint64_t>(std::pow(10.0, count - 1)) + static_cast<std::uint64_t>(pick(9)) * 7 + 3;
            const double tie = std::ldexp(static_cast<double>(2 * n + 1), shift - 1);
            for (const double h : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300)}) {
                for (const double lo : {0.0, std::ldexp(h, -60), -std::ldexp(h, -60), std::ldexp(h, -106)}) {
                    const Quad v = quorl::detail::renorm(h, lo);
                    for (int c = 1; c <= 16; ++c) {
                        expectSameDigits(v, c, c - count - 3 + pick(8));
                    }
                }
            }
        }
    }
    // Powers of two with tails below them (the exponent guess from the head
    // alone would be one too high), and scales at the edge of 10^22.
    for (int e = -80; e <= 80; ++e) {
        const double h = std::ldexp(1.0, e);
        expectSameDigits(Quad{h, -std::ldexp(h, -60)}, 9, 22);
        expectSameDigits(Quad{-h, std::ldexp(h, -60)}, 9, -22);
        expectSameDigits(Quad{h, std::ldexp(h, -70)}, 15, 23);
        expectSameDigits(Quad{h, 0.0}, 9, -23);
    }
}

}  // namespace
