// The viewer page that a run writes beside its drawing files when a
// drawing closes: "Quorl-3dView.html", written whole, to be renamed over
// the old page together with the drawing files (s.units.commit, by
// DRAW3DJTL). The page is an extra: when it cannot be
// built or written the run shows a note on the console and goes on, and
// the drawing files, already complete, stay as they are.
#pragma once

#include <span>

#include "model/records.hpp"
#include "model/state.hpp"
#include "vis/view_drawing.hpp"

namespace quorl {

// Returns whether the page was written (complete, waiting to be renamed);
// a page written says nothing.
bool writeViewPage(State& s, std::span<const TLREC> points);

// Renames the page written by writeViewPage over the old one; a failure
// is noted as above and leaves the old page.
void commitViewPage(State& s);

}  // namespace quorl
