// PRINTITER: the report of one iteration.
#pragma once

#include "model/state.hpp"

namespace quorl {

void PRINTITER(State& s, int IP);

}  // namespace quorl
