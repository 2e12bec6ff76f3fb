// Free-form (list-directed) input: the values of a read statement's items
// from one or more records, separated by blanks or a comma.
//
//   std::int32_t n; Quad x; char c;
//   io::ReadResult r = io::readFree(units, 5, n, x, c);   // from a unit
//   io::ReadResult r = io::readFree("3, 1.5D-2 y", n, x, c);  // from text
//
// Items: std::int32_t (sign and digits), Quad (a real in any form of
// io/real_text.hpp: E, D or Q exponent or a bare exponent sign as in
// "1.5-3", Inf, Infinity, NaN with a sign, read to the nearest quad real;
// an integer is a valid real), a single char, a std::string and a Text<N>
// (blank padded, truncated to N). A text value is either undelimited (up
// to the next blank, comma or slash) or quoted with ' or " (a doubled quote
// stands for one); a quoted text may go on over records, the end of a
// record adding nothing to it. A single char takes the first character of
// the value.
//
// As in list-directed input: a read starts on a fresh record and takes as
// many records as its items need (blank records are skipped); the values
// left on its last record are dropped. Two commas in a row, or a comma at
// the start, give a null value that leaves its item unchanged; r*v repeats
// a value r times and r* gives r null values; a slash ends the read, the
// remaining items keep their values.
//
// A malformed value or the end of the input stops the read with a result
// telling which item was at fault; the items before it are assigned, the
// rest untouched. Nothing throws for bad input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "io/fixed_text.hpp"
#include "quad/quad.hpp"

namespace quorl::io {

class Units;

enum class ReadStatus { Ok, EndOfInput, Malformed };

struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    // The position (from 0) of the item at fault: also the number of items
    // dealt with before it. For Ok, the number of items read or skipped as
    // null before the read ended (all of them unless a slash ended it).
    std::size_t index = 0;
    // For a failure: what went wrong, naming the item (counted from 1), the
    // record of this read (counted from 1) and the offending text.
    std::string message;

    bool ok() const { return status == ReadStatus::Ok; }
};

// A blank-padded character field of any length, by reference: how a
// Text<N> is passed without its length in the type.
class TextRef {
public:
    template <std::size_t N>
    TextRef(Text<N>& t) : chars_(&t[0]), length_(N) {}  // NOLINT: implicit, any Text<N> is one
    // The first `length` characters of `s`, padded with blanks.
    void assign(std::string_view s) const;
    // Characters from..from+count-1 (within the length) from `s`, padded
    // with blanks: the assignment to a substring.
    void assign(std::size_t from, std::size_t count, std::string_view s) const;
    std::size_t length() const { return length_; }

private:
    char* chars_;
    std::size_t length_;
};

using FreeItem = std::variant<std::int32_t*, Quad*, char*, std::string*, TextRef>;

// Supplies the records one by one; nullopt at the end of the input.
using RecordSource = std::function<std::optional<std::string>()>;

ReadResult readFreeItems(const RecordSource& next, std::span<const FreeItem> items);
// The records are the lines of `text`.
ReadResult readFreeItems(std::string_view text, std::span<const FreeItem> items);
// The records are read from a unit (unit 5 or a file connected for reading).
ReadResult readFreeItems(Units& units, int unit, std::span<const FreeItem> items);

// ---- value conversions, shared with namelist input -------------------------

enum class IntParse { Ok, NotInteger, OutOfRange };
// Optional sign and decimal digits, the whole text, within int32.
IntParse parseInt32(std::string_view text, std::int32_t& out);

namespace detail {
template <class T>
FreeItem toFreeItem(T& v) {
    if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, Quad> || std::is_same_v<T, char> ||
                  std::is_same_v<T, std::string>) {
        return FreeItem{&v};
    } else {
        return FreeItem{TextRef(v)};
    }
}
}  // namespace detail

template <class... Items>
ReadResult readFree(std::string_view text, Items&... items) {
    const FreeItem list[] = {detail::toFreeItem(items)..., FreeItem{static_cast<char*>(nullptr)}};
    return readFreeItems(text, std::span<const FreeItem>(list, sizeof...(Items)));
}

template <class... Items>
ReadResult readFree(Units& units, int unit, Items&... items) {
    const FreeItem list[] = {detail::toFreeItem(items)..., FreeItem{static_cast<char*>(nullptr)}};
    return readFreeItems(units, unit, std::span<const FreeItem>(list, sizeof...(Items)));
}

}  // namespace quorl::io
