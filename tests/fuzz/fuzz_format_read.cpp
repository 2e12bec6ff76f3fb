// Formatted input: the first line is the format text, the rest are the
// records, read into items of every kind the reader takes. Nothing may
// crash or throw, whatever the format or the fields.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.hpp"
#include "io/format_read.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t nl = all.find('\n');
    const std::string_view fmt = all.substr(0, nl);
    const std::string_view records = nl == std::string_view::npos ? std::string_view() : all.substr(nl + 1);
    std::int32_t i1 = 0, i2 = 0;
    float f = 0.0f;
    double d = 0.0;
    quorl::Quad q1{}, q2{};
    quorl::Text<10> t;
    quorl::Text<1> c;
    const quorl::io::FormattedItem items[] = {&i1, &f, &d, &q1, quorl::io::TextRef(t), &i2, &q2, quorl::io::TextRef(c)};
    const quorl::io::ReadResult r = quorl::io::readFormattedItems(records, fmt, items);
    FUZZ_CHECK(r.index <= 8);
    FUZZ_CHECK(r.ok() || !r.message.empty());
    return 0;
}
