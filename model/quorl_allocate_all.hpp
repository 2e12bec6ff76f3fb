// QUORLALLOCATEALL: checks the problem's sizes and allocates and initialises
// the seven shared arrays; releaseAll gives them back at the end of a run.
// A DATAE that the model filled in mode 0 with the bounds of the sizes
// (0:NXTOT+LZTOT, 1:MDTOT) is kept as it is.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Stops the run with a halt line at the first size below 1 (in the order
// KPTOT, LZTOT, MDTOT, NXTOT), and with a pause and a stop when an
// allocation fails. Returns only on success.
void QUORLALLOCATEALL(State& s);

// Releases PR, ZR, DATAE, XR, then B, BTB, BTZ.
void releaseAll(State& s);

}  // namespace quorl
