// PRINTITER: the time-stamped report of one iteration: the error measure at
// full precision, one line per residual quantity and one per parameter,
// each with its change since the start of the iteration.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Writes the report to unit IP (the driver passes JPU, or 6 before the quit
// question). Needs JPD >= 3. On the console, while the fit is still making
// progress, the report ends with a pause.
void PRINTITER(State& s, int IP);

}  // namespace quorl
