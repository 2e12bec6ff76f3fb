// exp over a block: the reduction, polynomial and table step of the quad
// exp (quad/quad_math.cpp: exp, expCore, reduceExp, expMinusOneReduced)
// done for four lanes at once, operation for operation, so that each lane
// gets the bits of quorl::exp. The polynomial is one long chain of dependent
// operations; four values in a vector go through it in the time of one.
//
// The table entry 2^(j/256) and the power of two 2^k of each lane are taken
// lane by lane from n = 256 k + j. Lanes outside the range of the core (NaN,
// an argument beyond the overflow or underflow bound, where the scalar exp
// answers inf, 0 or NaN directly) and lanes whose 2^k is not a normal double
// (results near the ends of the range, where the scalar code scales with
// ldexp) are recomputed by the scalar exp.
#include <bit>
#include <cstdint>

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
void reduce(V xh, V xm, V xl, V& nd, V& rh, V& rl) {
    const V shifter = splat(0x1.8p52);
    nd = (xh * detail::kInvLn2Times256 + shifter) - shifter;
    V p1, e1, p2, e2;
    twoProd(nd, splat(detail::kLn2Over256Parts[0]), p1, e1);
    twoProd(nd, splat(detail::kLn2Over256Parts[1]), p2, e2);
    const V p3 = nd * detail::kLn2Over256Parts[2];
    V s, se, m1, m1e, m2, m2e;
    twoSum(xh, -p1, s, se);
    twoSum(xm, -e1, m1, m1e);
    twoSum(m1, -p2, m2, m2e);
    const V low = ((se + m1e + m2e) + (xl - e2)) - p3;
    twoSum(s, m2, rh, rl);
    rl += low;
    quickTwoSum(rh, rl, rh, rl);
}

Q splatPair(Quad c) { return splat(c); }

// detail::expMinusOneReduced.
Q expMinusOne(V rh, V rl) {
    const V h = kInvFact6 + rh * (kInvFact7 + rh * (kInvFact8 + rh * kInvFact9));
    Q a = addDouble(splatPair(detail::kInvFact5), rh * h);
    a = addExact(splatPair(detail::kInvFact4), mulDouble(a, rh));
    a = addExact(splatPair(detail::kInvFact3), mulDouble(a, rh));
    a = addDouble(mulDouble(a, rh), splat(0.5));
    a = addDouble(mulDouble(a, rh), splat(1.0));
    const Q p = mulDouble(a, rh);
    return addDouble(p, rl * (1.0 + p.hi));
}

}  // namespace

void exp(const Values& a, Values& r, int n) {
    eachGroup(n, [&](int i) {
        const Q x = load(a, i);
        // The lanes the scalar exp answers without its core: NaN and beyond
        // the bounds. They go through the core with argument 0 (any finite
        // value would do) and are replaced below.
        const M core = (x.hi >= detail::kExpUnderflow) & (x.hi <= detail::kExpOverflow);
        const V xh = select(core, x.hi, V{});
        const V xm = select(core, x.lo, V{});
        V nd, rh, rl;
        reduce(xh, xm, V{}, nd, rh, rl);
        const Q p = expMinusOne(rh, rl);

        // n = 256 k + j: the table entry 2^(j/256) and the factor 2^k.
        alignas(32) double nds[4], th[4], tl[4], f[4];
        store(nds, nd);
        unsigned rare = static_cast<unsigned>(_mm256_movemask_pd(reinterpret_cast<V>(~core)));
        for (int l = 0; l < 4; ++l) {
            const auto nl = static_cast<std::int64_t>(nds[l]);
            th[l] = detail::kExp2Table[nl & 255][0];
            tl[l] = detail::kExp2Table[nl & 255][1];
            const int k = static_cast<int>(nl >> 8);
            if (k > -1022 && k < 1023) [[likely]] {
                f[l] = std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
            } else {
                f[l] = 1.0;
                rare |= 1u << l;
            }
        }
        const Q t{load(th), load(tl)};
        const Q result = addExact(t, t * p);
        const V scale = load(f);
        const Q y{result.hi * scale, result.lo * scale};

        if (rare == 0) [[likely]] {
            store(r, i, y);
            return;
        }
        alignas(32) double xhi[4], xlo[4];
        store(xhi, x.hi);
        store(xlo, x.lo);
        store(r, i, y);
        for (int l = 0; l < 4; ++l) {
            if ((rare >> l) & 1u) {
                r.set(i + l, quorl::exp(Quad{xhi[l], xlo[l]}));
            }
        }
    });
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
