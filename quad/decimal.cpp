// Decimal text to the nearest double-double, exactly.
//
// The text is read as an integer D of its significant digits and a decimal
// exponent E, value = D * 10^E, held as the exact fraction num / den of big
// integers. The head is that fraction rounded to the nearest double (ties to
// even, gradual underflow, overflow to infinity); the tail is the exact
// difference (value - head), again a fraction, rounded the same way.
//
// Most texts a run reads are short (the fields of its own point list, the
// values of its configuration): at most 19 significant digits D and a power
// of ten E with D*10^E within reach of exact double arithmetic. Those take a
// fast path that gives the same pair with a few floating-point operations
// (see parseShortDecimal); every other text takes the exact general conversion.
#include "quad/decimal.hpp"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "quad/bignum.hpp"
#include "quad/eft.hpp"

namespace quorl {

namespace {

using detail::BigUint;

// Significant digits kept from a longer input. The rest only decide ties, so
// they are folded into one sticky digit: every tie point of a head or tail
// has far fewer significant digits than this.
constexpr int kMaxDigits = 1600;

// num / den (den > 0), rounded to the nearest double, ties to even.
double roundFraction(const BigUint& num, const BigUint& den) {
    if (num.isZero()) {
        return 0.0;
    }
    // floor(log2(num / den)) is L or L - 1.
    int L = num.bitLength() - den.bitLength();
    {
        BigUint a = num, b = den;
        if (L >= 0) {
            b.shiftLeft(L);
        } else {
            a.shiftLeft(-L);
        }
        if (compare(a, b) < 0) {
            --L;
        }
    }
    if (L > 1023) {
        return std::numeric_limits<double>::infinity();
    }
    // value = q * 2^e2 + rest, q of 53 bits (fewer when subnormal).
    const int e2 = L - 52 < -1074 ? -1074 : L - 52;
    BigUint a = num, b = den;
    if (e2 >= 0) {
        b.shiftLeft(e2);
    } else {
        a.shiftLeft(-e2);
    }
    BigUint q;
    a.divMod(b, q);  // a is now the remainder
    std::uint64_t m = q.limb(0);
    a.shiftLeft(1);
    const int c = compare(a, b);
    if (c > 0 || (c == 0 && (m & 1U) != 0)) {
        ++m;
    }
    return std::ldexp(static_cast<double>(m), e2);  // exact, or overflows to infinity
}

// x = m * 2^e exactly, with m a 53-bit integer (x finite, nonzero).
void decompose(double x, std::uint64_t& m, int& e) {
    int ex;
    const double f = std::frexp(std::fabs(x), &ex);
    m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    e = ex - 53;
}


// The parts of a decimal text, [+-]significand[(E|e|D|d)[+-]digits], the
// significand digits with at most one point and at least one digit. Both
// conversions read a text through it, so they accept the same texts.
struct DecimalParts {
    bool negative = false;
    std::string_view significand;
    long exponent = 0;      // capped at 10^8 in magnitude: beyond, every value is 0 or infinite
    int exponentDigits = 0;
};

bool splitDecimal(std::string_view text, DecimalParts& parts) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    parts.negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        parts.negative = text[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    bool anyDigit = false, seenPoint = false;
    for (; i < n; ++i) {
        if (text[i] == '.') {
            if (seenPoint) {
                return false;
            }
            seenPoint = true;
        } else if (text[i] >= '0' && text[i] <= '9') {
            anyDigit = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return false;
    }
    parts.significand = text.substr(start, i - start);
    parts.exponent = 0;
    parts.exponentDigits = 0;
    if (i == n) {
        return true;
    }
    if (text[i] != 'e' && text[i] != 'E' && text[i] != 'd' && text[i] != 'D') {
        return false;
    }
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        expNegative = text[i] == '-';
        ++i;
    }
    if (i == n) {
        return false;
    }
    long e = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        if (e < 100000000) {
            e = e * 10 + (text[i] - '0');
        }
        ++parts.exponentDigits;
    }
    parts.exponent = expNegative ? -e : e;
    return true;
}

__extension__ typedef unsigned __int128 U128;
__extension__ typedef __int128 I128;

// The pair of an integer N < 2^128 times 2^scale, exactly: the head is N
// rounded to the nearest double (the conversion of an integer is correctly
// rounded, ties to even), the rest N - head an exact integer of at most 75
// bits, rounded the same way.
// 2^e for a normal double (-1022 <= e <= 1023): a product with it is
// exact wherever the result stays normal, as here, without a library call.
double powerOfTwo(int e) { return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52); }

