// The damped (Levenberg-Marquardt) step within a trust region: the step y
// that solves
//     (N + lambda W) y = g,   |W^(1/2) y| <= radius,
// with lambda >= 0 as small as the radius allows, where N is the normal
// matrix of the free parameters scaled to a unit diagonal (zero rows and
// columns for parameters without partials), g its right-hand side in the
// same scale and W > 0 the diagonal weights of the damping.
//
// Method (Moré, "The Levenberg-Marquardt algorithm: implementation and
// theory", 1978):
//   - lambda = 0, the Gauss-Newton step, when it fits within 1.1 times the
//     radius and N has full rank. Where N is singular (or nearly: a
//     parameter whose partials add less than 1e-20 of their size to the
//     span of the others'), the Gauss-Newton step over the independent
//     parameters alone (Cholesky with diagonal pivoting,
//     engine/invert_independent.hpp) would leave the others where they
//     are for good; the step is then the damped one of no greater length,
//     over every parameter.
//   - Otherwise the lambda whose step has length phi(lambda) within 10% of
//     the radius, by the safeguarded Newton iteration on the secular
//     equation 1/phi(lambda) = 1/radius, which converges in a few steps
//     from any start: phi'(lambda) comes from the Cholesky factor of
//     N + lambda W, the bracket [lower, upper] from the Gauss-Newton step
//     (when N has full rank) and from |W^(-1/2) g| / radius, and the
//     iteration starts from the lambda of the last step. For lambda > 0,
//     N + lambda W is positive definite: every free parameter takes part,
//     the damping regularising directions in which N is singular.
// Inputs that are not finite give a step that is not finite.
#pragma once

#include <vector>

#include "model/array.hpp"
#include "quad/quad.hpp"

namespace quorl {

struct TrustRegionStep {
    std::vector<Quad> y;  // the step, in the scale of N
    Quad lambda{};        // the damping it took (0: Gauss-Newton)
    Quad length{};        // |W^(1/2) y|
    // d |y(lambda)| / d lambda relative terms for the radius update:
    // y'Ny and y'Wy.
    Quad yNy{}, yWy{};
    bool fullRank = true;  // the Gauss-Newton step used every parameter
};

// The Gauss-Newton step (lambda = 0) over the independent parameters,
// whatever its length.
TrustRegionStep gaussNewtonStep(const Array2<Quad>& N, const std::vector<Quad>& g, const std::vector<Quad>& w);

// N(1:m, 1:m), g and w of size m; lambdaStart the damping of the last step
// (0 for none).
TrustRegionStep trustRegionStep(const Array2<Quad>& N, const std::vector<Quad>& g, const std::vector<Quad>& w,
                                const Quad& radius, const Quad& lambdaStart);

}  // namespace quorl
