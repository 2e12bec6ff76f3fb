// The block kernels but exp (quad/quad_block_exp.cpp). With fused
// multiply-add and AVX, four lanes at a time through the vector forms of the
// quad operations (quad/quad_block_simd.hpp); otherwise lane by lane through
// the quad operations themselves. Both give each lane the bits of the
// scalar operation.
#include "quad/quad_block.hpp"

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

#endif

}  // namespace quorl::block
