// PRINTA: the inverter's matrix listing, with the row and column tags.
#pragma once

#include <cstdint>

#include "io/units.hpp"
#include "model/array.hpp"
#include "quad/quad.hpp"

namespace quorl {

// Writes to unit IP the rank and pivot magnitude reached so far, the column
// tags JCU(1:N) as a heading, then each row i of A(1:N,1:N) after its tag
// IRU(i), and an empty line. Writes nothing when IP < 6.
void PRINTA(io::Units& units, int N, const Array2<Quad>& A, std::int32_t IRANK, const Quad& DETN,
            const Array1<std::int32_t>& IRU, const Array1<std::int32_t>& JCU, int IP);

}  // namespace quorl
