// The damped inverter step (JSTEPMULT = 3): a Levenberg-Marquardt step with
// a trust region, in the normalised form of the normal equations.
//
// With N the normal matrix scaled to unit diagonal (N = D^-1 BTB D^-1, D
// the norms BTBNORM) and g = D^-1 BTZ, a damped step is h = D^-1 y with
//   (N + lambda W) y = g,
// solved by the same rank-revealing inverter over the parameters the
// undamped inversion used, so held and dependent parameters get no step, as
// in the inverter's step. lambda = 0 gives the Gauss-Newton step; a larger
// lambda turns the step towards the scaled gradient and shortens it.
// W = (M / D)**2, M the largest norm each parameter has had in the run
// (Moré's scaling): for a parameter whose partials keep their size W is 1
// and the damping is scale-free on the unit diagonal; one whose partials
// fade (it runs off to where the model no longer depends on it) keeps the
// damping it had instead of losing it with its norm.
//
// The damping is set through a trust region, as in Moré's implementation
// of the method ("The Levenberg-Marquardt algorithm: implementation and
// theory", 1978): the step must satisfy |M h| <= radius. When the
// Gauss-Newton step does, lambda = 0; otherwise lambda is the value whose
// step has length within 10% of the radius (found by bisection in
// log lambda; the length falls as lambda grows).
//   - The first radius of a run is |M x|, the length of the accepted values
//     in the same scale (1 when they are all 0): a first step may change
//     the parameters by about their own size.
//   - A trial whose error is lower than at the accepted values is
//     accepted. With rho the actual decrease of F = sum(z**2)/2 over the
//     decrease the linear model predicts, y'(lambda W y + g)/2: rho < 0.25
//     halves the radius to the step's length; rho > 0.75, or a
//     Gauss-Newton step, lets it grow to twice the step's length.
//   - A trial that does not lower the error, or whose error is not finite,
//     is retried in the same iteration on the same partials with the radius
//     cut to a quarter of the step's length.
//   - The iteration gives up, with JDONE = 1 and the accepted values kept,
//     once a trial no longer moves any parameter (the step has fallen below
//     what quad arithmetic resolves) or after kMaxRetries retries.
//   - Near the minimum, where a Gauss-Newton step predicts a decrease
//     below 1e-20 of F, comparisons of the error no longer resolve it:
//     Gauss-Newton steps are taken as long as F does not rise beyond its
//     rounding (1e-24 of itself), the radius left alone, while each is
//     shorter than 0.9 of the one before; the first that is not is the
//     last (JDONE). With exact partials this carries the values from about
//     16 correct digits to about 30.
// JDONE is also set when the accepted step changes every parameter by no
// more than a unit in its 104th bit: the fit has converged as far as quad
// arithmetic resolves.
#pragma once

#include "model/state.hpp"

namespace quorl {

inline constexpr int kMaxRetries = 60;

// Inputs: s.dampedStep.normalized (kept by the inversion), BTZ,
// PR(:).BTBNORM, PR(:).INVERTED, PR(:).PBASE, RSSBASE, and the radius and
// scales kept in s.dampedStep from earlier iterations. Outputs, as the line
// search's: PR(:).PSTEP(4,1) the damped step of the last trial, STEPMULT
// (1 for an accepted trial, 0 when none was), PSTEP(4,2) the step taken,
// PNEW = P, RSS at P, OMJ, JDONE; and in s.dampedStep the radius, lambda,
// the retries and the gain ratio. IP > 5 lists every trial.
void takeDampedStep(State& s, int IP);

}  // namespace quorl
