// The field writers behind io::format: each appends one field to `out`,
// exactly w characters wide (w == 0 where allowed: as wide as the value
// needs). A value too wide for its field fills it with asterisks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "io/format.hpp"
#include "quad/quad.hpp"

namespace quorl::io::detail {

void fillStars(std::string& out, int w);

// Iw.m of the integer (negative ? -magnitude : magnitude); m < 0: absent.
void editInteger(std::string& out, bool negative, std::uint64_t magnitude, int w, int m, bool plus);
// Bw.m of the bit pattern.
void editBinary(std::string& out, std::uint64_t bits, int w, int m);
// Aw of the text; w < 0: the whole text.
void editAlpha(std::string& out, std::string_view text, int w);

// Fw.d, Ew.dEe (e == 0: two digits, three without the letter beyond 99)
// and Gw.dEe of the exact value hi + lo.
void editFixed(std::string& out, Quad v, int w, int d, bool plus);
void editExponent(std::string& out, Quad v, int w, int d, int e, char letter, bool plus);
// How Gw.d picks its form: for a float or double item with the limits
// formed in the item's own precision (as gfortran does), for a Quad by the
// exact value rounded to d digits.
enum class GeneralRule { Real32, Real64, Exact };
void editGeneral(std::string& out, Quad v, int w, int d, int e, bool plus, GeneralRule rule);

// List-directed form of a real whose significant digits are 9 (real32),
// 17 (real64) or 36 (the full-precision form used for Quad).
enum class FreeKind { Real32, Real64, Full };
void editFreeReal(std::string& out, Quad v, FreeKind kind);

// The list-directed field of one item, without the separator before it.
void editFreeItem(std::string& out, const Item& item);

}  // namespace quorl::io::detail
