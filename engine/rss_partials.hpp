// RSSPARTIALS: the RSS-gradient step, from one-sided finite differences of
// whole fit evaluations, one per parameter.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Leaves in PR(:).PSTEP(1,1) the step down the gradient of RSS whose
// Euclidean length equals RSS (unless the gradient vanishes: its squared
// length 1e-30 or less leaves the raw quotients), in PSTEPMAG the length
// factor, RSS the error at the accepted values, and PR(:).P = PR(:).PBASE.
// Evaluations and the report go to unit JPUL (the report when JPUL >= 5).
void RSSPARTIALS(State& s, int JPUL);

// The same step from the partials of the data points instead of whole
// evaluations, when they are exact or extrapolated (JPARTIALS = 1 or 2):
// -dRSS/dP = BTZ / (MDTOT * RSS), with BTZ as DATAPOINTPARTIALS leaves it
// (OFFON included) and RSS the error at the accepted values. No evaluation.
void rssStepFromPartials(State& s, int JPUL);

}  // namespace quorl
