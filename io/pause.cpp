#include "io/pause.hpp"

#include <string>

#include "io/units.hpp"

namespace quorl::io {

void pause(Units& units, std::string_view text) {
    // A line left open by an earlier write is ended first, so the text of
    // the pause stands alone on its line.
    units.endLine(kConsoleOut);
    units.put(kConsoleOut, std::string(text) + "\n");
    if (units.dialogue()) {
        (void)units.readLine(kConsoleIn);
    }
}

}  // namespace quorl::io
