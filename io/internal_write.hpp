// A formatted write into a fixed-length text (an internal file of one
// record): the record's characters fill the text from the left, the rest
// stays blank, anything beyond its length is cut.
#pragma once

#include <string>
#include <string_view>

#include "io/fixed_text.hpp"
#include "io/format.hpp"

namespace quorl::io {

template <std::size_t N, class... Items>
void writeInternal(Text<N>& dest, std::string_view fmt, const Items&... items) {
    std::string record = format(fmt, items...);
    if (!record.empty() && record.back() == '\n') {
        record.pop_back();
    }
    dest = record;
}

}  // namespace quorl::io
