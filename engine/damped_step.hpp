// The damped inverter step (JSTEPMULT = 3): a Levenberg-Marquardt step with
// a trust region, in the normalised form of the normal equations, after
// Moré ("The Levenberg-Marquardt algorithm: implementation and theory",
// 1978).
//
// With N the normal matrix scaled to unit diagonal (N = D^-1 BTB D^-1, D
// the norms BTBNORM) and g = D^-1 BTZ, a damped step is h = D^-1 y with
//   (N + lambda W) y = g
// over every free parameter (held ones take no part), solved by
// engine/trust_region_step.hpp: the Gauss-Newton step (lambda = 0) when it
// fits the trust region |M h| <= radius and N has full rank, else the
// damped step of the radius' length, lambda from the safeguarded Newton
// iteration on the secular equation. For lambda > 0 the matrix is
// positive definite: directions in which the parameters are dependent are
// regularised by the damping, not frozen. W = (M / D)**2, M the largest
// norm each parameter has had in the run (Moré's scaling).
//   - The first radius of a run is |M x|, the length of the accepted values
//     in the same scale, a value of 0 counting as 1.
//   - A trial whose error is lower than at the accepted values is
//     accepted. With rho the actual decrease of F = sum(z**2)/2 over the
//     decrease the linear model predicts, y'Ny/2 + lambda y'Wy, Moré's
//     rules set the radius: rho <= 0.25 shrinks it by a factor from 0.1 to
//     0.5 (from the parabola through F along the step) and raises lambda
//     by it; rho >= 0.75, or a Gauss-Newton step, makes it twice the
//     step's length and halves lambda.
//   - A trial that does not lower the error, or whose error is not finite,
//     shrinks the radius the same way and is retried on the same partials.
//   - The iteration gives up, with JDONE = 1 and the accepted values kept,
//     once a trial no longer moves any parameter (the step has fallen below
//     what quad arithmetic resolves) or after kMaxRetries retries.
//   - Near the minimum, where a Gauss-Newton step of full rank predicts a
//     decrease below 1e-20 of F, comparisons of the error no longer
//     resolve it: Gauss-Newton steps are taken whatever the radius as long
//     as F does not rise beyond its estimated rounding (errorRounding of
//     the last partials pass, 16 times), while each is shorter than 0.9 of
//     the one before; the first that is not is the last (JDONE). With exact
//     partials this carries the values from about 16 correct digits to
//     about 30.
// JDONE is also set when the accepted step changes every parameter by no
// more than a unit in its 104th bit: the fit has converged as far as quad
// arithmetic resolves.
#pragma once

#include "model/state.hpp"

namespace quorl {

inline constexpr int kMaxRetries = 60;

// Inputs: s.dampedStep.normalized (kept by the inversion), BTZ,
// PR(:).BTBNORM, PR(:).OFFON, PR(:).PBASE, RSSBASE, errorRounding, and the radius and
// scales kept in s.dampedStep from earlier iterations. Outputs, as the line
// search's: PR(:).PSTEP(4,1) the damped step of the last trial, STEPMULT
// (1 for an accepted trial, 0 when none was), PSTEP(4,2) the step taken,
// PNEW = P, RSS at P, OMJ, JDONE; and in s.dampedStep the radius, lambda,
// the retries and the gain ratio. IP > 5 lists every trial.
void takeDampedStep(State& s, int IP);

}  // namespace quorl
