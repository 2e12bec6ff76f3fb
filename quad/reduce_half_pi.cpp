// Reduction of a quad real by multiples of pi/2 for sin, cos and tan:
// x = k pi/2 + r, |r| <= pi/4 (and a rounding), to about 2^-106 relative to r
// however large x is and however close it lies to a multiple of pi/2.
//
// Short reduction: for |x| < 2^28, k is the nearest integer to x 2/pi and
// k pi/2 is taken off with a three-part pi/2 and exact products, leaving an
// error near 2^-156 |x|. That is 2^-108 of r unless r has cancelled to below
// 2^-47 |x|; then, and for larger x, the long reduction runs.
//
// Long reduction: x 2/pi mod 4 is formed exactly in fixed point, 512 bits
// with 2 of them before the point, from a window of the bits of 2/pi. For
// the part d = M 2^E (M a 53-bit integer) of x, the bits of 2/pi of weight
// above 2^(1-E) only add multiples of 4 to d 2/pi and are skipped, and those
// beyond the window add less than 2^-450; so the window starts at bit E - 1
// and is 512 bits long, whatever E. Both parts of x go in, unless the tail
// is below 2^-70: then it is added to r at the end (it cannot cancel r,
// which is at least about 2^-61 for any double head). The fixed-point
// fraction, rounded to the nearest quadrant, becomes a three-part double and
// is multiplied by pi/2.
#include <bit>
#include <cmath>
#include <cstdint>

#include "quad/math_kernels.hpp"
#include "quad/trig_tables.hpp"

namespace quorl::detail {

namespace {

constexpr int kWords = 8;  // the fixed-point value: 8 words, least significant first
using Fixed = std::uint64_t[kWords];

// 64 bits of 2/pi starting at bit p (bit 1 is the first after the point);
// bits before the point are zero.
std::uint64_t twoOverPiWindow(int p) {
    if (p <= -63) {
        return 0;
    }
    if (p < 1) {
        return kTwoOverPiBits[0] >> (1 - p);
    }
    const int index = (p - 1) / 64;
    const int offset = (p - 1) % 64;
    std::uint64_t w = kTwoOverPiBits[index] << offset;
    if (offset != 0) {
        w |= kTwoOverPiBits[index + 1] >> (64 - offset);
    }
    return w;
}

// out += d 2/pi mod 4, in units of 2^(2 - 64 kWords), for a finite double d.
void addTimesTwoOverPi(double d, Fixed out) {
    if (d == 0.0) {
        return;
    }
    int exponent;
    const double mantissa = std::frexp(std::fabs(d), &exponent);
    const auto m = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));  // |d| = m 2^(exponent - 53)
    const int e = exponent - 53;

    // The product m * window, where window = the bits e-1 .. e-1 + 64 kWords - 1
    // of 2/pi as one integer, taken modulo 2^(64 kWords).
    Fixed y;
    unsigned __int128 carry = 0;
    for (int i = 0; i < kWords; ++i) {
        const std::uint64_t w = twoOverPiWindow(e - 1 + 64 * (kWords - 1 - i));
        const unsigned __int128 p = static_cast<unsigned __int128>(m) * w + carry;
        y[i] = static_cast<std::uint64_t>(p);
        carry = p >> 64;
    }
    if (d < 0.0) {  // two's complement negation
        unsigned __int128 c = 1;
        for (int i = 0; i < kWords; ++i) {
            c += static_cast<std::uint64_t>(~y[i]);
            y[i] = static_cast<std::uint64_t>(c);
            c >>= 64;
        }
    }
    unsigned __int128 c = 0;
    for (int i = 0; i < kWords; ++i) {
        c += static_cast<unsigned __int128>(out[i]) + y[i];
        out[i] = static_cast<std::uint64_t>(c);
        c >>= 64;
    }
}

// `count` <= 53 bits of a fixed-point magnitude ending at bit `low` (bit 0 is
// the least significant of word 0); bits below 0 read as zero.
std::uint64_t bitsAt(const Fixed v, int low, int count) {
    std::uint64_t result = 0;
    for (int b = count - 1; b >= 0; --b) {
        const int pos = low + b;
        result <<= 1;
        if (pos >= 0) {
            result |= (v[pos / 64] >> (pos % 64)) & 1;
        }
    }
    return result;
}

