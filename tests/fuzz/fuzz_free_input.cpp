// Free-form input on any records: the first byte picks the items of the
// read (integers, quad reals, a char, a string, a text), the rest are the
// records. Nothing may crash or throw; the result counts items it has.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.hpp"
#include "io/free_input.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::int32_t n[4] = {};
    quorl::Quad q[4] = {};
    char c = ' ';
    std::string s;
    quorl::Text<8> t;
    std::vector<quorl::io::FreeItem> items;
    // Two bits per item: integer, quad, text kinds; up to four items.
    const unsigned pick = data[0];
    for (int i = 0; i < 4; ++i) {
        switch ((pick >> (2 * i)) & 3U) {
        case 0:
            items.emplace_back(&n[i]);
            break;
        case 1:
            items.emplace_back(&q[i]);
            break;
        case 2:
            items.emplace_back(i % 2 == 0 ? quorl::io::FreeItem{&c} : quorl::io::FreeItem{&s});
            break;
        default:
            items.emplace_back(quorl::io::TextRef(t));
            break;
        }
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const quorl::io::ReadResult r = quorl::io::readFreeItems(text, items);
    FUZZ_CHECK(r.index <= items.size());
    FUZZ_CHECK(r.ok() || !r.message.empty());
    return 0;
}
