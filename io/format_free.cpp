// List-directed ("free-form") output, as gfortran's write(*,*) writes it:
// a blank at the start of the record and one between items, except between
// two texts, which follow each other directly. Integers are right-justified
// in 11 columns (int32) or 20 (int64); reals are written with 9 (float) or
// 17 (double) significant digits, in fixed form from 0.1 up to 10^digits and
// followed by the blanks of the exponent field, otherwise as d.dddE+xx.
// A Quad is written like gfortran's real(16): 36 significant digits with a
// four-digit exponent, so that every digit the pair holds appears.
#include <string>
#include <type_traits>
#include <variant>

#include "io/edit.hpp"
#include "io/format.hpp"

namespace quorl::io {

namespace detail {

void editFreeItem(std::string& out, const Item& item) {
    std::visit(
        [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string_view>) {
                out.append(v);
            } else if constexpr (std::is_same_v<T, std::int32_t> || std::is_same_v<T, std::int64_t>) {
                const bool negative = v < 0;
                const auto magnitude = negative ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
                editInteger(out, negative, magnitude, std::is_same_v<T, std::int32_t> ? 11 : 20, -1, false);
            } else if constexpr (std::is_same_v<T, float>) {
                editFreeReal(out, fromFloat(v), FreeKind::Real32);
            } else if constexpr (std::is_same_v<T, double>) {
                editFreeReal(out, fromDouble(v), FreeKind::Real64);
            } else {
                editFreeReal(out, v, FreeKind::Full);
            }
        },
        item);
}

}  // namespace detail

std::string formatFree(std::span<const Item> items) {
    std::string out;
    bool previousText = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool text = std::holds_alternative<std::string_view>(items[i]);
        if (i == 0 || !(text && previousText)) {
            out.push_back(' ');
        }
        detail::editFreeItem(out, items[i]);
        previousText = text;
    }
    out.push_back('\n');
    return out;
}

}  // namespace quorl::io
