#include "engine/print_iter.hpp"

namespace quorl {

// The iteration report is not written yet.
void PRINTITER(State&, int) {}

}  // namespace quorl
