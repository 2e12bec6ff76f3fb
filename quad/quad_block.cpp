// The block kernels, lane by lane through the quad operations themselves.
#include "quad/quad_block.hpp"

#include "quad/derivative_rules.hpp"

namespace quorl::block {

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

void exp(const Values& a, Values& r, int n) {
    each(n, [&](int i) { r.set(i, quorl::exp(a.get(i))); });
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

}  // namespace quorl::block
