// Decimal text to the nearest double-double, exactly.
//
// The text is read as an integer D of its significant digits and a decimal
// exponent E, value = D * 10^E, held as the exact fraction num / den of big
// integers. The head is that fraction rounded to the nearest double (ties to
// even, gradual underflow, overflow to infinity); the tail is the exact
// difference (value - head), again a fraction, rounded the same way.
#include "quad/decimal.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "quad/bignum.hpp"

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

}  // namespace

bool parseQuad(std::string_view text, Quad& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    BigUint digits;
    int kept = 0;
    bool sticky = false, anyDigit = false, seenPoint = false;
    long exp10 = 0;  // value = digits * 10^exp10
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '.') {
            if (seenPoint) {
                return false;
            }
            seenPoint = true;
            continue;
        }
        if (ch < '0' || ch > '9') {
            break;
        }
        anyDigit = true;
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
    if (!anyDigit) {
        return false;
    }
    if (i < text.size()) {
        const char ch = text[i];
        if (ch != 'e' && ch != 'E' && ch != 'd' && ch != 'D') {
            return false;
        }
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            expNegative = text[i] == '-';
            ++i;
        }
        if (i == text.size()) {
            return false;
        }
        long e = 0;
        for (; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return false;
            }
            if (e < 100000000) {
                e = e * 10 + (text[i] - '0');
            }
        }
        exp10 += expNegative ? -e : e;
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
