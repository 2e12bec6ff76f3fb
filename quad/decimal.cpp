// Placeholder until the exact decimal conversions land.
#include "quad/decimal.hpp"

#include <stdexcept>
#include <string>

namespace quorl {

bool parseQuad(std::string_view, Quad&) { throw std::logic_error("parseQuad: not built yet"); }

Quad quadFromText(std::string_view text) {
    Quad q{};
    if (!parseQuad(text, q)) {
        throw std::invalid_argument("not a decimal number: " + std::string(text));
    }
    return q;
}

namespace literals {
Quad operator""_q(const char* text) { return quadFromText(text); }
}  // namespace literals

}  // namespace quorl
