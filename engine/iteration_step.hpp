// The iteration step: in every iteration after the baseline, compute both
// candidate steps, clamp, select and scale one, apply it, re-evaluate and
// accept the new values.
#pragma once

#include "model/state.hpp"

namespace quorl {

void iterationStep(State& s);

}  // namespace quorl
