// The block kernels but exp (quad/quad_block_exp.cpp). With fused
// multiply-add and AVX, four lanes at a time through the vector forms of the
// quad operations (quad/quad_block_simd.hpp); otherwise lane by lane through
// the quad operations themselves. Both give each lane the bits of the
// scalar operation.
#include "quad/quad_block.hpp"

#include <algorithm>

#include "quad/derivative_rules.hpp"
#include "quad/quad_block_simd.hpp"

namespace quorl::block {

#if defined(QUORL_BLOCK_SIMD)

using namespace simd;
static_assert(kGroup == 4, "a group of lanes is one vector of four doubles");

void fill(Quad x, Values& r, int n) {
    const Q v = splat<V>(x);
    eachGroup(n, [&](int i) { store(r, i, v); });
}

void add(const Values& a, const Values& b, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, load(a, i) + load(b, i)); });
}

void sub(const Values& a, const Values& b, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, load(a, i) - load(b, i)); });
}

void mul(const Values& a, const Values& b, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, load(a, i) * load(b, i)); });
}

void mul(const Values& a, Quad b, Values& r, int n) {
    const Q v = splat<V>(b);
    eachGroup(n, [&](int i) { store(r, i, load(a, i) * v); });
}

// The quotient recipe in every lane; the lanes whose head is not finite (a
// zero, infinite or NaN operand, a quotient near or beyond the largest
// double) again through the scalar operator, which takes its rare path there.
void div(const Values& a, const Values& b, Values& r, int n) {
    eachGroup(n, [&](int i) {
        const Q q = quotient(load(a, i), load(b, i));
        const M offRange = !(fabs(q.hi) <= kLargest);
        if (!any(offRange)) [[likely]] {
            store(r, i, q);
            return;
        }
        Quad x[4];
        for (int l = 0; l < 4; ++l) {
            x[l] = a.get(i + l) / b.get(i + l);
        }
        for (int l = 0; l < 4; ++l) {
            r.set(i + l, x[l]);
        }
    });
}

void neg(const Values& a, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, -load(a, i)); });
}

void square(const Values& a, Values& r, int n) {
    eachGroup(n, [&](int i) {
        const Q x = load(a, i);
        store(r, i, x * x);
    });
}

void mulAdd(const Values& a, const Values& b, const Values& c, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, load(a, i) * load(b, i) + load(c, i)); });
}

void mulAdd(const Values& a, Quad b, const Values& c, Values& r, int n) {
    const Q v = splat<V>(b);
    eachGroup(n, [&](int i) { store(r, i, load(a, i) * v + load(c, i)); });
}

void times(const Values& x, const Values& y, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, simd::times(load(x, i), load(y, i))); });
}

void plus(const Values& x, const Values& y, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, simd::plus(load(x, i), load(y, i))); });
}

void chain(const Values& outer, const Values& inner, Values& r, int n) {
    eachGroup(n, [&](int i) { store(r, i, simd::chain(load(outer, i), load(inner, i))); });
}

void chain(Quad outer, const Values& inner, Values& r, int n) {
    const Q v = splat<V>(outer);
    eachGroup(n, [&](int i) { store(r, i, simd::chain(v, load(inner, i))); });
}

