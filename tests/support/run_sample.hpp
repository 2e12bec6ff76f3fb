// Runs the sample program in the current directory, its console input from
// a file and its console output into console.txt; returns its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace quorl::testing {

inline int runSample(const std::string& input = "/dev/null") {
    const std::string cmd = std::string("'") + QUORL_SAMPLE_PROGRAM + "' < " + input + " > console.txt 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

}  // namespace quorl::testing
