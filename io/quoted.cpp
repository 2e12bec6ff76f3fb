#include "io/quoted.hpp"

#include <cstdio>
#include <cstring>

namespace quorl::io {

std::string quoted(std::string_view text, std::size_t most) {
    std::string out = "'";
    std::size_t shown = 0;
    for (; shown < text.size(); ++shown) {
        const auto c = static_cast<unsigned char>(text[shown]);
        char code[8] = {static_cast<char>(c), 0};
        if (c < 0x20 || c >= 0x7f || c == '\\') {
            std::snprintf(code, sizeof code, c == '\\' ? "\\\\" : "\\x%02X", c);
        }
        if (out.size() - 1 + std::strlen(code) > most) {
            break;
        }
        out += code;
    }
    out += '\'';
    if (shown < text.size()) {
        out += "... (" + std::to_string(text.size()) + " characters)";
    }
    return out;
}

}  // namespace quorl::io
