// Decimal text of quad reals, in both directions, exactly.
//  - parseQuad: a decimal number to the double-double nearest its value.
//  - the exact decimal expansion of a double-double's value (hi + lo),
//    rounded correctly to a number of digits, for the formatted writers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "quad/quad.hpp"

namespace quorl {

// Reads a decimal real: optional sign, digits with an optional point, an
// optional exponent introduced by E, e, D or d. The whole text must be the
// number (no blanks). Returns false, leaving `out` untouched, when it is not.
bool parseQuad(std::string_view text, Quad& out);

// parseQuad's fast path alone: reads the texts of the form
// [+-]digits[.digits][(E|e|D|d)[+-]digits] (at most 19 significant digits,
// an exponent of at most 4 digits) whose value is zero or D * 10^E with
// D <= 2^53 and |E| <= 22 once zeros are moved from E into D, or with
// -340 <= E < -22, or with D < 2^64 and -340 <= E <= 19, but not all of
// these (a value within 2^-74 of a double, a subnormal tail); returns
// false, leaving `out` untouched, for every other text. Where it reads a
// text it gives the same pair as parseQuad, the nearest one.
bool parseShortDecimal(std::string_view text, Quad& out);

// The value (-1)^negative * digits * 10^exp10 as parseShortDecimal gives it
// for a text of those significant digits and that power of ten (its
// arithmetic, for a reader that has taken the text apart itself); false
// where only the exact conversion gives it.
bool shortDecimalValue(std::uint64_t digits, long exp10, bool negative, Quad& out);

namespace detail {
// The powers of ten that are exact doubles, 10^0 to 10^22: the scales of
// the fast paths in both directions.
inline constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// parseQuad without its fast path for short decimals: the exact general
// conversion every text can take (for the tests that compare the two).
bool parseQuadExact(std::string_view text, Quad& out);
}  // namespace detail

// The double-double nearest the decimal text; throws std::invalid_argument
// on malformed text. For constants: quadFromText("2.200000001").
Quad quadFromText(std::string_view text);

// ---- exact decimal expansion, for the formatted writers -----------------
// Both work on the magnitude of the exact value hi + lo (any pair, normalised
// or not, subnormal parts included) and round to nearest, ties to even. The
// value must be finite.

// True when the exact value hi + lo is negative, or is a zero whose head
// carries a minus sign (a negative zero).
bool isNegativeValue(Quad v);

// The decimal digits of round(|v| * 10^decimals), without leading zeros
// ("0" when that rounds to zero). `decimals` may be negative.
void fixedDigits(Quad v, int decimals, std::string& digits);

// `count` (>= 1) significant digits D of |v| (nonzero) and the exponent k
// with |v| = 0.D * 10^k after rounding: 10^(count-1) <= D < 10^count.
int scientificDigits(Quad v, int count, std::string& digits);

// The same digits as the integer n (10^(count-1) <= n < 10^count), for
// 1 <= count <= 15 where a short exact computation decides them: true with
// n and k as scientificDigits gives them, false (n and k untouched) where
// only the big-integer expansion does.
bool scientificDigitsShort(Quad v, int count, std::uint64_t& n, int& k);

namespace detail {
// fixedDigits and scientificDigits without their fast path for few digits:
// the exact big-integer expansion every value can take (for the tests that
// compare the two).
void fixedDigitsExact(Quad v, int decimals, std::string& digits);
int scientificDigitsExact(Quad v, int count, std::string& digits);
}  // namespace detail

namespace literals {
// 2.200000001_q: the double-double nearest the literal's decimal text.
Quad operator""_q(const char* text);
}  // namespace literals

}  // namespace quorl
