// SELECTSTEPMULT: the line search that scales the selected step.
//
// Inputs (shared): PR(:).PBASE, the accepted values; PR(:).PSTEP(4,1), the
// step to scale; RSSBASE, the error before the step; JMINTOT, the pass
// limit. IP is the diagnostic unit: nothing is written when it is 5 or less.
//
// Outputs (shared): STEPMULT, the multiplier applied along PSTEP(4,1);
// for every parameter P = PNEW, the point whose error won, and PSTEP(4,2) =
// PSTEP(4,1) * STEPMULT; RSS, the error re-evaluated there (equal to the
// winning error); OMJ, the change-scale text of the chosen error against
// RSSBASE; JDONE = 1 when the choice is multiplier 0 or the first ladder
// step (no real progress), else 0; JMIN, the pass that ended the search,
// or JMINTOT + 1 when every pass chose the negative probe. PBASE is never
// changed; CFLOAT40 is scratch. The search's own values stay in
// s.selectStepMult for inspection after the call.
//
// Method, per pass (DELTA = 2**(pass-1)):
//   - evaluate the error at the 17-point ladder -0.1, 0, 0.001, 0.002,
//     0.1 .. 1.0, 1.001, 1.002, 1.1, each multiplier divided by DELTA;
//   - fit the exact parabolas through the clusters at 0 (slots 2-4) and at 1
//     (slots 14-16) and form their difference;
//   - take from each of the three polynomials its two real roots, its
//     vertex, or, when it is too flat to be a parabola, half the crossing of
//     its linear part; add the intersection of the tangents at 0 and 1 and
//     the zero of the chord between them (candidate slots 18-31);
//   - clamp every multiplier to [-2, 2] and evaluate each non-zero candidate
//     at its multiplier times DELTA;
//   - keep the lowest finite error by a strict comparison starting from
//     slot 2 (multiplier 0), so an unchanged point and lower slots win ties
//     and a point whose error is NaN or infinite never wins, and apply the
//     chosen point exactly where it was evaluated (STEPMULT = X(K) / DELTA
//     for a ladder point, X(K) * DELTA for a candidate).
// A pass whose best point is the negative probe (slot 1) is followed by
// another with DELTA doubled, up to JMINTOT passes; after the last such pass
// the parameters stand at its probe.
//
// Degenerate cases: a parabola too flat (|A| not above 1e-28), a negative
// discriminant, parallel tangents or a flat chord leave their slots 0, and
// a 0 slot is neither evaluated nor chosen. When nothing beats the
// unchanged parameters the result is STEPMULT = 0 with JDONE = 1. With
// JMINTOT below 1 no pass runs and the outcome is the same: JMIN = 1,
// STEPMULT = 0, JDONE = 1, P = PNEW = PBASE.
//
// Cost: at most 32 evaluations of the fit per pass.
#pragma once

#include "model/state.hpp"

namespace quorl {

void SELECTSTEPMULT(State& s, int IP);

}  // namespace quorl
