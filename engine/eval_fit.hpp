// EVALFIT: how well the trial parameters PR(:).P fit the whole data set.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Runs the model over every data point and returns in RSSL the error
// measure: the square root of the sum over residual quantities of their
// mean squared weighted residuals. Sets ZR(:).RMS, ZR(:).ZMAX (the residual
// of largest magnitude, the earliest winning ties) and ZR(:).MDMAX. With IP
// above 5 it writes the evaluation summary to unit IP.
void EVALFIT(State& s, Quad& RSSL, int IP);

}  // namespace quorl