Quad pairOfInteger(U128 n, int scale) {
    const double head = static_cast<double>(n);
    const I128 rest = static_cast<I128>(n - static_cast<U128>(head));
    const double f = powerOfTwo(scale);
    return Quad{head * f, static_cast<double>(rest) * f};
}

// (high 2^64 + low) / divisor for high < divisor, so that the quotient fits
// in 64 bits: one hardware division on x86-64 (the 128-bit division of the
// compiler's library is a loop some ten times slower).
std::uint64_t divideWords(std::uint64_t high, std::uint64_t low, std::uint64_t divisor, std::uint64_t& remainder) {
#if defined(__x86_64__)
    std::uint64_t quotient;
    __asm__("divq %4" : "=a"(quotient), "=d"(remainder) : "a"(low), "d"(high), "rm"(divisor));
    return quotient;
#else
    const U128 x = (static_cast<U128>(high) << 64) | low;
    remainder = static_cast<std::uint64_t>(x % divisor);
    return static_cast<std::uint64_t>(x / divisor);
#endif
}

// 5^m for m = 0 .. 27.
constexpr auto kPowersOfFive = [] {
    std::array<std::uint64_t, 28> p{};
    p[0] = 1;
    for (std::size_t i = 1; i < p.size(); ++i) {
        p[i] = p[i - 1] * 5;
    }
    return p;
}();

// The largest m of D / 10^m the product below takes: beyond it, every
// value of at most 20 digits has a subnormal tail (or is zero).
constexpr int kMaxReciprocal = 340;

// 1 / 5^m for m = 1 .. kMaxReciprocal as a 192-bit integer R with
// 2^k / 5^m <= R < 2^k / 5^m + 2 and 2^191 < R < 2^192 (k = 0: no R).
// They come from N_m, a 320-bit approximation from below of 2^s / 5^m
// (its leading bit at 319), formed by dividing N_(m-1) 2^64 by 5 and
// dropping what falls below 320 bits: each step loses less than one unit,
// so N_m lies within m units (far below 2^128) of 2^s / 5^m, and
// R = floor(N_m / 2^128) + 2 with k = s - 128.
struct Reciprocal {
    std::uint64_t w[3];  // least significant first
    int k;
};
constexpr auto kReciprocalsOfFive = [] {
    std::array<Reciprocal, kMaxReciprocal + 1> r{};
    std::uint64_t n[5] = {0, 0, 0, 0, std::uint64_t{1} << 63};
    int s = 319;
    for (std::size_t m = 1; m < r.size(); ++m) {
        std::uint64_t q[6];
        U128 rem = 0;
        for (int i = 5; i >= 0; --i) {
            const U128 cur = (rem << 64) | (i >= 1 ? n[i - 1] : 0);
            q[i] = static_cast<std::uint64_t>(cur / 5);
            rem = cur % 5;
        }
        const int lz = __builtin_clzll(q[5]);
        for (int i = 0; i < 5; ++i) {
            n[i] = lz == 0 ? q[i + 1] : (q[i + 1] << lz) | (q[i] >> (64 - lz));
        }
        s += lz;
        std::uint64_t w[3] = {n[2], n[3], n[4]};
        bool carry = (w[0] += 2) < 2;
        carry = carry && ++w[1] == 0;
        carry = carry && ++w[2] == 0;
        r[m] = carry || w[2] == 0 ? Reciprocal{{0, 0, 0}, 0} : Reciprocal{{w[0], w[1], w[2]}, s - 128};
    }
    return r;
}();

