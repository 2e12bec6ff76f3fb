// The viewer page that a run writes beside its drawing files when a
// drawing closes: "Quorl-3dView.html", replaced as a whole (a temporary
// file renamed over the old page). The page is an extra: when it cannot be
// built or written the run shows a note on the console and goes on, and
// the drawing files, already complete, stay as they are.
#pragma once

#include <span>

#include "model/records.hpp"
#include "model/state.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {

// Returns whether the page was written; a page written says nothing.
bool writeViewPage(State& s, std::span<const TLREC> points);

}  // namespace quorl
