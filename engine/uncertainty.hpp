// The uncertainties of the accepted values, at the end of a run.
//
// One more pass of data-point partials at PR(:).PBASE gives the normal
// matrix M = B'B of the weighted residuals. Its inverse is taken over the
// largest set of parameters whose partials are independent, chosen on the
// diagonal (engine/invert_independent.hpp), so that it is the inverse of
// the block of those parameters. With N = MDTOT * LZTOT residuals, p the
// parameters used and chi2 the sum of the squared weighted residuals:
//   - the unscaled standard error of parameter k is sqrt(inv(M)(k,k)): the
//     right one when every weight is 1/sigma of a known measurement error;
//   - the scaled standard error multiplies it by sqrt(chi2 / (N - p)), the
//     usual choice when the weights are only relative (chi2 / (N - p) then
//     estimates the variance of a residual of weight 1);
//   - the correlation of parameters i and j is inv(M)(i,j) /
//     sqrt(inv(M)(i,i) * inv(M)(j,j)).
// A held parameter (OFFON = 0) and one left out as dependent have no
// standard error. The partials are one-sided differences with each
// parameter's increment PR(KP).DELTA, as in the iterations. The same pass
// gives the figures of the convergence test (engine/verdict.hpp) and the
// unweighted residual sum of squares.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Fills s.uncertainty. Changes BTB, BTZ, B, PR(:).BTBNORM, PR(:).INVERTED,
// IRANK and ZR(:).ZBASE,
// leaves PR(:).P = PR(:).PBASE. When a free parameter has no usable
// increment (a run with no iteration and no increments set), nothing is
// computed and s.uncertainty.notComputed says why.
void computeUncertainty(State& s);

// The report of s.uncertainty on unit IP (nothing when IP <= 5).
void writeUncertaintyReport(State& s, int IP);

}  // namespace quorl
