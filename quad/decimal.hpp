// Decimal text of quad reals, in both directions, exactly.
//  - parseQuad: a decimal number to the double-double nearest its value.
//  - the exact decimal expansion of a double-double's value (hi + lo),
//    rounded correctly to a number of digits, for the formatted writers.
#pragma once

#include <string_view>

#include "quad/quad.hpp"

namespace quorl {

// Reads a decimal real: optional sign, digits with an optional point, an
// optional exponent introduced by E, e, D or d. The whole text must be the
// number (no blanks). Returns false, leaving `out` untouched, when it is not.
bool parseQuad(std::string_view text, Quad& out);

// The double-double nearest the decimal text; throws std::invalid_argument
// on malformed text. For constants: quadFromText("2.200000001").
Quad quadFromText(std::string_view text);

namespace literals {
// 2.200000001_q: the double-double nearest the literal's decimal text.
Quad operator""_q(const char* text);
}  // namespace literals

}  // namespace quorl
