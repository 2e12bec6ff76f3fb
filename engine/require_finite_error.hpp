// The guard against a fit whose error measure is not a number.
//
// A model that returns NaN or an infinite weighted residual at some data
// point (a logarithm of a negative value, an overflow) makes RSS NaN or
// infinite. Nothing in the iteration can recover from that: every step
// would be compared against NaN and the result file would receive NaN in
// place of the last good values. So the run stops instead, naming where the
// first such residual occurred.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Exit status of a run stopped because its error measure is not finite.
inline constexpr int kNonFiniteErrorStatus = 8;

// Does nothing when RSS is finite. Otherwise evaluates the data once more at
// the current PR(:).P to find the first data point MD and quantity LZ whose
// weighted residual is not finite (or, when every residual is finite but
// their squares overflow, the largest one), writes a message naming the
// iteration (or the final evaluation when `final` is true), the data point
// and the quantity to the run summary (a report unit above 6), and stops
// the run with kNonFiniteErrorStatus. The stop happens before anything is
// saved, so an earlier Quorl-params.txt stays as it was.
void requireFiniteError(State& s, bool final);

}  // namespace quorl
