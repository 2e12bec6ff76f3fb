// The inverse of a normal matrix over its largest well-determined set of
// parameters, for the uncertainties of a result.
//
// Input: A(1:N,1:N), the normal matrix of the weighted partials scaled to a
// unit diagonal (zero rows and columns for parameters without partials);
// symmetric up to rounding, positive semi-definite. Output: A overwritten
// with the inverse of the block of the parameters used (the mean of both
// triangles is taken), zero rows and columns for the rest; IUSED(i) = 1 for
// a parameter used, else 0; the number used is returned.
//
// Method: Cholesky factorisation with symmetric pivoting. At every step the
// parameter whose partials have the largest part not explained by those of
// the parameters already taken (the largest diagonal of the Schur
// complement: on a unit diagonal, the squared sine of its angle to their
// span) is taken next, until that part is no larger than THRESHOLD. The
// inverse is then (L L')^-1 of the factor over the parameters taken.
// Pivoting on the diagonal only keeps the inverse that of a principal
// block: the variances and correlations of a set of parameters, never the
// rows of one set mixed with the columns of another, which is what an
// off-diagonal pivot gives when two parameters are exactly dependent.
// A diagonal that is not finite is never taken.
#pragma once

#include <cstdint>

#include "model/array.hpp"
#include "quad/quad.hpp"

namespace quorl {

int invertIndependentBlock(int N, Array2<Quad>& A, Array1<std::int32_t>& IUSED, const Quad& THRESHOLD);

}  // namespace quorl
