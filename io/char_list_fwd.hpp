// The character-list item of a write (see io/char_list.hpp).
#pragma once

#include <string_view>

namespace quorl::io {

// A text to be written as one item per character.
struct CharList {
    std::string_view text;
};

}  // namespace quorl::io
