// The value of a real in input text, in every form that free-form,
// namelist and formatted input accept (the forms gfortran reads):
//
//   [sign] digits [. [digits]] [exponent]  or  [sign] . digits [exponent]
//   exponent: a letter E, D or Q (any case) with an optional sign, or a bare
//             sign ("1.5-3"), then digits
//   [sign] Inf, Infinity, NaN or NaN(letters and digits), any case
//
// The text is turned into a short decimal form first: at most
// kKeptDigits significant digits, a sticky digit standing for any nonzero
// digits beyond them (they only decide ties), and the exponent. A value
// written with a hundred million digits thus costs no copy of them.
#pragma once

#include <string>
#include <string_view>

#include "quad/quad.hpp"

namespace quorl::io {

struct RealText {
    std::string decimal;   // "[-]digitsE[-]exponent"; empty for a non-finite value
    double special = 0.0;  // the infinity or NaN when `decimal` is empty
};

// False when the whole of `text` is no real. Without a decimal point the
// last `impliedDecimals` digits are decimals (formatted input's Fw.d).
bool realText(std::string_view text, RealText& out, int impliedDecimals = 0);

// The quad real nearest the value of `text`; false, `out` untouched, when
// the text is no real.
bool parseReal(std::string_view text, Quad& out);

// Inf, Infinity, NaN or NaN(...) with an optional sign: the words that a
// real takes although they begin like a name.
bool isNonFiniteWord(std::string_view text);

}  // namespace quorl::io
