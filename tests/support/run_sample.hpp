// Runs the sample program in the current directory, its console input from
// a file and its console output into console.txt; returns its exit status.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "engine/verdict.hpp"

namespace quorl::testing {

// Whether a run reached its end and wrote its results, converged (status 0)
// or not (a few iterations that stop short of the minimum).
inline bool ranToItsEnd(int status) { return status == 0 || status == kNotConvergedStatus; }

// Runs a program in the current directory, its console input from a file and
// its console output into console.txt; returns its exit status.
inline int runProgram(const std::string& program, const std::string& input = "/dev/null") {
    const std::string cmd = "'" + program + "' < " + input + " > console.txt 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128;
}

inline int runSample(const std::string& input = "/dev/null") { return runProgram(QUORL_SAMPLE_PROGRAM, input); }

}  // namespace quorl::testing
