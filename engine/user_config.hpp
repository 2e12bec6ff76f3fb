// The run configuration: the namelist group QUORLNML of Quorl-user.nml,
// read between the model's mode 0 and the allocation, and the echo of the
// controls in effect after the model has loaded its data.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Reads Quorl-user.nml from the current directory if it exists. Members in
// the file override the model's defaults; a faulty item is reported with a
// pause, the members before it keeping their new values.
void readUserConfig(State& s);

// Writes the controls in effect, with the range each accepts, to JPU.
void echoControls(State& s);

}  // namespace quorl
