// quorl-view: the viewer page or an SVG picture of a run's 3D drawing.
#include <iostream>
#include <string>
#include <vector>

#include "vis/quorl_view.hpp"

int main(int argc, char** argv) {
    return quorl::quorlView(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