// The leading 128 bits T of D / 5^m (2^127 <= T < 2^128) and the power of
// two of their last bit in D / 10^m, when one product D * R decides them
// and 5^m does not divide D; false otherwise. With X = D 2^k / 5^m, the
// 256-bit product P = D R lies in [X, X + 2D), so T' = floor(P / 2^t) (P's
// leading 128 bits) is floor(X / 2^t) unless a multiple of 2^t lies in
// (X, P], which needs P mod 2^t < 2D: that case is left to the long
// division. It includes every D that 5^m divides, where X is a multiple
// of 2^k (k > t) and P mod 2^t = P - X < 2D.
bool leadingBitsOfQuotient(std::uint64_t digits, int m, U128& t, int& scale) {
    const Reciprocal& r = kReciprocalsOfFive[static_cast<std::size_t>(m)];
    if (r.k == 0) {
        return false;
    }
    const U128 a0 = static_cast<U128>(digits) * r.w[0];
    const U128 a1 = static_cast<U128>(digits) * r.w[1];
    const U128 a2 = static_cast<U128>(digits) * r.w[2];
    const U128 s1 = (a0 >> 64) + static_cast<std::uint64_t>(a1);
    const U128 s2 = (a1 >> 64) + static_cast<std::uint64_t>(a2) + (s1 >> 64);
    const std::uint64_t p3 = static_cast<std::uint64_t>(a2 >> 64) + static_cast<std::uint64_t>(s2 >> 64);
    const U128 high = (static_cast<U128>(p3) << 64) | static_cast<std::uint64_t>(s2);
    const U128 low = (static_cast<U128>(static_cast<std::uint64_t>(s1)) << 64) | static_cast<std::uint64_t>(a0);
    // P >= R > 2^191: its length is 192 .. 256 bits, t = 64 .. 128.
    const int shift = p3 == 0 ? 64 : __builtin_clzll(p3);  // 128 - t
    const U128 below = shift == 0 ? low : low & ((static_cast<U128>(1) << (128 - shift)) - 1);
    if (below < 2 * static_cast<U128>(digits)) {
        return false;
    }
    t = shift == 0 ? high : (high << shift) | (low >> (128 - shift));
    scale = 128 - shift - r.k - m;
    return true;
}

