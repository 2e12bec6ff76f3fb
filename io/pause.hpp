// Pause: shows a text on the console as a line of its own and waits for the
// user to answer with one line on unit 5 (whatever it holds). At the end of
// the input (a scripted run whose answers ran out) the run goes on. With
// the console dialogue off (Units::setDialogue) it only shows the text.
#pragma once

#include <string_view>

namespace quorl::io {

class Units;

void pause(Units& units, std::string_view text);

}  // namespace quorl::io
