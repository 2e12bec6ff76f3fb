// Quorl-results.json: the result of a run that reached its end, for
// programs to read. Its keys:
//   program; status: the verdict, "converged", "stalled" or
//   "iteration_limit" (engine/verdict.hpp); iterations: the steps taken;
//   evaluations: the evaluations of all residuals (a partials pass counts
//   one plus its shifted evaluations);
//   convergence: the figures of the test (predicted_decrease,
//   gradient_cosine, largest_relative_step, last_decrease: the relative
//   decrease of chi-square over the last step that moved a parameter);
//   data_points, quantities, parameters_used, degrees_of_freedom;
//   sqrt_chi_square_per_point: the engine's error measure (SRSS in the
//   reports), sqrt(chi_square / data_points); chi_square: the sum of the
//   squared weighted residuals; residual_sum_of_squares: the sum of the
//   squared residuals before weighting (Z / WT); reduced_chi_square;
//   parameters (index, name, value, held, dependent, standard_error,
//   standard_error_unscaled); correlation (a matrix over the parameters
//   used, in index order).
// Numbers carry every digit of the quad reals; null stands where a value
// does not exist. The file is replaced as a whole, together with
// Quorl-params.txt, and a run that failed never writes it.
#pragma once

#include <string>
#include <string_view>

#include "model/state.hpp"

namespace quorl {

inline constexpr std::string_view kResultsFile = "Quorl-results.json";

// The text of the file for the state at the end of a run.
std::string resultsJson(State& s);

// Writes the new Quorl-results.json to its temporary file (renamed by
// saveResultFiles, engine/result_files.hpp); a failure stops the run with
// the status of a failed parameter file, leaving an earlier file whole.
void writeResultsJson(State& s);

}  // namespace quorl
