// FLOATWRITE: the full-precision 40-character text of a quad real. Ordinary
// magnitudes get a fixed-point layout; values between 1e-40 and 1e-10 are
// scaled up by 1e10, 1e20 or 1e30 and tagged with a literal exponent, so
// they keep a fixed-point look; only the extremes use exponent form.
#pragma once

#include "io/fixed_text.hpp"
#include "quad/quad.hpp"

namespace quorl {

void FLOATWRITE(const Quad& R16IN, Text<40>& A40OUT);

}  // namespace quorl
