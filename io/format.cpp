// Placeholder until the edit-descriptor writer lands.
#include "io/format.hpp"

#include <stdexcept>

namespace quorl::io {

std::string formatItems(std::string_view, std::span<const Item>) {
    throw std::logic_error("io::formatItems: not built yet");
}

std::string formatFree(std::span<const Item>) { throw std::logic_error("io::formatFree: not built yet"); }

}  // namespace quorl::io
