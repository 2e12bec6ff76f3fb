// The run configuration: the namelist group QUORLNML of Quorl-user.nml,
// read between the model's mode 0 and the allocation, and the echo of the
// controls in effect after the model has loaded its data.
#pragma once

#include "io/namelist.hpp"
#include "model/state.hpp"

namespace quorl {

// Reads Quorl-user.nml from the current directory if it exists. Members in
// the file override the model's defaults; a faulty item is reported with a
// pause, the members before it keeping their new values.
void readUserConfig(State& s);

// The file name CJUSERFILE will have once the configuration is read: the
// value Quorl-user.nml gives it, or the current one when the file does not
// set it (or does not exist, or cannot be read). For a model that needs the
// name in mode 0, before the driver reads the configuration (a data table
// that gives the problem's sizes). Reads quietly: faults of the file are
// reported once, when the driver reads it.
Text<60> configuredUserFile(const State& s);

// What the group QUORLNML of Quorl-user.nml gives, read into a scratch copy
// of the controls (nothing of the run changes): the reader's result
// (NotFound when there is no file or no group; a file that is there but
// cannot be read counts as found and malformed) and the value CJUSERFILE
// takes. For a program that refuses a faulty file before its run starts.
struct UserConfigCheck {
    io::NamelistResult result;
    Text<60> userFile;
};
UserConfigCheck checkUserConfig(const State& s);

// Writes the controls in effect, with the range each accepts, to JPU.
void echoControls(State& s);

}  // namespace quorl
