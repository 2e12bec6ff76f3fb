// MORPH3DJTL: compresses the height (third coordinate) of one 3D point in
// place, by the rule JTLMORPH selects, so that error measures spanning many
// decades fit one picture; values between -1 and 1 always stay as they are,
// so the picture keeps a linear scale there and is continuous at +-1.
//
//   0  no change
//   1  beyond +-1: +-(LOG10LF(|z|) + 1), straight between powers of ten
//   2  beyond +-1: +-(log10(|z|) + 1), the smooth logarithm
//   3  beyond +-1: folded into the band 1..2 (-1..-2): +-2 - 1/z
//   4  a place for a rule of the user's own: halts the run until defined
//   other values: no change
#pragma once

#include "model/records.hpp"
#include "model/state.hpp"

namespace quorl {

// Only TLIN.XYZ(3) may change.
void MORPH3DJTL(State& s, TLREC& TLIN);

}  // namespace quorl
