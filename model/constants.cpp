#include "model/constants.hpp"

#include "quad/decimal.hpp"

namespace quorl::constants {

Quad oneMicro() {
    static const Quad value = quadFromText("1e-6");
    return value;
}

std::string_view versionBanner() { return "Quorl.Exe, version:1.0, 2018.10.09, C++20 double-double"; }

}  // namespace quorl::constants
