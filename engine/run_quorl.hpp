// The driver: one whole run of the engine with a model, from start-up
// through the iteration loop to the closing pause.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Runs the engine with the model on a fresh State and returns the program's
// exit status: 0 after a normal end, non-zero after every stop for a
// failure. A stop's message is shown on the console; every unit is closed.
int runQuorl(State& s, Model model);

}  // namespace quorl