// D / 10^m for 0 < m <= kMaxReciprocal and any D < 2^64: the pair the
// general conversion gives, from integers, or false. D / 10^m =
// (D / 5^m) 2^-m; the leading 128 bits T of D / 5^m come from a product
// with its reciprocal (leadingBitsOfQuotient), else, for m <= 27, from long
// division (beyond, false: the exact conversion answers): 5^m < 2^63, so four
// steps of long division by 5^m in base 2^64 give u = D / 5^m as a 256-bit
// number Q 2^-192 and a remainder. When 5^m divides D the value is the
// integer D / 5^m times 2^-m, taken exactly. Otherwise the remainder is
// never zero (5^m does not divide D 2^192): u lies strictly between two
// neighbouring values of Q, and no rounding of it is ever a tie. Q has its
// leading one at bit 129 or above (u >= 5^-27 > 2^-63). The leading 128
// bits T hold the 53 bits of the head and 75 below; the head is T rounded
// to 53 bits, the rest (below or above it) is the remaining bits plus the
// nonzero fraction, rounded again to 53 bits when its integer part has at
// least 54 (else the fraction could decide it: false, and the exact
// conversion answers; a value within 2^-74 of a double, as it does for a
// tail that would be subnormal).
bool divideByPowerOfTen(std::uint64_t digits, int m, bool negative, Quad& out) {
    U128 t;
    int scale;
    if (!leadingBitsOfQuotient(digits, m, t, scale)) {
        if (m > 27) {
            return false;
        }
        const std::uint64_t five = kPowersOfFive[static_cast<std::size_t>(m)];
        if (digits % five == 0) {
            const Quad exact = pairOfInteger(digits / five, -m);
            out = negative ? Quad{-exact.hi, -exact.lo} : exact;
            return true;
        }
        std::uint64_t q[4];
        std::uint64_t r = 0;
        for (int i = 0; i < 4; ++i) {
            q[i] = divideWords(r, i == 0 ? digits : 0, five, r);
        }
        // Normalise: the leading one of Q to bit 127 of T; `lead` is the
        // word that holds it (0 or 1: Q >= 2^129).
        const int lead = q[0] != 0 ? 0 : 1;
        const int shift = __builtin_clzll(q[lead]);
        t = (static_cast<U128>(q[lead]) << 64) | q[lead + 1];
        if (shift > 0) {
            t = (t << shift) | (q[lead + 2] >> (64 - shift));
        }
        // u 2^-m = (T + f) 2^scale with 0 < f < 1 (the bits of Q left below
        // T and the remainder): T's last bit is bit 128 + 64 (1 - lead) -
        // shift of Q, which counts 2^-192.
        scale = 64 * (1 - lead) - 128 - shift - m;
    }
    constexpr int kRestBits = 75;
    const U128 restMask = (static_cast<U128>(1) << kRestBits) - 1;
    std::uint64_t head = static_cast<std::uint64_t>(t >> kRestBits);
    const U128 restBits = t & restMask;
    const U128 half = static_cast<U128>(1) << (kRestBits - 1);
    const bool up = restBits >= half;  // == half is above half, f > 0
    // |rest| in units of 2^scale: an integer part and a nonzero fraction.
    const U128 rest = up ? (restMask - restBits) : restBits;  // 2^75 - restBits - 1 when up
    if (up) {
        ++head;
    }
    if (rest >> 53 == 0) {
        return false;
    }
    const int restLength = 128 - (static_cast<std::uint64_t>(rest >> 64) != 0
                                      ? __builtin_clzll(static_cast<std::uint64_t>(rest >> 64))
                                      : 64 + __builtin_clzll(static_cast<std::uint64_t>(rest)));
    const int drop = restLength - 53;
    if (scale + drop < -1022) {
        return false;  // a subnormal tail: fewer bits than 53
    }
    const double hi = static_cast<double>(head) * powerOfTwo(scale + kRestBits);
    std::uint64_t tail = static_cast<std::uint64_t>(rest >> drop);
    const U128 dropped = rest & ((static_cast<U128>(1) << drop) - 1);
    if (dropped >= (static_cast<U128>(1) << (drop - 1))) {
        ++tail;  // at or above half: the nonzero fraction puts it above
    }
    const double lo = static_cast<double>(tail) * powerOfTwo(scale + drop) * (up ? -1.0 : 1.0);
    out = negative ? Quad{-hi, -lo} : Quad{hi, lo};
    return true;
}

// Eight bytes of text, the first in the lowest byte: all decimal digits?
bool eightDigits(std::uint64_t chunk) {
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL, kZeros = 0x3030303030303030ULL;
    return (chunk & kHigh) == kZeros && ((chunk + 0x0606060606060606ULL) & kHigh) == kZeros;
}

// Their value: neighbouring digits joined into pairs, the pairs into
// fours, the fours into eight, by multiplications within the word.
std::uint64_t valueOfEightDigits(std::uint64_t chunk) {
    chunk -= 0x3030303030303030ULL;
    chunk = chunk * 10 + (chunk >> 8);
    constexpr std::uint64_t kMask = 0x000000FF000000FFULL;
    return (((chunk & kMask) * (100 + (1000000ULL << 32))) + (((chunk >> 16) & kMask) * (1 + (10000ULL << 32)))) >>
           32;
}

}  // namespace

