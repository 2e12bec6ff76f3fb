// The normal equations from a point model (model/point_model.hpp): the
// pass over the data in fixed chunks over threads, each chunk summed in
// data-point order exactly as the pass of modes 3, 4 and 7 sums, the
// chunks' sums added in chunk order.
#pragma once

#include "model/state.hpp"

namespace quorl {

struct NormalSums;

// BTB, BTZ and the sums at PR(:).PBASE when the model has a point model
// and no line is to be written per data point (the step's listings at
// JPD >= 5): true. False, with nothing done, otherwise. `scaled`: OFFON
// multiplies the partials (the step's pass); held parameters get zero
// partials and are never evaluated away from their values. `rounding`
// receives sum |z| (|ZDATA * WT| + |z|).
bool formNormalEquationsInChunks(State& s, bool scaled, NormalSums& sums, Quad& rounding);

}  // namespace quorl
