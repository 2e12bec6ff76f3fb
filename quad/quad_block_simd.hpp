// The quad operations on four lanes at once, in 256-bit vectors: the same
// sequence of IEEE operations as the scalar recipes of quad/eft.hpp,
// quad/quad.hpp and quad/math_kernels.hpp, each one applied to the four
// lanes, so that every lane gets the bits the scalar operation gives. The
// rare paths of the scalar code (renorm's non-finite head, the infinities of
// derivative::times and plus) are selects here; the block kernels
// (quad/quad_block.cpp, quad/quad_block_exp.cpp) recompute the lanes of the
// rarer ones (division off range, exp at the ends) with the scalar function.
//
// Only for builds with fused multiply-add and AVX (QUORL_FMA on x86-64):
// twoProd then is one fused operation, as the scalar code's. The operators of
// GCC's vector extensions are used, so the code reads as the scalar recipes;
// -ffp-contract=off keeps them from being fused. Internal to quad/.
#pragma once

#if defined(__FMA__) && defined(__AVX__)
#define QUORL_BLOCK_SIMD 1

#include <immintrin.h>

#include <cstdint>

#include "quad/quad_block.hpp"

namespace quorl::block::simd {

// Four doubles, and four lane masks (all ones or all zeros) from comparisons.
using V = double __attribute__((vector_size(32)));
using M = std::int64_t __attribute__((vector_size(32)));

inline constexpr double kLargest = 0x1.fffffffffffffp1023;
inline constexpr double kInfinity = __builtin_inf();

inline V splat(double x) { return V{x, x, x, x}; }
inline V load(const double* p) { return _mm256_load_pd(p); }
inline void store(double* p, V v) { _mm256_store_pd(p, v); }
inline V fma(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
inline V fabs(V a) { return reinterpret_cast<V>(reinterpret_cast<M>(a) & INT64_MAX); }
// -a: the sign bit flipped, as the scalar negation does.
inline V negate(V a) { return reinterpret_cast<V>(reinterpret_cast<M>(a) ^ INT64_MIN); }
inline V select(M m, V a, V b) { return m ? a : b; }
inline M isNaN(V a) { return a != a; }
inline M isInf(V a) { return fabs(a) == kInfinity; }
inline bool any(M m) { return _mm256_movemask_pd(reinterpret_cast<V>(m)) != 0; }

// Four quad reals: heads and tails.
struct Q {
    V hi, lo;
};

inline Q load(const Values& a, int i) { return Q{load(a.hi + i), load(a.lo + i)}; }
inline void store(Values& r, int i, Q x) {
    store(r.hi + i, x.hi);
    store(r.lo + i, x.lo);
}
inline Q splat(Quad x) { return Q{splat(x.hi), splat(x.lo)}; }

// ---- quad/eft.hpp ----------------------------------------------------------

inline void twoSum(V a, V b, V& s, V& e) {
    s = a + b;
    const V bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

inline void quickTwoSum(V a, V b, V& s, V& e) {
    s = a + b;
    e = b - (s - a);
}

inline void twoProd(V a, V b, V& p, V& e) {
    p = a * b;
    e = fma(a, b, -p);
}

// ---- quad/quad.hpp ---------------------------------------------------------

// detail::renorm. Where s is infinite the sum s + e is infinite or NaN, so
// the scalar test of the head holds there and the select on s alone gives
// its head.
inline Q renorm(V s, V e) {
    const V hi = s + e;
    const V lo = e - (hi - s);
    const M offRange = !(fabs(hi) <= kLargest);
    return Q{select(isInf(s), s, hi), select(offRange, V{}, lo)};
}

inline Q operator+(Q a, Q b) {
    V s, e;
    twoSum(a.hi, b.hi, s, e);
    e += a.lo + b.lo;
    return renorm(s, e);
}

inline Q operator-(Q a) { return Q{negate(a.hi), negate(a.lo)}; }

inline Q operator-(Q a, Q b) { return a + (-b); }

inline Q operator*(Q a, Q b) {
    V p, e;
    twoProd(a.hi, b.hi, p, e);
    e += a.lo * b.hi + (a.hi + a.lo) * b.lo;
    return renorm(p, e);
}

// detail::quotient: the division recipe with no check of the range.
inline Q quotient(Q a, Q b) {
    const V q1 = a.hi / b.hi;
    V p1, p2;
    twoProd(q1, b.hi, p1, p2);
    const V r = ((a.hi - p1) - p2) + (a.lo - q1 * b.lo);
    const V q2 = r / b.hi;
    V s, e;
    quickTwoSum(q1, q2, s, e);
    return Q{s, e};
}

// ---- quad/derivative_rules.hpp ---------------------------------------------

inline Q times(Q x, Q y) {
    const Q p = x * y;
    const M nan = isNaN(p.hi);
    return Q{select(nan, x.hi * y.hi, p.hi), select(nan, V{}, p.lo)};
}

inline Q plus(Q x, Q y) {
    const Q s = x + y;
    const M nan = isNaN(s.hi);
    return Q{select(nan, x.hi + y.hi, s.hi), select(nan, V{}, s.lo)};
}

inline Q chain(Q outer, Q inner) {
    const Q t = times(outer, inner);
    const M zero = inner.hi == 0.0;
    return Q{select(zero, V{}, t.hi), select(zero, V{}, t.lo)};
}

// ---- quad/math_kernels.hpp -------------------------------------------------

inline Q addExact(Q a, Q b) {
    V s, e, t, f;
    twoSum(a.hi, b.hi, s, e);
    twoSum(a.lo, b.lo, t, f);
    e += t;
    quickTwoSum(s, e, s, e);
    e += f;
    quickTwoSum(s, e, s, e);
    return Q{s, e};
}

inline Q addDouble(Q a, V b) {
    V s, e;
    twoSum(a.hi, b, s, e);
    e += a.lo;
    quickTwoSum(s, e, s, e);
    return Q{s, e};
}

inline Q mulDouble(Q a, V b) {
    V p, e;
    twoProd(a.hi, b, p, e);
    e += a.lo * b;
    quickTwoSum(p, e, p, e);
    return Q{p, e};
}

// ---- the loop over a block -------------------------------------------------

// f(i) for the groups of four lanes i .. i + 3 that cover lanes 0 .. n - 1.
template <class F>
inline void eachGroup(int n, F f) {
    const int m = groupedLanes(n);
    for (int i = 0; i < m; i += 4) {
        f(i);
    }
}

}  // namespace quorl::block::simd

#endif
