// A piece of input quoted in a message: at most a few dozen characters,
// so that a message about a faulty line of 100 MB stays one short line.
// Bytes that would not show as themselves (control characters, bytes of
// 0x80 and above) are written as \xNN; a text cut short ends in "..." and
// says how long it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorl::io {

inline constexpr std::size_t kQuotedMost = 40;

// 'text' with at most `most` characters between the quotes (an escaped
// byte counts as its four), then "... (1234 characters)" when cut short.
std::string quoted(std::string_view text, std::size_t most = kQuotedMost);

}  // namespace quorl::io
