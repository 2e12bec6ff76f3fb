// Text<N>: a fixed-length, blank-padded character field, as the system's
// records and buffers hold them (names of 16, buffers of 40, 60, 80 ...).
// Assigning a longer text keeps its first N characters; a shorter one is
// padded with blanks.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "io/char_list_fwd.hpp"

namespace quorl {

template <std::size_t N>
class Text {
public:
    Text() { chars_.fill(' '); }
    Text(std::string_view s) { assign(s); }  // NOLINT: implicit from text, like a character assignment
    Text& operator=(std::string_view s) {
        assign(s);
        return *this;
    }

    static constexpr std::size_t size() { return N; }
    std::string_view view() const { return std::string_view(chars_.data(), N); }
    std::string str() const { return std::string(view()); }
    // The characters up to the last non-blank: how a name is written into a
    // report without its padding.
    std::string_view trimmed() const {
        std::size_t n = N;
        while (n > 0 && chars_[n - 1] == ' ') {
            --n;
        }
        return std::string_view(chars_.data(), n);
    }
    bool isBlank() const { return trimmed().empty(); }
    // The characters up to the last non-blank as one write item each (the
    // (16a1) idiom of the reports).
    io::CharList chars() const { return io::CharList{trimmed()}; }
    char& operator[](std::size_t i) { return chars_[i]; }
    char operator[](std::size_t i) const { return chars_[i]; }

    friend bool operator==(const Text& a, const Text& b) { return a.chars_ == b.chars_; }
    friend bool operator==(const Text& a, std::string_view b) { return a == Text(b); }

private:
    void assign(std::string_view s) {
        chars_.fill(' ');
        const std::size_t n = s.size() < N ? s.size() : N;
        for (std::size_t i = 0; i < n; ++i) {
            chars_[i] = s[i];
        }
    }
    std::array<char, N> chars_;
};

}  // namespace quorl
