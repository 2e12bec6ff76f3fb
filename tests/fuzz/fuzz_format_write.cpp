// The format writer: the first line is the format text, the rest are the
// items, each a kind byte and its bytes (integers, reals of every width,
// quad pairs, normalised or not, texts). A bad format may only throw the
// writer's documented std::invalid_argument; nothing else may escape, and
// a write never takes more than the format's bounded work.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.hpp"
#include "io/format.hpp"

namespace {

template <class T>
bool take(const std::uint8_t*& p, const std::uint8_t* end, T& out) {
    if (static_cast<std::size_t>(end - p) < sizeof(T)) {
        return false;
    }
    std::memcpy(&out, p, sizeof(T));
    p += sizeof(T);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = all.find('\n');
    if (nl == std::string_view::npos) {
        return 0;
    }
    const std::string_view fmt = all.substr(0, nl);
    const std::uint8_t* p = data + nl + 1;
    const std::uint8_t* const end = data + size;
    std::vector<quorl::io::Item> items;
    std::vector<std::string> texts;
    texts.reserve(16);
    std::uint8_t kind = 0;
    while (items.size() < 16 && take(p, end, kind)) {
        switch (kind % 6) {
        case 0: {
            std::int32_t v;
            if (take(p, end, v)) items.emplace_back(v);
            break;
        }
        case 1: {
            std::int64_t v;
            if (take(p, end, v)) items.emplace_back(v);
            break;
        }
        case 2: {
            float v;
            if (take(p, end, v)) items.emplace_back(v);
            break;
        }
        case 3: {
            double v;
            if (take(p, end, v)) items.emplace_back(v);
            break;
        }
        case 4: {
            double hi, lo;
            if (take(p, end, hi) && take(p, end, lo)) items.emplace_back(quorl::Quad{hi, lo});
            break;
        }
        default: {
            std::uint8_t n = 0;
            take(p, end, n);
            const std::size_t len = std::min<std::size_t>(n, static_cast<std::size_t>(end - p));
            texts.emplace_back(reinterpret_cast<const char*>(p), len);
            p += len;
            items.emplace_back(std::string_view(texts.back()));
            break;
        }
        }
    }
    try {
        const std::string out = quorl::io::formatItems(fmt, items);
        // One pass is bounded, and every pass after the first takes an item.
        FUZZ_CHECK(out.size() <= (items.size() + 1) * 10'000'000u + 16u * 200'000u);
    } catch (const std::invalid_argument&) {
        // a malformed format, named by its column
    }
    return 0;
}
