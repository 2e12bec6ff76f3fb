// The weighted residuals of one data point and their partial derivatives,
// by the method JPARTIALS chooses:
//
//   0  one-sided differences: B(LZ,KP) = (ZBASE - Z(P + DELTA)) / DELTA,
//      one more mode-4 call per parameter. Truncation error about DELTA
//      times the curvature, rounding error about 1e-32 of the residuals
//      over DELTA: with the best relative increment (1e-14 to 1e-15) about
//      16 correct digits.
//   1  exact: the model's mode 7 gives the residuals and their partials in
//      one call, exact to the rounding of the quad arithmetic (a model
//      written generically over its number type gets them through
//      engine/generic_residuals.hpp, quorl-fit from its formulas).
//   2  central differences extrapolated: with D(h) = (Z(P - h) - Z(P + h))
//      / (2h), B = (4 D(h/2) - D(h)) / 3, four mode-4 calls per parameter
//      with h = DELTA. The error falls as h^4 and the rounding as 1/h: a
//      relative increment near 1e-6 (the run-wide DELTA's 1e-6 for
//      parameters of order 1) gives about 25 correct digits.
//
// B has the engine's sign, the derivative of the modelled value times the
// weight (the negative derivative of Z). A held parameter (OFFON = 0) is
// never evaluated away from its value and gets zero partials; for the
// step (scaled = true) OFFON multiplies every other parameter's partials.
#pragma once

#include "model/state.hpp"

namespace quorl {

// After mode 3 for data point MD: ZR(:).ZBASE and B(:,:) of that point,
// PR(:).P = PR(:).PBASE again on return.
void pointPartials(State& s, bool scaled);

// The extrapolated central difference of method 2 from Z at P + h, P - h,
// P + h/2 and P - h/2: (4 D(h/2) - D(h)) / 3, D(h) = (Z(P - h) - Z(P + h))
// / (2h), with B's sign.
inline Quad extrapolatedCentral(const Quad& h, const Quad& up, const Quad& down, const Quad& upHalf,
                                const Quad& downHalf) {
    const Quad wide = (down - up) / (h + h);
    const Quad narrow = (downHalf - upHalf) / h;
    return (fromInt(4) * narrow - wide) / fromInt(3);
}

}  // namespace quorl
