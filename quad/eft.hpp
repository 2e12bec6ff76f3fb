// Error-free transformations of IEEE doubles: the kernels every quad real
// operation is built from. They hold only in strict binary64 arithmetic with
// round-to-nearest: no contraction of a*b+c into an FMA, no fast-math, no
// extended-precision intermediates. The build enforces that for all code.
#pragma once

#include <cfloat>
#include <cmath>

#if defined(__FAST_MATH__)
#error "Quad reals need strict IEEE double arithmetic: do not build with fast-math"
#endif
#if FLT_EVAL_METHOD != 0
#error "Quad reals need double expressions evaluated in double precision"
#endif

namespace quorl::eft {

// s + e == a + b exactly, s = fl(a + b). No precondition.
inline void twoSum(double a, double b, double& s, double& e) {
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// s + e == a + b exactly, s = fl(a + b). Assumes |a| >= |b| (or a == 0).
inline void quickTwoSum(double a, double b, double& s, double& e) {
    s = a + b;
    e = b - (s - a);
}

// hi + lo == a exactly, each half holding at most 26 significant bits.
// Needs |a| <= 2^995: beyond, the product with the splitter overflows (and
// near the top of the range the rounded head itself would be 2^1024).
inline void split(double a, double& hi, double& lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    const double t = splitter * a;
    hi = t - (t - a);
    lo = a - hi;
}

// Dekker's exact product error of a and b, |a|, |b| <= 2^995.
inline double dekkerError(double a, double b, double p) {
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// The product error where an operand is beyond 2^995 or the product is not
// finite, as the fused multiply-add gives it: -p when a finite product
// overflows, NaN when an operand is infinite or NaN (a * b - p), and
// otherwise the error of the product with the large operand scaled down by
// 2^53 (exact), scaled back up.
inline double largeProductError(double a, double b, double p) {
    if (!std::isfinite(p)) {
        return std::isfinite(a) && std::isfinite(b) ? -p : a * b - p;
    }
    if (std::fabs(a) < std::fabs(b)) {
        const double t = a;
        a = b;
        b = t;
    }
    a *= 0x1p-53;
    return dekkerError(a, b, a * b) * 0x1p53;
}

// p + e == a * b exactly, p = fl(a * b). Assumes no underflow: where the
// exact error lies below the smallest normal double it is not exact.
// With hardware FMA (x86-64 built with QUORL_FMA, or any 64-bit ARM) the
// error term comes from one fused operation; without it from Dekker's
// splitting. Both give the same bits: the error is exact either way, and
// an overflow or an infinite operand gives the same -p or NaN.
inline void twoProd(double a, double b, double& p, double& e) {
    p = a * b;
#if defined(__FMA__) || defined(__ARM_FEATURE_FMA)
    e = __builtin_fma(a, b, -p);
#else
    if (std::fabs(a) > 0x1p995 || std::fabs(b) > 0x1p995 || !(std::fabs(p) <= 0x1.fffffffffffffp1023)) [[unlikely]] {
        e = largeProductError(a, b, p);
        return;
    }
    e = dekkerError(a, b, p);
#endif
}

}  // namespace quorl::eft
