// The command line of quorl-fit:
//
//   quorl-fit [-i | --interactive] [FOLDER]
//   quorl-fit --help | --version
//
// It runs the fit of FOLDER/Quorl-user.nml (the current folder without
// one) and writes its files there. It never waits at the console unless
// asked to (--interactive): pauses only show their text, the quit question
// is not asked and the run does not wait for Enter at its end.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quorl::fit {

// Exit status of a command line that cannot be used (an unknown option, a
// second folder, a folder that cannot be entered); nothing is run.
inline constexpr int kUsageStatus = 2;

struct FitCommand {
    bool help = false;
    bool version = false;
    bool interactive = false;
    std::string folder;  // empty: the current folder
};

// The options of the arguments (without the program's name), or the fault
// that makes them unusable.
std::optional<FitCommand> parseFitCommand(const std::vector<std::string>& args, std::string& fault);

// The whole program: answers --help and --version, refuses a faulty
// command line with kUsageStatus, else runs the fit in its folder with the
// console streams given, and returns the exit status.
int runFitCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace quorl::fit
