// The quad operations on four lanes at once, in 256-bit vectors (or eight,
// in two): the same sequence of IEEE operations as the scalar recipes of
// quad/eft.hpp, quad/quad.hpp, quad/derivative_rules.hpp and
// quad/math_kernels.hpp, each one applied to every lane, so that every lane
// gets the bits the scalar operation gives. The
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
#include <cstring>
#include <type_traits>

#include "quad/quad_block.hpp"

namespace quorl::block::simd {

// Four doubles (one AVX register), and four lane masks (all ones or all
// zeros) from comparisons.
using V = double __attribute__((vector_size(32)));
using M = std::int64_t __attribute__((vector_size(32)));

// Eight doubles as two registers: the operations below are templates over
// the vector type, and V8 runs two independent groups through a chain of
// dependent operations side by side (the exp polynomial). A pair of vectors
// rather than one 64-byte vector, whose passing would depend on whether
// AVX-512 is enabled.
struct V8 {
    V a, b;
};
struct M8 {
    M a, b;
};
#define QUORL_V8_BINARY(op, R)                                              \
    inline R operator op(V8 x, V8 y) { return R{x.a op y.a, x.b op y.b}; } \
    inline R operator op(V8 x, double y) { return R{x.a op y, x.b op y}; } \
    inline R operator op(double x, V8 y) { return R{x op y.a, x op y.b}; }
QUORL_V8_BINARY(+, V8)
QUORL_V8_BINARY(-, V8)
QUORL_V8_BINARY(*, V8)
QUORL_V8_BINARY(/, V8)
QUORL_V8_BINARY(<, M8)
QUORL_V8_BINARY(<=, M8)
QUORL_V8_BINARY(>=, M8)
QUORL_V8_BINARY(==, M8)
QUORL_V8_BINARY(!=, M8)
#undef QUORL_V8_BINARY
inline V8 operator-(V8 x) { return V8{-x.a, -x.b}; }
inline V8& operator+=(V8& x, V8 y) { return x = x + y; }
inline M8 operator&(M8 x, M8 y) { return M8{x.a & y.a, x.b & y.b}; }
inline M8 operator!(M8 x) { return M8{!x.a, !x.b}; }

template <class T>
using MaskOf = decltype(T{} < T{});

inline constexpr double kLargest = 0x1.fffffffffffffp1023;
inline constexpr double kInfinity = __builtin_inf();

// x in every lane (a broadcast: no arithmetic, so -0 stays -0).
template <class T>
inline T splat(double x) {
    if constexpr (std::is_same_v<T, V>) {
        return V{x, x, x, x};
    } else {
        return T{splat<V>(x), splat<V>(x)};
    }
}
template <class T = V>
inline T load(const double* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
inline void store(double* p, T v) {
    std::memcpy(p, &v, sizeof v);
}
inline V fma(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
inline V8 fma(V8 x, V8 y, V8 z) { return V8{fma(x.a, y.a, z.a), fma(x.b, y.b, z.b)}; }
inline V fabs(V a) { return reinterpret_cast<V>(reinterpret_cast<M>(a) & INT64_MAX); }
inline V8 fabs(V8 x) { return V8{fabs(x.a), fabs(x.b)}; }
inline V select(M m, V a, V b) { return m ? a : b; }
inline V8 select(M8 m, V8 x, V8 y) { return V8{select(m.a, x.a, y.a), select(m.b, x.b, y.b)}; }
template <class T>
inline MaskOf<T> isNaN(T a) {
    return a != a;
}
template <class T>
inline MaskOf<T> isInf(T a) {
    return fabs(a) == kInfinity;
}
inline bool any(M m) { return _mm256_movemask_pd(reinterpret_cast<V>(m)) != 0; }

// Quad reals in the lanes of a vector: heads and tails.
template <class T>
struct QT {
    T hi, lo;
};
using Q = QT<V>;

template <class T = V>
inline QT<T> load(const Values& a, int i) {
    return QT<T>{load<T>(a.hi + i), load<T>(a.lo + i)};
}
template <class T>
inline void store(Values& r, int i, QT<T> x) {
    store(r.hi + i, x.hi);
    store(r.lo + i, x.lo);
}
template <class T>
inline QT<T> splat(Quad x) {
    return QT<T>{splat<T>(x.hi), splat<T>(x.lo)};
}

// ---- quad/eft.hpp ----------------------------------------------------------

template <class T>
inline void twoSum(T a, T b, T& s, T& e) {
    s = a + b;
    const T bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

template <class T>
inline void quickTwoSum(T a, T b, T& s, T& e) {
    s = a + b;
    e = b - (s - a);
}

template <class T>
inline void twoProd(T a, T b, T& p, T& e) {
    p = a * b;
    e = fma(a, b, -p);
}

// ---- quad/quad.hpp ---------------------------------------------------------

// detail::renorm. Where s is infinite the sum s + e is infinite or NaN, so
// the scalar test of the head holds there and the select on s alone gives
// its head.
template <class T>
inline QT<T> renorm(T s, T e) {
    const T hi = s + e;
    const T lo = e - (hi - s);
    const MaskOf<T> offRange = !(fabs(hi) <= kLargest);
    return QT<T>{select(isInf(s), s, hi), select(offRange, T{}, lo)};
}

template <class T>
inline QT<T> operator+(QT<T> a, QT<T> b) {
    T s, e;
    twoSum(a.hi, b.hi, s, e);
    e += a.lo + b.lo;
    return renorm(s, e);
}

// -a: the sign bits flipped (the vector negation, as the scalar one).
template <class T>
inline QT<T> operator-(QT<T> a) {
    return QT<T>{-a.hi, -a.lo};
}

template <class T>
inline QT<T> operator-(QT<T> a, QT<T> b) {
    return a + (-b);
}

template <class T>
inline QT<T> operator*(QT<T> a, QT<T> b) {
    T p, e;
    twoProd(a.hi, b.hi, p, e);
    e += a.lo * b.hi + (a.hi + a.lo) * b.lo;
    return renorm(p, e);
}

// detail::quotient: the division recipe with no check of the range.
template <class T>
inline QT<T> quotient(QT<T> a, QT<T> b) {
    const T q1 = a.hi / b.hi;
    T p1, p2;
    twoProd(q1, b.hi, p1, p2);
    const T r = ((a.hi - p1) - p2) + (a.lo - q1 * b.lo);
    const T q2 = r / b.hi;
    T s, e;
    quickTwoSum(q1, q2, s, e);
    return QT<T>{s, e};
}

// ---- quad/derivative_rules.hpp ---------------------------------------------

template <class T>
inline QT<T> times(QT<T> x, QT<T> y) {
    const QT<T> p = x * y;
    const MaskOf<T> nan = isNaN(p.hi);
    return QT<T>{select(nan, x.hi * y.hi, p.hi), select(nan, T{}, p.lo)};
}

template <class T>
inline QT<T> plus(QT<T> x, QT<T> y) {
    const QT<T> s = x + y;
    const MaskOf<T> nan = isNaN(s.hi);
    return QT<T>{select(nan, x.hi + y.hi, s.hi), select(nan, T{}, s.lo)};
}

template <class T>
inline QT<T> chain(QT<T> outer, QT<T> inner) {
    const QT<T> t = times(outer, inner);
    const MaskOf<T> zero = inner.hi == 0.0;
    return QT<T>{select(zero, T{}, t.hi), select(zero, T{}, t.lo)};
}

// ---- quad/math_kernels.hpp -------------------------------------------------

template <class T>
inline QT<T> addExact(QT<T> a, QT<T> b) {
    T s, e, t, f;
    twoSum(a.hi, b.hi, s, e);
    twoSum(a.lo, b.lo, t, f);
    e += t;
    quickTwoSum(s, e, s, e);
    e += f;
    quickTwoSum(s, e, s, e);
    return QT<T>{s, e};
}

template <class T>
inline QT<T> addDouble(QT<T> a, T b) {
    T s, e;
    twoSum(a.hi, b, s, e);
    e += a.lo;
    quickTwoSum(s, e, s, e);
    return QT<T>{s, e};
}

template <class T>
inline QT<T> mulDouble(QT<T> a, T b) {
    T p, e;
    twoProd(a.hi, b, p, e);
    e += a.lo * b;
    quickTwoSum(p, e, p, e);
    return QT<T>{p, e};
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
