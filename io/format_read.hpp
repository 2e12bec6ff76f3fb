// Formatted input: the values of a read statement's items from records,
// under a format in edit-descriptor notation, as a formatted read of a file
// takes them.
//
//   std::int32_t ic; float th; Quad x, y, z;
//   io::ReadResult r = io::readFormatted(units, 13, "(i2,1x,f5.1,3e18.9)", ic, th, x, y, z);
//   io::ReadResult r = io::readFormatted("        3", "(i9)", n);  // from text
//
// Descriptors: Iw (Iw.m), Fw.d, Ew.d, Dw.d, Gw.d (Ee allowed and ignored),
// Aw and A, nX, slash, colon, and a repeat count before a descriptor or a
// parenthesised group. Sign controls and a trailing backslash change
// nothing on input. Items: std::int32_t (I, G), float, double and Quad (F,
// E, D, G) and Text<N> (A, G).
//
// Fields, as on a file with blanks ignored:
//  - every field is exactly w characters; a record shorter than the format
//    needs is read as if padded with blanks;
//  - blanks inside a numeric field mean nothing ("1 2" is 12) and an
//    all-blank field is zero;
//  - an integer is an optional sign and digits, within the int32 range;
//  - a real is an optional sign, digits with at most one decimal point and
//    an optional exponent: a letter E, D or Q with an optional sign, or a
//    bare sign ("1.5-3"), then digits. Without a decimal point the last d
//    digits are decimals ("12345" under F5.2 is 123.45). Infinity, Inf and
//    NaN (any case, with a sign) are read as such. A Quad is the quad real
//    nearest the decimal value; a float or double its correctly rounded
//    value, overflowing to infinity and underflowing to zero;
//  - Aw into a text of length L takes the last L characters of the field
//    when w >= L, otherwise the w characters, blank padded; A is A of L.
//
// As in a read statement: the read starts on a fresh record; each data
// descriptor takes the next item; the read ends at the first data
// descriptor (or colon) for which no item is left, or at the closing
// parenthesis when none is left, and the rest of the record is dropped.
// A slash moves to the next record; items left at the closing parenthesis
// move to the next record and resume the format at its last top-level group
// (or its start), as formatted output does.
//
// A malformed field, an item that its descriptor cannot read, a bad format
// text or the end of the input stops the read with a result naming the
// item at fault; the items before it are assigned, the rest untouched.
// Nothing throws for bad input.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <variant>

#include "io/fixed_text.hpp"
#include "io/free_input.hpp"
#include "quad/quad.hpp"

namespace quorl::io {

class Units;

using FormattedItem = std::variant<std::int32_t*, float*, double*, Quad*, TextRef>;

ReadResult readFormattedItems(const RecordSource& next, std::string_view fmt, std::span<const FormattedItem> items);
// The records are the lines of `text` (one record when it has no '\n').
ReadResult readFormattedItems(std::string_view text, std::string_view fmt, std::span<const FormattedItem> items);
// The records are read from a unit (unit 5 or a file connected for reading).
ReadResult readFormattedItems(Units& units, int unit, std::string_view fmt, std::span<const FormattedItem> items);

namespace detail {
// A field holding a decimal with its point, blanks only before and after
// it, read when the short exact conversion (parseShortDecimal, which takes
// no blanks) reads it: the value a Quad item of any F, E, D or G
// descriptor gets from it. False for every other field.
bool readPlainDecimal(std::string_view field, Quad& out);

template <class T>
FormattedItem toFormattedItem(T& v) {
    if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
                  std::is_same_v<T, Quad>) {
        return FormattedItem{&v};
    } else {
        return FormattedItem{TextRef(v)};
    }
}
}  // namespace detail

template <class... Items>
ReadResult readFormatted(std::string_view text, std::string_view fmt, Items&... items) {
    const FormattedItem list[] = {detail::toFormattedItem(items)...,
                                  FormattedItem{static_cast<std::int32_t*>(nullptr)}};
    return readFormattedItems(text, fmt, std::span<const FormattedItem>(list, sizeof...(Items)));
}

template <class... Items>
ReadResult readFormatted(Units& units, int unit, std::string_view fmt, Items&... items) {
    const FormattedItem list[] = {detail::toFormattedItem(items)...,
                                  FormattedItem{static_cast<std::int32_t*>(nullptr)}};
    return readFormattedItems(units, unit, fmt, std::span<const FormattedItem>(list, sizeof...(Items)));
}

}  // namespace quorl::io
