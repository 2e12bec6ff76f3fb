// Named constants of the shared state that are not plain numbers.
#pragma once

#include <string_view>

#include "quad/quad.hpp"

namespace quorl::constants {

// 1e-6 as the double-double nearest its decimal value.
Quad oneMicro();

// The version banner written into the reports and result files.
std::string_view versionBanner();

}  // namespace quorl::constants