HalfPiReduction reduceLong(Quad x) {
    Fixed y{};
    addTimesTwoOverPi(x.hi, y);
    double outside = 0.0;
    if (std::fabs(x.lo) >= 0x1p-70) {
        addTimesTwoOverPi(x.lo, y);
    } else {
        outside = x.lo;
    }

    // Round to the nearest quadrant: add one half, take the top two bits as
    // the quadrant, and the rest less one half as the signed fraction.
    constexpr std::uint64_t half = std::uint64_t{1} << 61;
    y[kWords - 1] += half;
    const int quadrant = static_cast<int>(y[kWords - 1] >> 62);
    y[kWords - 1] = (y[kWords - 1] & ((std::uint64_t{1} << 62) - 1)) - half;
    const bool negative = (y[kWords - 1] >> 63) != 0;
    if (negative) {
        unsigned __int128 c = 1;
        for (int i = 0; i < kWords; ++i) {
            c += static_cast<std::uint64_t>(~y[i]);
            y[i] = static_cast<std::uint64_t>(c);
            c >>= 64;
        }
    }

    // The fraction as a three-part double, truncated after 159 bits.
    int top = kWords - 1;
    while (top >= 0 && y[top] == 0) {
        --top;
    }
    Quad r{0.0, 0.0};
    if (top >= 0) {
        const int lead = 64 * top + 63 - std::countl_zero(y[top]);
        const int unit = 2 - 64 * kWords;  // weight of bit 0 is 2^unit
        const double f0 = std::ldexp(static_cast<double>(bitsAt(y, lead - 52, 53)), lead - 52 + unit);
        const double f1 = std::ldexp(static_cast<double>(bitsAt(y, lead - 105, 53)), lead - 105 + unit);
        const double f2 = std::ldexp(static_cast<double>(bitsAt(y, lead - 158, 53)), lead - 158 + unit);

        // r = f pi/2, the terms of order 2^-53 formed exactly.
        double p, pe, q1, q1e, q2, q2e;
        eft::twoProd(f0, kHalfPiParts[0], p, pe);
        eft::twoProd(f0, kHalfPiParts[1], q1, q1e);
        eft::twoProd(f1, kHalfPiParts[0], q2, q2e);
        double s1, s1e, s2, s2e;
        eft::twoSum(pe, q1, s1, s1e);
        eft::twoSum(s1, q2, s2, s2e);
        const double low =
            (s1e + s2e) + ((q1e + q2e) + (f0 * kHalfPiParts[2] + f1 * kHalfPiParts[1] + f2 * kHalfPiParts[0]));
        double h, l;
        eft::twoSum(p, s2, h, l);
        l += low;
        eft::quickTwoSum(h, l, h, l);
        r = negative ? Quad{-h, -l} : Quad{h, l};
    }
    if (outside != 0.0) {
        r = addDouble(r, outside);
    }
    return HalfPiReduction{r, quadrant};
}

}  // namespace

HalfPiReduction reduceHalfPi(Quad x) {
    if (std::fabs(x.hi) <= 0x1.921fb54442d18p-1) {
        return HalfPiReduction{x, 0};
    }
    if (std::fabs(x.hi) < 0x1p28) {
        constexpr double shifter = 0x1.8p52;
        const double k = (x.hi * kTwoOverPi + shifter) - shifter;
        double p1, e1, p2, e2;
        eft::twoProd(k, kHalfPiParts[0], p1, e1);
        eft::twoProd(k, kHalfPiParts[1], p2, e2);
        double s, se, a, ae, b, be, c, ce;
        eft::twoSum(x.hi, -p1, s, se);
        eft::twoSum(x.lo, -e1, a, ae);
        eft::twoSum(a, -p2, b, be);
        eft::twoSum(b, se, c, ce);
        const double low = ((ae + be) + ce) - (e2 + k * kHalfPiParts[2]);
        double h, l;
        eft::twoSum(s, c, h, l);
        l += low;
        eft::quickTwoSum(h, l, h, l);
        if (std::fabs(h) > 0x1p-47 * std::fabs(x.hi)) {
            return HalfPiReduction{Quad{h, l}, static_cast<int>(static_cast<std::int64_t>(k) & 3)};
        }
    }
    return reduceLong(x);
}

}  // namespace quorl::detail
