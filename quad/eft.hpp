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
// Beyond 2^995 the product with the splitter would overflow, so such values
// are split at a scale 2^-28 lower (exactly) and scaled back.
inline void split(double a, double& hi, double& lo) {
    constexpr double splitter = 134217729.0;  // 2^27 + 1
    if (std::fabs(a) > 0x1p995) [[unlikely]] {
        const double s = a * 0x1p-28;
        const double t = splitter * s;
        hi = (t - (t - s)) * 0x1p28;
        lo = a - hi;
        return;
    }
    const double t = splitter * a;
    hi = t - (t - a);
    lo = a - hi;
}

// p + e == a * b exactly, p = fl(a * b). Assumes no overflow or underflow.
// With hardware FMA the error term comes from one fused operation; without
// it from Dekker's splitting. Both give the same bits.
inline void twoProd(double a, double b, double& p, double& e) {
    p = a * b;
#if defined(__FMA__)
    e = __builtin_fma(a, b, -p);
#else
    double ah, al, bh, bl;
    split(a, ah, al);
    split(b, bh, bl);
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
#endif
}

}  // namespace quorl::eft
