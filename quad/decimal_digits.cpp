// Exact decimal expansion of a double-double, correctly rounded.
//
// The value hi + lo is first made one exact binary number m * 2^e (m a big
// integer). Scaling it by 10^s and rounding to an integer is then either a
// multiplication and a right shift whose dropped bits decide the rounding
// (s >= 0, the usual case), or a long division whose remainder decides it.
// Ties go to even, which is how an exact binary value that sits halfway
// between two decimal neighbours is written.
//
// Few digits of a value in the usual range (the e18.9 fields of a drawing,
// the digits of a report) take a fast path with the same results: the
// scaled value |v| * 10^s is formed in double-double arithmetic to within
// 2^-103 of itself, which decides the rounding unless the scaled value
// lies within 1e-12 of a half; such values, and every value outside the
// fast path's range, take the exact path.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "quad/bignum.hpp"
#include "quad/decimal.hpp"
#include "quad/eft.hpp"

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


// ---- the fast path --------------------------------------------------------

// The values the fast path takes: a normalised pair (|lo| <= 2^-52 |hi|)
// with its head between 2^-900 and 2^900, so that no step below underflows
// or overflows.
bool fastDomain(Quad v) {
    const double h = std::fabs(v.hi);
    return h >= 0x1p-900 && h <= 0x1p900 && std::fabs(v.lo) <= h * 0x1p-52;
}

// round(|v| * 10^s) for |s| <= 22 when the scaled value is below 2^50 and
// not within 1e-12 of a half; false otherwise. The scaled value S is formed
// as head + tail with |S - (head + tail)| <= 2^-103 S:
//  - s >= 0: |v| 10^s = p + e + lo 10^s exactly (p + e = |hi| 10^s error-
//    free); the product lo 10^s and the sum of the small terms each round
//    by at most 2^-53 of a term below 2^-51 S;
//  - s < 0: q = fl(|hi| / 10^-s), its remainder r = |hi| - q 10^-s is exact
//    (formed error-free: q 10^-s = p + e, |hi| - p is exact, r is
//    representable), and S = q + (r + lo) / 10^-s, whose two roundings are
//    again of a term below 2^-51 S;
//  - 22 < s <= 44 (values far below 1): 10^s is the exact pair of the
//    error-free product 10^22 * 10^(s-22), and S is its quad product with
//    |v|, whose roundings and dropped lo * lo term come to less than
//    2^-100 S.
// With S < 2^50 the fraction (head - floor(head)) + tail is then within
// 2^-50 of S - floor(head): far inside the 1e-12 margin.
bool roundScaledFast(Quad v, int s, std::uint64_t& n) {
    if (s < -22 || s > 44) {
        return false;
    }
    const double hi = std::fabs(v.hi);
    const double lo = v.hi < 0.0 ? -v.lo : v.lo;
    double head, tail;
    if (s > 22) {
        double ph, pl;
        eft::twoProd(detail::kExactPow10[22], detail::kExactPow10[s - 22], ph, pl);
        const Quad scaled = Quad{hi, lo} * Quad{ph, pl};
        head = scaled.hi;
        tail = scaled.lo;
    } else if (s >= 0) {
        const double scale = detail::kExactPow10[s];
        double e;
        eft::twoProd(hi, scale, head, e);
        tail = e + lo * scale;
    } else {
        const double scale = detail::kExactPow10[-s];
        head = hi / scale;
        double p, e;
        eft::twoProd(head, scale, p, e);
        const double r = (hi - p) - e;
        tail = (r + lo) / scale;
    }
    if (!(head < 0x1p50)) {
        return false;
    }
    const double whole = std::floor(head);
    const double fraction = (head - whole) + tail;
    if (std::fabs(fraction - 0.5) <= 1e-12) {
        return false;
    }
    n = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    return true;
}

void appendDigits64(std::uint64_t v, std::string& out) {
    char buf[24];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    out.assign(buf, static_cast<std::size_t>(end - buf));
}

bool fixedDigitsFast(Quad v, int decimals, std::string& digits) {
    std::uint64_t n;
    if (!fastDomain(v) || !roundScaledFast(v, decimals, n)) {
        return false;
    }
    appendDigits64(n, digits);
    return true;
}

// The same search for the exponent as the exact path, from the same first
// guess (2^(b-1) <= |v| < 2^b, b from the head and the sign of the tail),
// so that a value with two correct spellings (0.100 10^k and 0.99997
// 10^(k-1) at a rounding boundary) gets the same one.
bool scientificDigitsFast(Quad v, int count, std::uint64_t& nOut, int& kOut) {
    if (count < 1 || count > 15 || !fastDomain(v)) {
        return false;
    }
    // |hi| = 1.f * 2^(b-1) (a normal double); b one lower when |hi| is a
    // power of two and the tail takes the value below it.
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(v.hi);
    const int e2 = static_cast<int>((bits >> 52) & 0x7ff) - 1022;
    const bool powerOfTwo = (bits & 0xfffffffffffffULL) == 0;
    const double lo = v.hi < 0.0 ? -v.lo : v.lo;
    const int b = powerOfTwo && lo < 0.0 ? e2 - 1 : e2;
    int k = static_cast<int>(std::floor((b - 1) * 0.30102999566398120)) + 1;
    const std::uint64_t upper = static_cast<std::uint64_t>(detail::kExactPow10[count]);
    const std::uint64_t lower = static_cast<std::uint64_t>(detail::kExactPow10[count - 1]);
    for (int guard = 0; guard < 8; ++guard) {
        std::uint64_t n;
        if (!roundScaledFast(v, count - k, n)) {
            return false;
        }
        if (n >= upper) {
            ++k;
        } else if (n < lower) {
            --k;
        } else {
            nOut = n;
            kOut = k;
            return true;
        }
    }
    return false;
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
    if (!fixedDigitsFast(v, decimals, digits)) {
        detail::fixedDigitsExact(v, decimals, digits);
    }
}

int scientificDigits(Quad v, int count, std::string& digits) {
    std::uint64_t n;
    int k;
    if (scientificDigitsFast(v, count, n, k)) {
        appendDigits64(n, digits);
        return k;
    }
    return detail::scientificDigitsExact(v, count, digits);
}

bool scientificDigitsShort(Quad v, int count, std::uint64_t& n, int& k) { return scientificDigitsFast(v, count, n, k); }

namespace detail {

void fixedDigitsExact(Quad v, int decimals, std::string& digits) {
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

int scientificDigitsExact(Quad v, int count, std::string& digits) {
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

}  // namespace detail

}  // namespace quorl
