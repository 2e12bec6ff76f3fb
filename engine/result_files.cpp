#include "engine/result_files.hpp"

namespace quorl {

// The result files are not read or written yet.
void readPreviousValues(State&) {}
void writeStartBanner(State&) {}
void writeParameterFile(State&) {}

}  // namespace quorl