// The fast path: texts whose value is zero, or D * 10^E with an integer D <= 2^53
// and |E| <= 22 (after moving zeros of a larger E into D), both exact
// doubles, or -340 <= E < -22 (divideByPowerOfTen: the small values of the
// drawing files, 0.459242550E-16, and of physics, 1.602176634e-19), or
// D < 2^64 (17 to 19 digits) with -340 <= E <= 19 (a 128-bit integer, or
// divideByPowerOfTen). The result is the pair the general
// conversion gives, the double nearest the value and the double nearest
// the rest:
//  - E >= 0: D * 10^E is exactly p + e (the product and its exact error,
//    error-free), so the head is p = fl(D * 10^E) and the rest e is exact;
//  - E < 0: the head q = fl(D / 10^-E) is the correctly rounded quotient;
//    the remainder r = D - q * 10^-E is an exact double (true of the
//    remainder of any correctly rounded division without underflow) and is
//    formed exactly: q * 10^-E = p + e error-free, D - p is exact because p
//    lies within a factor 2 of D, and (D - p) - e rounds to r because r is
//    representable. The rest of the value is r / 10^-E, whose correctly
//    rounded quotient is the tail.
// Returns false, without touching `out`, for every other text, well formed
// or not: the general conversion then reads it or rejects it.
bool parseShortDecimal(std::string_view text, Quad& out) {
    // One pass over the text: the significant digits (at most 19, leading
    // zeros skipped), the point, the exponent (at most 4 digits).
    const char* p = text.data();
    const char* const end = p + text.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    std::uint64_t digits = 0;
    int kept = 0;
    long exp10 = 0;
    bool anyDigit = false;
    auto readDigits = [&](bool afterPoint) {
        // Eight digits at once while they fit beside those kept.
        while (std::endian::native == std::endian::little && kept > 0 && kept <= 11 && end - p >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, p, 8);
            if (!eightDigits(chunk)) {
                break;
            }
            digits = digits * 100000000 + valueOfEightDigits(chunk);
            kept += 8;
            exp10 -= afterPoint ? 8 : 0;
            p += 8;
        }
        for (; p != end; ++p) {
            const auto d = static_cast<unsigned>(*p - '0');
            if (d > 9) {
                return true;
            }
            anyDigit = true;
            exp10 -= afterPoint ? 1 : 0;
            if (kept == 0 && d == 0) {
                continue;
            }
            if (kept == 19) {
                return false;
            }
            digits = digits * 10 + d;
            ++kept;
        }
        return true;
    };
    if (!readDigits(false)) {
        return false;
    }
    if (p != end && *p == '.') {
        ++p;
        if (!readDigits(true)) {
            return false;
        }
    }
    if (!anyDigit) {
        return false;
    }
    if (p != end) {
        if (*p != 'e' && *p != 'E' && *p != 'd' && *p != 'D') {
            return false;
        }
        ++p;
        bool expNegative = false;
        if (p != end && (*p == '+' || *p == '-')) {
            expNegative = *p == '-';
            ++p;
        }
        if (p == end || end - p > 4) {
            return false;
        }
        long e = 0;
        for (; p != end; ++p) {
            const auto d = static_cast<unsigned>(*p - '0');
            if (d > 9) {
                return false;
            }
            e = e * 10 + d;
        }
        exp10 += expNegative ? -e : e;
    }
    return shortDecimalValue(digits, exp10, negative, out);
}

