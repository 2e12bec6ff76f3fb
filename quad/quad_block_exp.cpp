// exp over a block: the reduction, polynomial and table step of the quad
// exp (quad/quad_math.cpp: exp, expCore, reduceExp, expMinusOneReduced)
// done for four lanes per instruction, operation for operation, so that each
// lane gets the bits of quorl::exp. The polynomial is one long chain of
// dependent operations: four values in a vector go through it in the time of
// one, and two vectors side by side keep the arithmetic units busier still
// (about 13 ns a value against 61 value by value).
//
// The table entry 2^(j/256) and the power of two 2^k of each lane are taken
// lane by lane from n = 256 k + j. Lanes outside the range of the core (NaN,
// an argument beyond the overflow or underflow bound, where the scalar exp
// answers inf, 0 or NaN directly) and lanes whose 2^k is not a normal double
// (results near the ends of the range, where the scalar code scales with
// ldexp) are recomputed by the scalar exp.
#include <bit>
#include <cstdint>
#include <cstring>

#include "quad/math_kernels.hpp"
#include "quad/math_tables.hpp"
#include "quad/quad_block.hpp"
#include "quad/quad_block_simd.hpp"

namespace quorl::block {

#if defined(QUORL_BLOCK_SIMD)

namespace {

using namespace simd;

// The coefficients 1/n! of expMinusOneReduced beyond the pairs, rounded the
// same way (the block and the scalar exp must use the same doubles).
constexpr double kInvFact6 = 1.0 / 720.0;
constexpr double kInvFact7 = 1.0 / 5040.0;
constexpr double kInvFact8 = 1.0 / 40320.0;
constexpr double kInvFact9 = 1.0 / 362880.0;

// detail::reduceExp: nd the rounded multiple of ln2/256, rh + rl the rest.
template <class T>
void reduce(T xh, T xm, T xl, T& nd, T& rh, T& rl) {
    const T shifter = splat<T>(0x1.8p52);
    nd = (xh * detail::kInvLn2Times256 + shifter) - shifter;
    T p1, e1, p2, e2;
    twoProd(nd, splat<T>(detail::kLn2Over256Parts[0]), p1, e1);
    twoProd(nd, splat<T>(detail::kLn2Over256Parts[1]), p2, e2);
    const T p3 = nd * detail::kLn2Over256Parts[2];
    T s, se, m1, m1e, m2, m2e;
    twoSum(xh, -p1, s, se);
    twoSum(xm, -e1, m1, m1e);
    twoSum(m1, -p2, m2, m2e);
    const T low = ((se + m1e + m2e) + (xl - e2)) - p3;
    twoSum(s, m2, rh, rl);
    rl += low;
    quickTwoSum(rh, rl, rh, rl);
}

// detail::expMinusOneReduced.
template <class T>
QT<T> expMinusOne(T rh, T rl) {
    const T h = kInvFact6 + rh * (kInvFact7 + rh * (kInvFact8 + rh * kInvFact9));
    QT<T> a = addDouble(splat<T>(detail::kInvFact5), rh * h);
    a = addExact(splat<T>(detail::kInvFact4), mulDouble(a, rh));
    a = addExact(splat<T>(detail::kInvFact3), mulDouble(a, rh));
    a = addDouble(mulDouble(a, rh), splat<T>(0.5));
    a = addDouble(mulDouble(a, rh), splat<T>(1.0));
    const QT<T> p = mulDouble(a, rh);
    return addDouble(p, rl * (1.0 + p.hi));
}

// Reduction, table entries and factors for the lanes of a block, kept
// between the passes of exp.
struct Reduced {
    alignas(64) double rh[kLanes], rl[kLanes], th[kLanes], tl[kLanes], f[kLanes];
};

// exp(rh + rl) 2^(j/256) 2^k for the lanes from i on that T holds (4 or 8).
template <class T>
void expFromReduced(const Reduced& d, Values& r, int i) {
    const QT<T> p = expMinusOne(load<T>(d.rh + i), load<T>(d.rl + i));
    const QT<T> t{load<T>(d.th + i), load<T>(d.tl + i)};
    const QT<T> result = addExact(t, t * p);
    const T scale = load<T>(d.f + i);
    store(r, i, QT<T>{result.hi * scale, result.lo * scale});
}

}  // namespace

// In three passes over the block, so that the long chains of dependent
// operations of different groups can overlap: the reductions; the table
// entries and powers of two, lane by lane; the polynomial and the product
// with the table entry, eight lanes at a time while there are eight (two
// groups side by side).
void exp(const Values& a, Values& r, int n) {
    const int m = groupedLanes(n);
    Reduced d;
    alignas(64) double nd[kLanes];
    unsigned rare = 0;
    for (int i = 0; i < m; i += 4) {
        const Q x = load(a, i);
        // The lanes the scalar exp answers without its core: NaN and beyond
        // the bounds. They go through the core with argument 0 (any finite
        // value would do) and are replaced below.
        const M core = (x.hi >= detail::kExpUnderflow) & (x.hi <= detail::kExpOverflow);
        rare |= static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<V>(~core))) << i;
        V n8, rh, rl;
        reduce(select(core, x.hi, V{}), select(core, x.lo, V{}), V{}, n8, rh, rl);
        store(nd + i, n8);
        store(d.rh + i, rh);
        store(d.rl + i, rl);
    }
    // n = 256 k + j: the table entry 2^(j/256) and the factor 2^k.
    for (int l = 0; l < m; ++l) {
        const auto nl = static_cast<std::int64_t>(nd[l]);
        d.th[l] = detail::kExp2Table[nl & 255][0];
        d.tl[l] = detail::kExp2Table[nl & 255][1];
        const int k = static_cast<int>(nl >> 8);
        if (k > -1022 && k < 1023) [[likely]] {
            d.f[l] = std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
        } else {
            d.f[l] = 1.0;
            rare |= 1u << l;
        }
    }
    // The arguments of the rare lanes, before r (which may be a) is written.
    Quad rareArgument[kLanes];
    for (unsigned bits = rare; bits != 0; bits &= bits - 1) {
        const int l = std::countr_zero(bits);
        rareArgument[l] = a.get(l);
    }
    int i = 0;
    for (; i + 8 <= m; i += 8) {
        expFromReduced<V8>(d, r, i);
    }
    if (i < m) {
        expFromReduced<V>(d, r, i);
    }
    for (unsigned bits = rare; bits != 0; bits &= bits - 1) {
        const int l = std::countr_zero(bits);
        r.set(l, quorl::exp(rareArgument[l]));
    }
}

#else

void exp(const Values& a, Values& r, int n) {
    const int m = groupedLanes(n);
    for (int i = 0; i < m; ++i) {
        r.set(i, quorl::exp(a.get(i)));
    }
}

#endif

}  // namespace quorl::block
