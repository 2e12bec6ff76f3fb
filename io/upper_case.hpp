// Case-insensitive words of input text (names, NaN, Infinity, &END), in
// the C locale's upper case.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace quorl::io {

inline std::string upperCase(std::string_view s) {
    std::string u(s);
    for (char& c : u) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return u;
}

// Whether `text` is `upperWord` (given in upper case) in any case.
inline bool equalsUpper(std::string_view text, std::string_view upperWord) {
    if (text.size() != upperWord.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != upperWord[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace quorl::io
