// The result files of a run: the previous run's values read at start-up,
// the start banner with the project context, and the parameter file
// written at the end.
//
// Quorl-params.txt, on unit JPU10, holds in this order: the counts KPTOT
// and LZTOT (free-form); one value line per parameter, PBASE with 32 digits
// after the point, its index and its name; a heading; the full-precision
// listing with its decimal-place ruler; the evaluation summary of the
// final values; the project context with the end timestamp; the version
// banner; the run identity (model/run_identity.hpp). Only the counts and
// the value lines are read back.
#pragma once

#include <string_view>

#include "model/state.hpp"

namespace quorl {

inline constexpr std::string_view kParameterFile = "Quorl-params.txt";

// Exit status of a run stopped by a faulty value line or a parameter file
// that ends early.
inline constexpr int kParameterInputStatus = 5;
// Exit status of a run whose parameter file could not be written.
inline constexpr int kParameterWriteStatus = 7;

// Reads the values of Quorl-params.txt into PR(:).P (JPREV = 1). A missing
// file, or one whose counts are unreadable or differ from the current
// model's, is reported with a pause and changes nothing; a faulty value line
// or a file that ends early stops the run.
void readPreviousValues(State& s);

// The version banner and the project context on the report unit (and the
// banner on the console too when the reports go elsewhere).
void writeStartBanner(State& s);

// Writes the new Quorl-params.txt with the accepted values of the run,
// complete but not yet in place (renamed by saveResultFiles). A
// failure to write it stops the run with a non-zero status and leaves the
// previous file as it was.
void writeParameterFile(State& s);

// Writes Quorl-params.txt and Quorl-results.json, both to their temporary
// files first, and renames them over the old files only once both are
// complete: a failure while writing either leaves both old files as they
// were, so the two always come from the same run.
void saveResultFiles(State& s);

// The non-blank project-context lines, each with (60a1), on a unit.
void writeProjectContextLines(State& s, int unit);

}  // namespace quorl
