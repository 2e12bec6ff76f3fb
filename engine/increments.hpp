// Relative finite-difference increments.
//
// The partials are one-sided differences, (Z(P) - Z(P + DELTA)) / DELTA.
// Their error has two parts: the truncation error, about DELTA times the
// curvature, and the rounding error, about the quad precision (1e-32 of the
// residuals) divided by DELTA. An increment proportional to the parameter's
// own magnitude keeps both small for parameters of any scale; the run-wide
// DELTA (an absolute 1e-6 unless configured) suits only parameters of order
// 1 and then gives the partials, and so the fitted values, about 8 correct
// digits where the arithmetic could give twice as many.
//
// Call setRelativeIncrements from the model's mode 2 (the start of every
// pass over the data, before every partials pass) with the run-wide DELTA
// set to 0, in mode 0 or in Quorl-user.nml, so that it does not overwrite
// the model's increments at the top of each iteration:
//
//   if (MODE == 0) { ...; s.DELTA = Quad{}; }
//   if (MODE == 2) { quorl::setRelativeIncrements(s); }
//
// Each increment is factor * max(|PBASE|, floor). PBASE does not change
// within an iteration, so the increments stay fixed while a partials pass
// shifts P. The floor serves a parameter at or near zero: a purely relative
// increment would vanish with the value (a parameter starting at exactly 0
// would get increment 0, or one so small, 1e-44 say, that its partials
// come out exactly 0 and it never moves). With the floor 1, its increment
// is factor itself, which quad precision resolves for parameters whose
// natural scale lies anywhere from about 1e-8 to 1e8; a parameter that
// lives at another scale should pass its own scale as the floor.
#pragma once

#include <vector>

#include "model/state.hpp"

namespace quorl {

// The default factor: near the square root of the quad precision (about
// 1e-32), where truncation and rounding errors of a one-sided difference
// balance.
Quad defaultIncrementFactor();

// Every PR(KP).DELTA = factor * max(|PR(KP).PBASE|, floor).
void setRelativeIncrements(State& s, const Quad& factor, const Quad& floor);
void setRelativeIncrements(State& s);  // default factor, floor 1

// The same with a floor (a natural scale) per parameter: scales[KP - 1].
void setRelativeIncrements(State& s, const Quad& factor, const std::vector<Quad>& scales);

}  // namespace quorl
