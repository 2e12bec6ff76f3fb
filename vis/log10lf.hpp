// LOG10LF: the signed, piecewise-linear base-10 logarithm. Exact at every
// power of ten and a straight line in between: a value v in the decade
// [10^k, 10^(k+1)) maps to k + (v/10^k - 1)/9, so 1, 10, 100 give 0, 1, 2
// and 50 gives 1 + 4/9. Values below 1 map to minus the value of their
// reciprocal; zero, negative values and values that are not a number give 0.
#pragma once

#include "model/state.hpp"
#include "quad/quad.hpp"

namespace quorl {

Quad LOG10LF(const Quad& VALUE1);

// The same, and with IP > 5 the result and its intermediates are written
// to unit IP of the run.
Quad LOG10LF(State& s, const Quad& VALUE1, int IP);

}  // namespace quorl
