// The uncertainties of the accepted values, at the end of a run.
//
// One more pass of data-point partials at PR(:).PBASE gives the normal
// matrix M = B'B of the weighted residuals; the same rank-revealing
// inverter as the steps use gives its (partial) inverse. With N =
// MDTOT * LZTOT residuals, p the parameters the inverter used and chi2 the
// sum of the squared weighted residuals (MDTOT * RSS**2):
//   - the unscaled standard error of parameter k is sqrt(inv(M)(k,k)): the
//     right one when every weight is 1/sigma of a known measurement error;
//   - the scaled standard error multiplies it by sqrt(chi2 / (N - p)), the
//     usual choice when the weights are only relative (chi2 / (N - p) then
//     estimates the variance of a residual of weight 1);
//   - the correlation of parameters i and j is inv(M)(i,j) /
//     sqrt(inv(M)(i,i) * inv(M)(j,j)).
// A held parameter (OFFON = 0) and one the inverter leaves out as
// dependent have no standard error. The partials are one-sided differences
// with each parameter's increment PR(KP).DELTA, as in the iterations.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Fills s.uncertainty. Uses the final RSS; changes BTB, BTZ, B,
// PR(:).BTBNORM, PR(:).INVERTED, NOISEFLOOR, IRANK, ABSDET and ZR(:).ZBASE,
// leaves PR(:).P = PR(:).PBASE. When a free parameter has no usable
// increment (a run with no iteration and no increments set), nothing is
// computed and s.uncertainty.notComputed says why.
void computeUncertainty(State& s);

// The report of s.uncertainty on unit IP (nothing when IP <= 5).
void writeUncertaintyReport(State& s, int IP);

}  // namespace quorl
