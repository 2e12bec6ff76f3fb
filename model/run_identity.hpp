// The identity of a run: one short word, the same in every file the run
// writes (a last line of the parameter file, the point list and the
// drawing file, a key of the results file, a tag of the viewer page), so a
// reader can tell whether files that belong together come from the same
// run or from two (one run killed between the renames of its files).
//
// It is the run's start time to the millisecond, its process number and a
// random tag: "20240131T142530.123-4711-5f3a9c21". Made on first use and
// kept in the State.
#pragma once

#include <string>
#include <string_view>

#include "model/state.hpp"

namespace quorl {

const std::string& runIdentity(State& s);

// Whether `word` has the form of a run identity (letters, digits, '.', '-',
// ':', '_', 1 to 64 characters): what a reader accepts on a run line.
bool isRunIdentity(std::string_view word);

}  // namespace quorl
