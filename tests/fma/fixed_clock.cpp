// A clock that always reads the same time, linked into the programs whose
// whole output is compared byte for byte between two builds: in place of
// the engine's readLocalClock, every timestamp of a run is then the same.
#include "text/fdate23.hpp"

namespace quorl {

ClockReading readLocalClock() { return ClockReading{0, 2026, 12, 9, 0, 12, 0, 0, 0}; }

}  // namespace quorl
