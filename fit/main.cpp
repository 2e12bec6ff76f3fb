// quorl-fit: the engine run with a formula model read from Quorl-user.nml.
#include <iostream>
#include <string>
#include <vector>

#include "fit/fit_command.hpp"

int main(int argc, char** argv) {
    return quorl::fit::runFitCommand(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr);
}
