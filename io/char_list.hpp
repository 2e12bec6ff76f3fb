// Character lists: a text passed to a write as one item per character, so
// that a format such as (16a1) writes exactly the characters given. This is
// how a name is written up to its last non-blank: Text::chars() hands over
// those characters, and the remaining a1 descriptors get no item, which
// ends the record there.
#pragma once

#include <string_view>
#include <vector>

#include "io/char_list_fwd.hpp"
#include "io/format.hpp"

namespace quorl::io {


inline void appendItem(std::vector<Item>& list, const CharList& c) {
    for (std::size_t i = 0; i < c.text.size(); ++i) {
        list.push_back(Item{c.text.substr(i, 1)});
    }
}

template <class T>
void appendItem(std::vector<Item>& list, const T& item) {
    list.push_back(detail::toItem(item));
}

// The items of one write, character lists expanded.
template <class... Items>
std::vector<Item> itemList(const Items&... items) {
    std::vector<Item> list;
    list.reserve(sizeof...(Items) + 16);
    (appendItem(list, items), ...);
    return list;
}

}  // namespace quorl::io