bool shortDecimalValue(std::uint64_t digits, long exp10, bool negative, Quad& out) {
    if (digits == 0) {
        out = Quad{negative ? -0.0 : 0.0, 0.0};
        return true;
    }
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    if (digits > kExactLimit) {
        // 17 to 19 digits (what every program that writes doubles writes):
        // D * 10^E as a 128-bit integer for E >= 0, else by long division.
        if (exp10 >= 0 && exp10 <= 19) {
            U128 n = digits;
            for (long i = 0; i < exp10; ++i) {
                n *= 10;
            }
            const Quad v = pairOfInteger(n, 0);
            out = negative ? Quad{-v.hi, -v.lo} : v;
            return true;
        }
        if (exp10 < 0 && exp10 >= -kMaxReciprocal) {
            return divideByPowerOfTen(digits, static_cast<int>(-exp10), negative, out);
        }
        return false;
    }
    while (exp10 > 22 && digits <= kExactLimit / 10) {
        digits *= 10;
        --exp10;
    }
    if (exp10 < -22 && exp10 >= -kMaxReciprocal) {
        return divideByPowerOfTen(digits, static_cast<int>(-exp10), negative, out);
    }
    if (exp10 > 22 || exp10 < -22) {
        return false;
    }
    const double d = static_cast<double>(digits);
    double hi, lo;
    if (exp10 >= 0) {
        eft::twoProd(d, detail::kExactPow10[exp10], hi, lo);
    } else {
        const double scale = detail::kExactPow10[-exp10];
        hi = d / scale;
        double p, e;
        eft::twoProd(hi, scale, p, e);
        lo = ((d - p) - e) / scale;
    }
    out = negative ? Quad{-hi, -lo} : Quad{hi, lo};
    return true;
}

bool parseQuad(std::string_view text, Quad& out) { return parseShortDecimal(text, out) || detail::parseQuadExact(text, out); }

namespace detail {

bool parseQuadExact(std::string_view text, Quad& out) {
    DecimalParts parts;
    if (!splitDecimal(text, parts)) {
        return false;
    }
    const bool negative = parts.negative;
    BigUint digits;
    int kept = 0;
    bool sticky = false, seenPoint = false;
    long exp10 = parts.exponent;  // value = digits * 10^exp10
    for (const char ch : parts.significand) {
        if (ch == '.') {
            seenPoint = true;
            continue;
        }
        const int d = ch - '0';
        if (kept == 0 && d == 0) {
            if (seenPoint) {
                --exp10;
            }
            continue;
        }
        if (kept < kMaxDigits) {
            digits.mulAdd(10, static_cast<std::uint64_t>(d));
            ++kept;
            if (seenPoint) {
                --exp10;
            }
        } else {
            sticky = sticky || d != 0;
            if (!seenPoint) {
                ++exp10;
            }
        }
    }
    const double signOne = negative ? -1.0 : 1.0;
    if (digits.isZero()) {
        out = Quad{std::copysign(0.0, signOne), 0.0};
        return true;
    }
    if (sticky) {
        digits.mulAdd(10, 1);
        --exp10;
    }
    // Magnitude is below 10^(exp10 + kept); beyond the double range the
    // result is known without big arithmetic.
    const long magnitude = exp10 + kept;
    if (magnitude > 310) {
        out = Quad{signOne * std::numeric_limits<double>::infinity(), 0.0};
        return true;
    }
    if (magnitude < -330) {
        out = Quad{std::copysign(0.0, signOne), 0.0};
        return true;
    }

    BigUint num = digits, den(1);
    if (exp10 >= 0) {
        num.mulPow10(static_cast<int>(exp10));
    } else {
        den.mulPow10(static_cast<int>(-exp10));
    }
    const double hi = roundFraction(num, den);
    double lo = 0.0;
    if (std::isfinite(hi)) {
        // value - hi = (num - m 2^e den) / den, scaled to integers.
        std::uint64_t m;
        int e;
        decompose(hi, m, e);
        BigUint h(m);
        h.mul(den);
        BigUint n = num;
        if (e >= 0) {
            h.shiftLeft(e);
        } else {
            n.shiftLeft(-e);
            den.shiftLeft(-e);
        }
        const int c = compare(n, h);
        if (c > 0) {
            n.sub(h);
            lo = roundFraction(n, den);
        } else if (c < 0) {
            h.sub(n);
            lo = -roundFraction(h, den);
        }
    }
    out = Quad{signOne * hi, signOne * lo};
    return true;
}

}  // namespace detail

Quad quadFromText(std::string_view text) {
    Quad q{};
    if (!parseQuad(text, q)) {
        throw std::invalid_argument("not a decimal number: '" + std::string(text) + "'");
    }
    return q;
}

namespace literals {
Quad operator""_q(const char* text) { return quadFromText(text); }
}  // namespace literals

}  // namespace quorl
