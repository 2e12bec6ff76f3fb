// Decimal text to double-double: checked against exact pairs worked out by
// hand and, for random texts, against libquadmath's binary128 conversion;
// the fast path for short decimals against the exact general conversion.
#include <gtest/gtest.h>

#include <cstdio>

#include <cmath>
#include <cstdint>
#include <bit>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>

extern "C" {
#include <quadmath.h>
}

#include "quad/decimal.hpp"

using quorl::Quad;
using quorl::quadFromText;

namespace {

// The reference pair from a binary128 value: its nearest double and the
// nearest double to the rest. Binary128 carries 113 bits against the pair's
// 107 or more, so the reference tail may be off by binary128's own rounding
// (2^-113 of the value) plus one unit of the tail.
Quad fromFloat128(__float128 v) {
    const double hi = static_cast<double>(v);
    const double lo = static_cast<double>(v - static_cast<__float128>(hi));
    return Quad{hi, lo};
}

void expectNearReference(const std::string& text) {
    const __float128 ref = strtoflt128(text.c_str(), nullptr);
    const Quad want = fromFloat128(ref);
    const Quad got = quadFromText(text);
    ASSERT_EQ(got.hi, want.hi) << text;
    const double ulpLo = std::fabs(std::nextafter(want.lo, 0.0) - want.lo);
    const double tol = ulpLo + std::ldexp(std::fabs(want.hi), -112);
    EXPECT_LE(std::fabs(got.lo - want.lo), tol) << text;
}

TEST(DecimalParse, ExactPairsOfSimpleTexts) {
    // 0.1 = 0x1.999999999999ap-4 + (-0x1.999999999999ap-58) to 107 bits.
    const Quad tenth = quadFromText("0.1");
    EXPECT_EQ(tenth.hi, 0.1);
    EXPECT_EQ(tenth.lo, -0x1.999999999999ap-58);
    // Exactly representable texts have a zero tail.
    EXPECT_EQ(quadFromText("2.5").hi, 2.5);
    EXPECT_EQ(quadFromText("2.5").lo, 0.0);
    EXPECT_EQ(quadFromText("-1234567890123456789").hi, -1234567890123456789.0);
    EXPECT_EQ(quadFromText("-1234567890123456789").lo, -21.0);  // hi = -1234567890123456768
    // 2^-1074 and the double-double of 2^100 + 1.
    EXPECT_EQ(quadFromText("4.9406564584124654e-324").hi, std::ldexp(1.0, -1074));
    const Quad big = quadFromText("1267650600228229401496703205377");
    EXPECT_EQ(big.hi, std::ldexp(1.0, 100));
    EXPECT_EQ(big.lo, 1.0);
}

TEST(DecimalParse, NotationVariants) {
    const Quad ref = quadFromText("12.5e-3");
    for (const char* t : {"1.25e-2", "0.0125", ".0125", "125D-4", "125d-4", "+0.125E-1", "00012.50000e-3"}) {
        const Quad q = quadFromText(t);
        EXPECT_EQ(q.hi, ref.hi) << t;
        EXPECT_EQ(q.lo, ref.lo) << t;
    }
    EXPECT_TRUE(std::signbit(quadFromText("-0.0").hi));
    EXPECT_EQ(quadFromText("3.").hi, 3.0);
    EXPECT_TRUE(std::isinf(quadFromText("1e400").hi));
    EXPECT_EQ(quadFromText("-1e-400").hi, 0.0);
    EXPECT_EQ(quadFromText("1e-999999999999").hi, 0.0);
}

TEST(DecimalParse, MalformedTextIsRejected) {
    Quad q{7.0, 0.0};
    for (const char* t : {"", "+", ".", "1e", "1e+", "1.2.3", "1 ", " 1", "1x", "e5", "--1", "0x10", "nan"}) {
        EXPECT_FALSE(quorl::parseQuad(t, q)) << t;
    }
    EXPECT_EQ(q.hi, 7.0);  // untouched
    EXPECT_THROW(quadFromText("12a"), std::invalid_argument);
    using namespace quorl::literals;
    EXPECT_EQ((2.200000001_q).hi, 2.200000001);
}

TEST(DecimalParse, HardCasesAgainstBinary128) {
    for (const char* t : {"2.200000001", "1e-30", "0.017453292519943295", "1e300", "1e-320", "2.2250738585072011e-308",
                          "2.2250738585072014e-308", "1.7976931348623157e308", "9007199254740993",
                          "3.14159265358979323846264338327950288419716939937510582097494459",
                          "0.000000000000000000000000000000000000000000123456789012345678901234567890123",
                          "6.02214076e23", "1.602176634e-19", "299792458", "0.3333333333333333333333333333333333"}) {
        expectNearReference(t);
    }
}

TEST(DecimalParse, RandomTextsAgainstBinary128) {
    std::mt19937_64 rng(20261208);
    std::uniform_int_distribution<int> ndig(1, 45), ex(-330, 300), dig(0, 9);
    for (int n = 0; n < 4000; ++n) {
        std::string t = (rng() & 1) != 0 ? "-" : "";
        const int k = ndig(rng);
        for (int i = 0; i < k; ++i) {
            t += static_cast<char>('0' + dig(rng));
            if (i == 0) {
                t += '.';
            }
        }
        t += "e" + std::to_string(ex(rng));
        expectNearReference(t);
    }
}

TEST(DecimalParse, TiesAreBrokenByDigitsFarBeyondTheFortieth) {
    // 1 + 2^-53 is the exact midpoint between 1 and its successor: the head
    // goes to even (1) and the tail holds 2^-53 exactly.
    const Quad mid = quadFromText("1.00000000000000011102230246251565404236316680908203125");
    EXPECT_EQ(mid.hi, 1.0);
    EXPECT_EQ(mid.lo, std::ldexp(1.0, -53));
    // 1 + 2^-54 (1 + 2^-53): the head stays 1 and the tail is a tie between
    // 2^-54 and its successor, broken to even; one more digit far out
    // breaks it upward.
    const std::string tie = "1.000000000000000055511151231257833184157405443695745404129416271767419"
                            "32192527428924222476780414581298828125";
    const Quad t = quadFromText(tie);
    EXPECT_EQ(t.hi, 1.0);
    EXPECT_EQ(t.lo, std::ldexp(1.0, -54));
    const Quad up = quadFromText(tie + "00000000000000000000000000000000001");
    EXPECT_EQ(up.hi, 1.0);
    EXPECT_EQ(up.lo, std::nextafter(std::ldexp(1.0, -54), 1.0));
}

// Sanitized builds run ten times slower: they take a tenth of the texts.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The fast path for short decimals gives the general conversion's pair, bit
// for bit (signed zeros included), and accepts and rejects the same texts.
void expectSamePair(const std::string& text) {
    Quad fast{7.0, 7.0}, exact{7.0, 7.0};
    const bool okFast = quorl::parseQuad(text, fast);
    const bool okExact = quorl::detail::parseQuadExact(text, exact);
    ASSERT_EQ(okFast, okExact) << text;
    ASSERT_EQ(std::signbit(fast.hi), std::signbit(exact.hi)) << text;
    ASSERT_EQ(fast.hi, exact.hi) << text;
    ASSERT_EQ(fast.lo, exact.lo) << text;
    ASSERT_EQ(std::signbit(fast.lo), std::signbit(exact.lo)) << text;
}

TEST(DecimalParse, ShortDecimalFastPathGivesTheExactPair) {
    constexpr int kRandomTexts = kSanitized ? 200000 : 2000000;
    // Random texts in every shape a run meets: up to 21 digits, a point
    // anywhere or none, leading zeros, exponents of every letter and width.
    std::mt19937_64 rng(20261209);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    for (int n = 0; n < kRandomTexts; ++n) {
        std::string t = pick(3) == 0 ? "-" : pick(8) == 0 ? "+" : "";
        std::string digits(static_cast<std::size_t>(pick(3) == 0 ? pick(4) : 0), '0');
        const int k = 1 + pick(21);
        for (int i = 0; i < k; ++i) {
            digits += static_cast<char>('0' + pick(10));
        }
        const int point = pick(digits.size() + 2) - 1;  // -1: no point
        if (point >= 0) {
            digits.insert(static_cast<std::size_t>(point), 1, '.');
        }
        t += digits;
        if (pick(4) != 0) {
            t += "eEdD"[pick(4)];
            t += pick(3) == 0 ? "-" : pick(3) == 0 ? "+" : "";
            const int e = pick(6) == 0 ? pick(400) : pick(40);
            t += (pick(8) == 0 ? "0" : "") + std::to_string(e);
        }
        expectSamePair(t);
    }
    // Every boundary of the fast path: digit counts at and around 2^53 and
    // 19 digits, powers of ten at and beyond the exact ones (+-22), zeros
    // moved from the exponent into the digits, malformed texts.
    const char* mantissas[] = {"1", "9", "5", "9007199254740991", "9007199254740992", "9007199254740993",
                               "900719925474099", "900719925474100", "1000000000000000", "9999999999999999",
                               "1000000000000000000", "9999999999999999999", "18446744073709551615",
                               "10000000000000000000", "0", "00000"};
    for (const char* m : mantissas) {
        for (int e = -26; e <= 40; ++e) {
            for (const std::string& form : {std::string(m), std::string(m) + ".", std::string(".") + m,
                                            std::string(m).insert(std::string(m).size() / 2, ".")}) {
                expectSamePair(form + "e" + std::to_string(e));
                expectSamePair("-" + form + "D" + std::to_string(e));
            }
        }
    }
    // The small values of the drawing files (0.459242550E-16: D / 10^25),
    // and every digit count with powers 10^-23 .. 10^-28 and around them.
    for (int n = 0; n < kRandomTexts / 4; ++n) {
        const int count = n % 2 == 0 ? 9 : 1 + pick(17);
        std::string t = pick(2) == 0 ? "-0." : "0.";
        t += static_cast<char>('1' + pick(9));
        for (int i = 1; i < count; ++i) {
            t += static_cast<char>('0' + pick(10));
        }
        const int x = 21 + pick(9) - count;  // the value is D * 10^-(count + x)
        expectSamePair(t + (x >= 0 ? "E-" : "E+") + std::to_string(x >= 0 ? x : -x));
    }
    // Fields of 17 to 19 digits, as every program that writes doubles
    // writes them (%.17g of random doubles over the range the fast path
    // takes, 1e-27 .. 1e38), and values exact in binary that sit on a tie of
    // the head: D = 5^m (2^53 + 1) 2^j written over 10^m.
    std::uniform_real_distribution<double> logScale(-27.0, 37.0);
    for (int n = 0; n < kRandomTexts / 2; ++n) {
        char buf[40];
        std::snprintf(buf, sizeof buf, n % 3 == 0 ? "%.19g" : "%.17g", std::pow(10.0, logScale(rng)));
        expectSamePair(buf);
    }
    for (int m = 1; m <= 8; ++m) {
        for (int j = 0; j <= 2; ++j) {
            std::uint64_t d = ((std::uint64_t{1} << 53) + 1) << j;
            for (int i = 0; i < m && d <= UINT64_MAX / 5; ++i) {
                d *= 5;
            }
            expectSamePair(std::to_string(d) + "e-" + std::to_string(m));
        }
    }
    for (const char* bad : {"", "-", ".", "1..2", "1e", "1e+", "1e12345", "1x", "e5", "1.5e-3 ", "--1", "1e+-2"}) {
        expectSamePair(bad);
    }
}

TEST(DecimalParse, TiesAtTheLastBitOfTheTailGoToEvenOnBothPaths) {
    // h + m written out exactly, m the midpoint of two neighbouring doubles
    // l and l+: the head is h and the tail the one of l, l+ that is even.
    std::mt19937_64 rng(106);
    std::uniform_real_distribution<double> unit(1.0, 2.0);
    for (int n = 0; n < 2000; ++n) {
        const double h = unit(rng);
        const double l = std::ldexp(unit(rng), -55) * ((rng() & 1) != 0 ? 1 : -1);
        const double next = std::nextafter(l, 1.0);
        const __float128 v = static_cast<__float128>(h) + (static_cast<__float128>(l) + next) / 2;
        char buf[200];
        quadmath_snprintf(buf, sizeof buf, "%.115Qf", v);
        expectSamePair(buf);
        const Quad q = quadFromText(buf);
        EXPECT_EQ(q.hi, h) << buf;
        EXPECT_EQ(q.lo, (std::bit_cast<std::uint64_t>(l) & 1U) == 0 ? l : next) << buf;
    }
}

}  // namespace
