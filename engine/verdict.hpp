// The verdict of a run: whether the accepted values are a minimum of the
// error as far as the arithmetic and the partials resolve it, and if not,
// why the iterations stopped.
//
// The test is made once, at the end of every run that reaches its end, on
// the partials of the uncertainty pass at the accepted values (B the
// weighted partials of the free parameters, z the weighted residuals,
// chi2 = z'z, g = B'z, h = inverse(B'B) g the Gauss-Newton step over the
// parameters used):
//   - predicted decrease  g'h / chi2: the part of chi-square that one more
//     Gauss-Newton step would remove by the linear model. It is the squared
//     cosine between z and the span of the partials, so it is free of the
//     parameters' units and of the size of the residuals; it vanishes at a
//     minimum and is of order 1 far from one.
//   - gradient cosine     max over the parameters of |g_k| / (|B_k| |z|),
//     the classical per-parameter form of the same test (never above the
//     square root of the predicted decrease); reported beside it.
//   - largest relative step  max over the parameters used of |h_k| / |x_k|.
// The accepted values count as converged when chi-square is 0, or, while
// every free parameter has partials (a parameter whose partials are all
// exact zeros sits on a plateau, or its increment is below the resolution
// of its value, and nothing can be said of it; one the model does not use
// at all, whose every value leaves the error as it is, is only left out as
// dependent), when the predicted decrease
// is at most kPredictedDecreaseLimit or when every parameter's Gauss-Newton
// step is at most kRelativeStepLimit of its value. The first holds at any
// minimum with residuals; the second at the minimum of a fit whose
// residuals vanish, where z is rounding noise and its direction means
// nothing, but the step it asks for is below the last digits of every
// value.
//
// The verdict is then
//   converged        the test holds (however the loop ended);
//   stalled          the loop ended because no trial lowered the error
//                    (JDONE), and the test does not hold;
//   iteration_limit  the loop ran out of iterations (JITERTOT), and the
//                    test does not hold.
// A run that is not converged still writes its results, marked with the
// verdict, and ends with exit status kNotConvergedStatus.
#pragma once

#include <string_view>

#include "model/state.hpp"

namespace quorl {

// Exit status of a run that ended without converging (stalled or at the
// iteration limit); its results are written and marked.
inline constexpr int kNotConvergedStatus = 12;

inline constexpr double kPredictedDecreaseLimit = 1e-20;
inline constexpr double kRelativeStepLimit = 1e-15;

// Sets s.verdict.status from s.uncertainty and the way the loop ended
// (s.verdict.loopQuit).
void judgeRun(State& s);

// "converged", "stalled" or "iteration_limit".
std::string_view verdictWord(State::Verdict::Status status);

// The verdict line, with the figures of the test, on unit IP (IP > 5).
void writeVerdict(State& s, int IP);

}  // namespace quorl
