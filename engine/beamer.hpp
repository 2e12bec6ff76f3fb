// BEAMER: a one-line progress bar on the console for a long loop, with an
// estimate of the loop's processor time.
#pragma once

#include "model/state.hpp"

namespace quorl {

// Call with N = 1 first, then with increasing N up to NTOT (the same NTOT
// throughout). The bar is "Beamer ", after the first fiftieth of the items
// the estimated total processor time (50 times that of the first
// NTOT / 50 items), a mark every NTOT / 50 items ("*" every fifth, ":" the
// others) and " done." at N = NTOT. Kept values live in s.beamer.
void BEAMER(State& s, int N, int NTOT);

// What BEAMER(s, N, NTOT) for every N = 1 .. NTOT writes, for a loop that
// has run already, called only at the items where the bar changes.
void beamerWhole(State& s, int NTOT);

}  // namespace quorl
