// Checked access to the two tables of a stroke font (FontTable).
#include <string>

#include "io/stop.hpp"
#include "vis/char_def.hpp"

namespace quorl {

namespace {
[[noreturn]] void outside(const char* table, int index, int lo, int hi) {
    io::stop(std::string("CharDef: ") + table + " index " + std::to_string(index) + " outside (" +
             std::to_string(lo) + ":" + std::to_string(hi) + ")");
}
}  // namespace

int FontTable::CHARLOC(int code) const {
    if (code < 0 || code >= kCharLocSize) {
        outside("CHARLOC", code, 0, kCharLocSize - 1);
    }
    return charloc_[static_cast<std::size_t>(code)];
}

int FontTable::POINTLOC(int j) const {
    if (j < 1 || j > pointlocSize()) {
        outside("POINTLOC", j, 1, pointlocSize());
    }
    return pointloc_[static_cast<std::size_t>(j - 1)];
}

}  // namespace quorl
