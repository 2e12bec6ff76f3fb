// The normal equations from a point model (model/point_model.hpp): the
// pass over the data in fixed chunks over threads, each chunk summed in
// data-point order, the chunks' sums added in chunk order, so that the
// result is the same to the last bit at any number of threads.
#pragma once

#include <vector>

#include "model/state.hpp"

namespace quorl {

struct NormalSums;

// BTB and BTZ and the sums at PR(:).PBASE when the model has a point model
// and no line is to be written per data point (the step's listings at
// JPD >= 5): true. False, with nothing done, otherwise. `scaled`: OFFON
// multiplies the partials (the step's pass); held parameters get zero
// partials and are never evaluated away from their values. `rounding`
// receives sum |z| (|ZDATA * WT| + |z|), formed in double precision (it
// is an estimate). Where a fit evaluation formed them ahead at the same
// values (evaluateAhead), they are taken from it without a pass.
bool formNormalEquationsInChunks(State& s, bool scaled, NormalSums& sums, Quad& rounding);

// What a fit evaluation records of each quantity (index l = LZ - 1) over
// a chunk of data points: the sum of the squared residuals, the residual
// of largest magnitude (the earliest on a tie) and its data point, and the
// chunk's last residual (set by the pass at the chunk's end).
struct ResidualRecords {
    std::vector<Quad> squares, largest, last;
    std::vector<int> at;
    void start(std::size_t quantities);
    void add(int md, bool first, const Quad* z);
    // Quantity l's residual z of data point md, with its square z * z.
    void addSquare(int md, bool first, std::size_t l, const Quad& z, const Quad& square);
    // Only the largest residual and its data point.
    void track(int md, bool first, std::size_t l, const Quad& z);
};

// Whether fit evaluations form the normal equations ahead: the damped
// step with the exact partials of a point model, nothing listed per data
// point. The evaluation then costs a partials pass, and saves one in the
// next iteration whenever its values are accepted.
bool evaluatesAhead(const State& s);

// The pass of a fit evaluation at PR(:).P with the normal equations
// formed ahead (kept in s.normalAhead): the records of every chunk.
std::vector<ResidualRecords> evaluateAhead(State& s);

}  // namespace quorl
