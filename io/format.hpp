// io::format: the text that one formatted write statement produces, from a
// format in edit-descriptor notation and a list of items. Records are
// separated by '\n'; every record but an open last one ends with '\n'. A
// trailing backslash in the format leaves the last record open (no '\n').
//
//   io::format("('RSS = ',a40,e14.6,' /',i2)", cfloat, rss, jmin)
//
// Format texts are parsed once and cached; a write in a loop costs no parse.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "quad/quad.hpp"

namespace quorl::io {

// One item of a write list.
using Item = std::variant<std::int32_t, std::int64_t, float, double, Quad, std::string_view>;

// The text of one write of `items` under `fmt`. A malformed format throws
// std::invalid_argument naming the offending column; so does a format whose
// repeat counts multiply to more work than one pass may do (10^7 characters
// or steps, see io/format_parse.hpp).
std::string formatItems(std::string_view fmt, std::span<const Item> items);
// The same text into `out` (replacing what it held), whose capacity a
// caller that writes many records keeps from one to the next.
void formatItemsInto(std::string& out, std::string_view fmt, std::span<const Item> items);

// List-directed ("free-form") output of the items: one record.
std::string formatFree(std::span<const Item> items);

namespace detail {
template <class T>
Item toItem(const T& v) {
    if constexpr (std::is_same_v<T, Quad>) {
        return Item{v};
    } else if constexpr (std::is_same_v<T, float>) {
        return Item{v};
    } else if constexpr (std::is_same_v<T, double>) {
        return Item{v};
    } else if constexpr (std::is_same_v<T, bool>) {
        static_assert(!std::is_same_v<T, bool>, "no logical items");
    } else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) {
        return Item{static_cast<std::int32_t>(v)};
    } else if constexpr (std::is_integral_v<T>) {
        return Item{static_cast<std::int64_t>(v)};
    } else if constexpr (requires { v.view(); }) {
        return Item{std::string_view(v.view())};
    } else {
        return Item{std::string_view(v)};
    }
}
}  // namespace detail

template <class... Items>
std::string format(std::string_view fmt, const Items&... items) {
    if constexpr (sizeof...(Items) == 0) {
        return formatItems(fmt, {});
    } else {
        const Item list[] = {detail::toItem(items)...};
        return formatItems(fmt, list);
    }
}

template <class... Items>
std::string formatFreeOf(const Items&... items) {
    if constexpr (sizeof...(Items) == 0) {
        return formatFree({});
    } else {
        const Item list[] = {detail::toItem(items)...};
        return formatFree(list);
    }
}

}  // namespace quorl::io
