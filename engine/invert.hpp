// INVERT: in-place inversion of a square quad matrix that survives linear
// dependency among the parameters (see the header of engine/invert.cpp for
// the method and the degenerate cases).
#pragma once

#include <cstdint>

#include "io/units.hpp"
#include "model/array.hpp"
#include "quad/quad.hpp"

namespace quorl {

// Inverts A(1:N,1:N) in place by Gauss-Jordan elimination with complete
// pivoting and returns:
//   VALMIN  the noise threshold, 1e-20 times the largest input magnitude;
//   IRANK   the number of pivots accepted;
//   DETN    the magnitude of the last accepted pivot (0 when none);
//   IUSED   IUSED(i) = 1 when row i served as a pivot row, else 0.
// Rows and columns that were never pivoted come back zero. Diagnostics go
// to unit IP, only when IP > 5.
void INVERT(io::Units& units, int N, Array2<Quad>& A, Quad& VALMIN, std::int32_t& IRANK, Quad& DETN,
            Array1<std::int32_t>& IUSED, int IP);

// The used-parameter flags of a finished inversion: bit i-1 is set for every
// row tag IRU(i) < 0 with i <= 62 (parameters beyond the 62nd set none).
std::int64_t usedParameterBits(int N, const Array1<std::int32_t>& IRU);

}  // namespace quorl
