// The command quorl-view: the viewer page, or with --svg a static SVG
// picture of one view, made from a drawing file or point list that a run
// left behind. Returns the exit status: 0 done, 1 a file that cannot be
// read or written (the message names the file and line), 2 a wrong
// command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quorl {

int quorlView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quorl
