// Exact decimal expansion of a double-double, correctly rounded.
//
// The value hi + lo is first made one exact binary number m * 2^e (m a big
// integer). Scaling it by 10^s and rounding to an integer is then either a
// multiplication and a right shift whose dropped bits decide the rounding
// (s >= 0, the usual case), or a long division whose remainder decides it.
// Ties go to even, which is how an exact binary value that sits halfway
// between two decimal neighbours is written.
#include <cmath>
#include <cstdint>

#include "quad/bignum.hpp"
#include "quad/decimal.hpp"

namespace quorl {

namespace {

using detail::BigUint;
using detail::U128;

// |x| = m * 2^e, m < 2^53 (x finite, nonzero).
void splitDouble(double x, std::uint64_t& m, int& e) {
    int ex;
    const double f = std::frexp(std::fabs(x), &ex);
    m = static_cast<std::uint64_t>(std::ldexp(f, 53));
    e = ex - 53;
}

// |hi + lo| = m * 2^e exactly.
void exactMagnitude(Quad v, BigUint& m, int& e) {
    if (v.hi == 0.0 && v.lo == 0.0) {
        m.set(0);
        e = 0;
        return;
    }
    if (v.lo == 0.0 || v.hi == 0.0) {
        std::uint64_t mm;
        splitDouble(v.lo == 0.0 ? v.hi : v.lo, mm, e);
        m.set(mm);
        return;
    }
    std::uint64_t mh, ml;
    int eh, el;
    splitDouble(v.hi, mh, eh);
    splitDouble(v.lo, ml, el);
    e = eh < el ? eh : el;
    BigUint a(mh), b(ml);
    a.shiftLeft(eh - e);
    b.shiftLeft(el - e);
    const bool sameSign = (v.hi < 0.0) == (v.lo < 0.0);
    if (sameSign) {
        a.add(b);
        m = a;
    } else if (compare(a, b) >= 0) {
        a.sub(b);
        m = a;
    } else {
        b.sub(a);
        m = b;
    }
}

// round(m * 2^e * 10^s), ties to even.
void roundScaled(const BigUint& m, int e, int s, BigUint& out) {
    if (s >= 0) {
        out = m;
        out.mulPow10(s);
        if (e >= 0) {
            out.shiftLeft(e);
            return;
        }
        const int k = -e;
        const bool half = out.bit(k - 1);
        const bool sticky = half && out.anyBelow(k - 1);
        out.shiftRight(k);
        if (half && (sticky || (out.limb(0) & 1U) != 0)) {
            out.addSmall(1);
        }
        return;
    }
    BigUint num = m, den(1);
    den.mulPow10(-s);
    if (e >= 0) {
        num.shiftLeft(e);
    } else {
        den.shiftLeft(-e);
    }
    num.divMod(den, out);  // num is now the remainder
    num.shiftLeft(1);
    const int c = compare(num, den);
    if (c > 0 || (c == 0 && (out.limb(0) & 1U) != 0)) {
        out.addSmall(1);
    }
}

void appendDigits(U128 v, std::string& out) {
    char buf[40];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + static_cast<int>(v % 10));
        v /= 10;
    } while (v != 0);
    while (n > 0) {
        out.push_back(buf[--n]);
    }
}

// Decimal digits of n, no leading zeros ("0" for zero).
void toDecimal(BigUint& n, std::string& out) {
    out.clear();
    if (n.limbs() <= 2) {
        appendDigits(n.low128(), out);
        return;
    }
    // Nineteen digits per chunk, least significant chunk first.
    std::uint64_t chunks[BigUint::kCapacity * 20 / 19 + 2];
    int count = 0;
    while (n.limbs() > 1 || n.limb(0) >= 10000000000000000000ULL) {
        chunks[count++] = n.divSmall(10000000000000000000ULL);
    }
    appendDigits(n.limb(0), out);
    for (int i = count - 1; i >= 0; --i) {
        std::uint64_t c = chunks[i];
        char buf[19];
        for (int j = 18; j >= 0; --j) {
            buf[j] = static_cast<char>('0' + c % 10);
            c /= 10;
        }
        out.append(buf, 19);
    }
}

BigUint powerOfTen(int k) {
    BigUint p(1);
    p.mulPow10(k);
    return p;
}

}  // namespace

bool isNegativeValue(Quad v) {
    if (v.hi == 0.0 && v.lo == 0.0) {
        return std::signbit(v.hi);
    }
    if (v.hi == 0.0) {
        return v.lo < 0.0;
    }
    if (v.lo == 0.0 || (v.hi < 0.0) == (v.lo < 0.0) || std::fabs(v.hi) > std::fabs(v.lo)) {
        return v.hi < 0.0;
    }
    // Opposite signs with |lo| >= |hi|: only an unnormalised pair.
    return std::fabs(v.lo) > std::fabs(v.hi) ? v.lo < 0.0 : std::signbit(v.hi);
}

void fixedDigits(Quad v, int decimals, std::string& digits) {
    BigUint m, n;
    int e;
    exactMagnitude(v, m, e);
    if (m.isZero()) {
        digits.assign(1, '0');
        return;
    }
    roundScaled(m, e, decimals, n);
    toDecimal(n, digits);
}

int scientificDigits(Quad v, int count, std::string& digits) {
    BigUint m, n;
    int e;
    exactMagnitude(v, m, e);
    // 2^(b-1) <= |v| < 2^b: the decimal exponent from b is off by at most
    // one, and rounding up to a new power of ten moves it by one more.
    const int b = m.bitLength() + e;
    int k = static_cast<int>(std::floor((b - 1) * 0.30102999566398120)) + 1;
    const BigUint upper = powerOfTen(count), lower = powerOfTen(count - 1);
    for (int guard = 0; guard < 8; ++guard) {
        roundScaled(m, e, count - k, n);
        if (compare(n, upper) >= 0) {
            ++k;
        } else if (compare(n, lower) < 0) {
            --k;
        } else {
            break;
        }
    }
    toDecimal(n, digits);
    return k;
}

}  // namespace quorl