// Four sums a vector, four values at a time each: the four lanes of four
// terms are turned (a 4 x 4 transpose) into four vectors of one lane's four
// terms, added in lane order. Up to kChains vectors of sums go side by side,
// so that their chains of dependent additions overlap. Leftover lanes go
// one at a time.
void addLanes(const Values* const* terms, int count, int n, Quad* sums) {
    constexpr int kChains = 4;
    const int whole = n / kGroup * kGroup;
    const auto turn = [](V r0, V r1, V r2, V r3, V out[4]) {
        const V a = _mm256_unpacklo_pd(r0, r1);
        const V b = _mm256_unpackhi_pd(r0, r1);
        const V c = _mm256_unpacklo_pd(r2, r3);
        const V d = _mm256_unpackhi_pd(r2, r3);
        out[0] = _mm256_permute2f128_pd(a, c, 0x20);
        out[1] = _mm256_permute2f128_pd(b, d, 0x20);
        out[2] = _mm256_permute2f128_pd(a, c, 0x31);
        out[3] = _mm256_permute2f128_pd(b, d, 0x31);
    };
    for (int e0 = 0; e0 < count; e0 += kChains * kGroup) {
        const int chains = std::min(kChains, (count - e0 + kGroup - 1) / kGroup);
        const Values* t[kChains][kGroup];
        Q acc[kChains];
        for (int c = 0; c < chains; ++c) {
            Quad start[kGroup];
            for (int j = 0; j < kGroup; ++j) {
                // A missing term repeats the first; its sum is not kept.
                const int e = e0 + c * kGroup + j;
                t[c][j] = terms[e < count ? e : 0];
                start[j] = e < count ? sums[e] : Quad{};
            }
            acc[c] = Q{V{start[0].hi, start[1].hi, start[2].hi, start[3].hi},
                       V{start[0].lo, start[1].lo, start[2].lo, start[3].lo}};
        }
        for (int i = 0; i < whole; i += kGroup) {
            for (int c = 0; c < chains; ++c) {
                V hi[4], lo[4];
                turn(load(t[c][0]->hi + i), load(t[c][1]->hi + i), load(t[c][2]->hi + i), load(t[c][3]->hi + i), hi);
                turn(load(t[c][0]->lo + i), load(t[c][1]->lo + i), load(t[c][2]->lo + i), load(t[c][3]->lo + i), lo);
                for (int j = 0; j < kGroup; ++j) {
                    acc[c] = acc[c] + Q{hi[j], lo[j]};
                }
            }
        }
        for (int i = whole; i < n; ++i) {
            for (int c = 0; c < chains; ++c) {
                acc[c] = acc[c] + Q{V{t[c][0]->hi[i], t[c][1]->hi[i], t[c][2]->hi[i], t[c][3]->hi[i]},
                                    V{t[c][0]->lo[i], t[c][1]->lo[i], t[c][2]->lo[i], t[c][3]->lo[i]}};
            }
        }
        for (int c = 0; c < chains; ++c) {
            for (int j = 0; j < kGroup && e0 + c * kGroup + j < count; ++j) {
                sums[e0 + c * kGroup + j] = Quad{acc[c].hi[j], acc[c].lo[j]};
            }
        }
    }
}

#else

namespace {

template <class F>
void each(int n, F f) {
    const int m = groupedLanes(n);
    for (int i = 0; i < m; ++i) {
        f(i);
    }
}

}  // namespace

void fill(Quad x, Values& r, int n) {
    each(n, [&](int i) { r.set(i, x); });
}

void add(const Values& a, const Values& b, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) + b.get(i)); });
}

void sub(const Values& a, const Values& b, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) - b.get(i)); });
}

void mul(const Values& a, const Values& b, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) * b.get(i)); });
}

void mul(const Values& a, Quad b, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) * b); });
}

void div(const Values& a, const Values& b, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) / b.get(i)); });
}

void neg(const Values& a, Values& r, int n) {
    each(n, [&](int i) { r.set(i, -a.get(i)); });
}

void square(const Values& a, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) * a.get(i)); });
}

void mulAdd(const Values& a, const Values& b, const Values& c, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) * b.get(i) + c.get(i)); });
}

void mulAdd(const Values& a, Quad b, const Values& c, Values& r, int n) {
    each(n, [&](int i) { r.set(i, a.get(i) * b + c.get(i)); });
}

void times(const Values& x, const Values& y, Values& r, int n) {
    each(n, [&](int i) { r.set(i, derivative::times(x.get(i), y.get(i))); });
}

void plus(const Values& x, const Values& y, Values& r, int n) {
    each(n, [&](int i) { r.set(i, derivative::plus(x.get(i), y.get(i))); });
}

void chain(const Values& outer, const Values& inner, Values& r, int n) {
    each(n, [&](int i) { r.set(i, derivative::chain(outer.get(i), inner.get(i))); });
}

void chain(Quad outer, const Values& inner, Values& r, int n) {
    each(n, [&](int i) { r.set(i, derivative::chain(outer, inner.get(i))); });
}

void addLanes(const Values* const* terms, int count, int n, Quad* sums) {
    for (int i = 0; i < n; ++i) {
        for (int e = 0; e < count; ++e) {
            sums[e] = sums[e] + terms[e]->get(i);
        }
    }
}

#endif

}  // namespace quorl::block
