// Quad operations over a block of values at once: the kernels of the passes
// over many data points (a compiled formula evaluated for a block of points,
// the sums of the normal equations).
//
// A block holds up to kLanes quad reals as two arrays, the heads and the
// tails, so that one machine instruction can work on several values. Every
// kernel gives, in each lane, bit for bit what the quad operation of the
// same name gives for that lane's operands (quad/quad.hpp,
// quad/derivative_rules.hpp, exp of quad/quad_math.cpp): a block evaluation
// and the value-by-value one agree to the last bit, whatever the lanes hold
// (infinities, NaN, zeros, values near the ends of the range included).
// Built with fused multiply-add and AVX (QUORL_FMA on x86-64), the kernels
// work on four lanes per instruction (quad/quad_block_simd.hpp): exp about
// five times as fast as value by value, division and chain about three
// times; elsewhere they are the loops over the lanes.
//
// The output may be the same block as an operand (the operation is done in
// place, lane by lane). A kernel works on lanes 0 .. n - 1 and may also
// compute lanes up to the next multiple of kGroup; the caller keeps those
// lanes of the operands initialised (any values: their results are not
// used).
#pragma once

#include "quad/quad.hpp"

namespace quorl::block {

// Values in a block, and the lanes a kernel may round n up to.
inline constexpr int kLanes = 32;
inline constexpr int kGroup = 4;

struct alignas(64) Values {
    double hi[kLanes];
    double lo[kLanes];

    Quad get(int i) const { return Quad{hi[i], lo[i]}; }
    void set(int i, Quad x) {
        hi[i] = x.hi;
        lo[i] = x.lo;
    }
};

// n rounded up to the lanes a kernel may compute.
constexpr int groupedLanes(int n) { return (n + kGroup - 1) / kGroup * kGroup; }

// r = x in every lane 0 .. groupedLanes(n) - 1.
void fill(Quad x, Values& r, int n);

// r = a op b, lane by lane; the forms with a Quad take it in every lane.
void add(const Values& a, const Values& b, Values& r, int n);
void sub(const Values& a, const Values& b, Values& r, int n);
void mul(const Values& a, const Values& b, Values& r, int n);
void mul(const Values& a, Quad b, Values& r, int n);
void div(const Values& a, const Values& b, Values& r, int n);
void neg(const Values& a, Values& r, int n);
// a * a
void square(const Values& a, Values& r, int n);
void exp(const Values& a, Values& r, int n);
// (a * b) + c: the two quad operations in that order, in one pass over the
// block (the same bits as mul, then add).
void mulAdd(const Values& a, const Values& b, const Values& c, Values& r, int n);
void mulAdd(const Values& a, Quad b, const Values& c, Values& r, int n);

// The chain-rule arithmetic of quad/derivative_rules.hpp.
void times(const Values& x, const Values& y, Values& r, int n);
void plus(const Values& x, const Values& y, Values& r, int n);
// chain(outer, inner): 0 where inner's head is 0, else times(outer, inner).
void chain(const Values& outer, const Values& inner, Values& r, int n);
void chain(Quad outer, const Values& inner, Values& r, int n);

// Sums in lane order: sums[e] = sums[e] + terms[e] lane 0, then lane 1,
// ... up to lane n - 1, for every e < count; each sum bit for bit the one
// added value by value. terms[e] may point at the same block for several e.
void addLanes(const Values* const* terms, int count, int n, Quad* sums);

}  // namespace quorl::block
