// The result files of a run: the previous run's values read at start-up,
// the start banner with the project context, and the parameter file
// written at the end.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Reads the values of Quorl-params.txt into PR(:).P (JPREV = 1).
void readPreviousValues(State& s);

// The version banner and the project context on the report unit.
void writeStartBanner(State& s);

// Writes Quorl-params.txt with the accepted values of the run.
void writeParameterFile(State& s);

}  // namespace quorl
