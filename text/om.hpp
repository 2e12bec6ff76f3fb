// OM: the order-of-magnitude change scale. Describes how a positive
// quantity changed from an old value VALUE0 to a new one VALUE1 as a
// 9-character text: the ratio VALUE1/VALUE0 written as a signed decimal
// exponent and a three-digit mantissa in [0.1, 0.999], so "  -2e.350" means
// 0.350 * 10**-2 of the old value and "  +1e.500" five times it.
//
//   "  +1e.1  "  no measurable change (relative change below 1e-28)
//   " +**e.100"  an exponent beyond two digits fills its field with asterisks
//   "    e.err"  a negative or undefined (marker) value, or a non-finite one
//   "    e.nul"  both values 0
//   "  - e.000"  the new value 0
//   "  + e.inf"  the old value 0
//   "  + e.unk"  anything else
//
// OM is pure: the text depends on the two values only. The diagnostic form
// also writes the result and the scale's working values to a unit, and
// keeps those working values in the caller's OmScale between calls, so that
// a call that forms no ratio shows the values of the last one that did.
#pragma once

#include <cstdint>

#include "io/fixed_text.hpp"
#include "io/units.hpp"
#include "quad/quad.hpp"

namespace quorl {

// The working values of the change scale: the ratio new/old, its decimal
// exponent and the scaled mantissa. Only a call with both values positive
// overwrites them.
struct OmScale {
    Quad RATIO{};
    std::int32_t EFACTOR = 0;
    Quad MANTISSA{};
};

// The quad constant that marks an undefined value; OM treats a value equal
// to it as an error.
Quad omUndefinedMarker();

// The change-scale text of VALUE1 against VALUE0; writes nothing.
Text<9> OM(const Quad& VALUE1, const Quad& VALUE0);

// The same text; with IP above 5 it also writes the result, both values and
// IP, then RATIO, EFACTOR and MANTISSA, to unit IP of `units`.
Text<9> OM(const Quad& VALUE1, const Quad& VALUE0, io::Units& units, int IP, OmScale& kept);

}  // namespace quorl
