// MORPH3DJTL: compresses the height (third coordinate) of one 3D point in
// place, by the rule JTLMORPH selects, so that error measures spanning many
// decades fit one picture; values between -1 and 1 always stay as they are.
// LOG10LF: the signed, piecewise-linear base-10 logarithm of the default
// rule, exact at every power of ten and a straight line in between.
#pragma once

#include "model/records.hpp"
#include "model/state.hpp"
#include "quad/quad.hpp"

namespace quorl {

void MORPH3DJTL(State& s, TLREC& TLIN);

// IP > 5 prints the value and its intermediates to that unit of s.
Quad LOG10LF(State& s, const Quad& VALUE1, int IP);
// The same without a trace.
Quad LOG10LF(const Quad& VALUE1);

}  // namespace quorl
