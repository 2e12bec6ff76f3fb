// Quorl-results.json: the result of a run that ended normally, for
// programs to read. Its keys:
//   program, status ("ended"), iterations, data_points, quantities,
//   parameters_used, degrees_of_freedom, rss, chi_square,
//   reduced_chi_square, parameters (index, name, value, held, dependent,
//   standard_error, standard_error_unscaled), correlation (a matrix over
//   the parameters used, in index order).
// Numbers carry every digit of the quad reals; null stands where a value
// does not exist. The file is replaced as a whole, and a run that failed
// never writes it.
#pragma once

#include <string>
#include <string_view>

#include "model/state.hpp"

namespace quorl {

inline constexpr std::string_view kResultsFile = "Quorl-results.json";

// The text of the file for the state at the end of a run.
std::string resultsJson(State& s);

// Writes Quorl-results.json; a failure stops the run with the status of a
// failed parameter file, leaving an earlier file whole.
void writeResultsJson(State& s);

}  // namespace quorl
