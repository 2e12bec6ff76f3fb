// The fast path of decimal text to double-double (the product with a
// reciprocal of a power of five, and its fallbacks) against the exact
// general conversion, bit for bit, on millions of texts of the hard kinds.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

extern "C" {
#include <quadmath.h>
}

#include "quad/decimal.hpp"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kTexts = 20000;
#else
constexpr int kTexts = 250000;
#endif

enum class Shape {
    Random,     // random digits
    HeadTie,    // the digits of a midpoint between two neighbouring doubles
    NearDouble, // the digits of a double: a rest far below the tail's reach
    Divisible,  // 5^m divides the digits: the value is exact in binary
    Long,       // more digits than 64 bits hold
};

struct Kind {
    Shape shape;
    int digitsLow, digitsHigh;  // significant digits
    int expLow, expHigh;        // of the value, 10^exp
    double fastShare;           // at least this share takes the fast path
};

// The text of a value with `digits` significant digits near 10^exp, in the
// shape asked for.
std::string textOf(const Kind& k, std::mt19937_64& rng) {
    auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<std::uint64_t>(hi - lo + 1)); };
    const int digits = pick(k.digitsLow, k.digitsHigh);
    const int exp = pick(k.expLow, k.expHigh);
    const char* sign = (rng() & 1) != 0 ? "-" : "";
    char buf[128];
    if (k.shape == Shape::HeadTie || k.shape == Shape::NearDouble) {
        const double h = std::ldexp(1.0 + static_cast<double>(rng() >> 12) * 0x1p-52,
                                    static_cast<int>(std::floor(exp * 3.3219280948873623)));
        __float128 v = h;
        if (k.shape == Shape::HeadTie) {
            v += static_cast<__float128>(std::nextafter(h, INFINITY) - h) / 2;
        }
        quadmath_snprintf(buf, sizeof buf, "%.*Qe", digits - 1, v);
        return sign + std::string(buf);
    }
    std::string d(1, static_cast<char>('1' + pick(0, 8)));
    for (int i = 1; i < digits; ++i) {
        d += static_cast<char>('0' + pick(0, 9));
    }
    if (k.shape == Shape::Divisible) {
        // 5^m times a small odd number, over 10^m.
        const int m = pick(1, 27);
        std::uint64_t v = static_cast<std::uint64_t>(pick(1, 999)) * 2 + 1;
        for (int i = 0; i < m && v <= UINT64_MAX / 5; ++i) {
            v *= 5;
        }
        return sign + std::to_string(v) + "e-" + std::to_string(m);
    }
    // d.ddd * 10^exp, with the point moved now and then.
    const int point = pick(0, 2) == 0 ? pick(1, digits) : 1;
    d.insert(static_cast<std::size_t>(point), ".");
    return sign + d + "e" + std::to_string(exp - point + 1);
}

TEST(DecimalFastPath, GivesTheExactPairOnEveryKindOfText) {
    const Kind kinds[] = {
        {Shape::Random, 17, 19, -30, 30, 0.99},      // %.17g of doubles, and around
        {Shape::Random, 17, 19, -270, -30, 0.99},    // far below 1: the reciprocals of large powers
        {Shape::Random, 1, 19, -345, -290, 0.0},     // the end of the table, subnormal results
        {Shape::Random, 1, 16, -40, -20, 0.99},      // few digits over a large power of ten
        {Shape::Random, 17, 20, 15, 40, 0.0},        // beyond 2^128, and 20 digits
        {Shape::HeadTie, 17, 19, -270, 19, 0.9},     // near a tie of the head
        {Shape::HeadTie, 20, 40, -30, 30, 0.0},      // the tie itself, and near it
        {Shape::NearDouble, 17, 19, -300, 30, 0.0},  // rests that only the exact path decides
        {Shape::Divisible, 1, 1, 0, 0, 0.9},
        {Shape::Long, 20, 60, -320, 300, 0.0},
    };
    std::mt19937_64 rng(20261211);
    for (const Kind& k : kinds) {
        int fast = 0;
        for (int n = 0; n < kTexts; ++n) {
            const std::string text = textOf(k, rng);
            quorl::Quad got{}, want{}, short_{};
            ASSERT_TRUE(quorl::detail::parseQuadExact(text, want)) << text;
            ASSERT_TRUE(quorl::parseQuad(text, got)) << text;
            if (quorl::parseShortDecimal(text, short_)) {
                ++fast;
                got = short_;
            }
            ASSERT_EQ(std::bit_cast<std::uint64_t>(got.hi), std::bit_cast<std::uint64_t>(want.hi)) << text;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(got.lo), std::bit_cast<std::uint64_t>(want.lo)) << text;
        }
        EXPECT_GE(fast, k.fastShare * kTexts) << "kind " << static_cast<int>(k.shape) << " " << k.expLow;
    }
}

}  // namespace
