// The JSON writer, round trip: the input is a little program for
// io::JsonWriter (open an object or array, close one, write a quad pair,
// a text, an integer, a boolean or null, the pair and the texts taken from
// the input's bytes), run to a complete document, which is then read back
// (tests/support/json_value.hpp). What must hold:
//  - the document is valid JSON and valid UTF-8, whatever bytes the texts
//    held, and has the shape written;
//  - a text reads back as written, each byte that is no part of a
//    well-formed UTF-8 character replaced by U+FFFD (an oracle of its own
//    here, decoding code points rather than checking byte ranges);
//  - a finite pair reads back through parseQuad to the very same pair (the
//    normalised one, for a pair that is not normalised; a zero tail's sign
//    aside), and through a
//    correctly rounding double reader (strtod) to its head; a pair that is
//    not finite is null.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz_check.hpp"
#include "io/json.hpp"
#include "quad/decimal.hpp"
#include "support/json_value.hpp"

namespace {

using quorl::Quad;
using quorl::testing::JsonValue;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint64_t word() {
        std::uint64_t w = 0;
        for (int i = 0; i < 8; ++i) {
            w = (w << 8) | byte();
        }
        return w;
    }
    std::string text() {
        const std::size_t n = byte() % 24;
        std::string t;
        for (std::size_t i = 0; i < n && !empty(); ++i) {
            t += static_cast<char>(byte());
        }
        return t;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Well-formed UTF-8 with every other byte as U+FFFD: decode a code point
// from its lead byte's length, and take it when every continuation byte is
// there and the value is in the shortest form, no surrogate, at most
// U+10FFFF; else replace the lead byte alone and go on after it.
std::string asUtf8(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        std::uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1f) : n == 3 ? (c & 0x0f) : (c & 0x07);
        bool ok = n > 0 && i + static_cast<std::size_t>(n) <= s.size();
        for (int k = 1; ok && k < n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            ok = (d >> 6) == 2;
            cp = (cp << 6) | (d & 0x3f);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && cp >= least[n] && cp <= 0x10ffff && !(cp >= 0xd800 && cp <= 0xdfff);
        if (ok) {
            out.append(s.substr(i, static_cast<std::size_t>(n)));
            i += static_cast<std::size_t>(n);
        } else {
            out += "\xef\xbf\xbd";
            ++i;
        }
    }
    return out;
}

// What was written, to be found when read back.
struct Expected {
    enum class Kind { Object, Array, Number, Integer, Text, Bool, Null } kind;
    Quad pair{};
    std::int64_t integer = 0;
    std::string text;
    bool flag = false;
    std::vector<std::pair<std::string, std::unique_ptr<Expected>>> members;  // keys empty in an array
};

bool sameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void check(const Expected& e, const JsonValue& v) {
    switch (e.kind) {
    case Expected::Kind::Object:
        FUZZ_CHECK(v.isObject() && v.object().size() == e.members.size());
        for (const auto& [key, member] : e.members) {
            FUZZ_CHECK(v.has(key));
            check(*member, v[key]);
        }
        break;
    case Expected::Kind::Array:
        FUZZ_CHECK(v.size() == e.members.size());
        for (std::size_t i = 0; i < e.members.size(); ++i) {
            check(*e.members[i].second, v[i]);
        }
        break;
    case Expected::Kind::Number: {
        Quad n;
        quorl::eft::twoSum(e.pair.hi, e.pair.lo, n.hi, n.lo);
        if (!quorl::isFinite(n) || !quorl::isFinite(e.pair)) {
            FUZZ_CHECK(v.isNull());
            break;
        }
        Quad back{};
        FUZZ_CHECK(quorl::parseQuad(v.numberText(), back));
        // The same pair: the head to the bit, the tail equal (a zero tail
        // may come back as -0 where the value lies a hair below the head,
        // beyond the subnormals).
        FUZZ_CHECK(n.hi == 0.0 ? back.hi == 0.0 && back.lo == 0.0 : sameDouble(back.hi, n.hi) && back.lo == n.lo);
        FUZZ_CHECK(v.number() == n.hi);
        break;
    }
    case Expected::Kind::Integer:
        FUZZ_CHECK(std::strtoll(v.numberText().c_str(), nullptr, 10) == e.integer);
        break;
    case Expected::Kind::Text:
        FUZZ_CHECK(v.string() == asUtf8(e.text));
        break;
    case Expected::Kind::Bool:
        FUZZ_CHECK(v.boolean() == e.flag);
        break;
    case Expected::Kind::Null:
        FUZZ_CHECK(v.isNull());
        break;
    }
}

constexpr std::size_t kMostDepth = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    quorl::io::JsonWriter j;
    Expected root{Expected::Kind::Object};
    std::vector<Expected*> open{&root};
    j.beginObject();
    int keys = 0;
    while (!in.empty()) {
        const std::uint8_t op = in.byte();
        Expected* parent = open.back();
        if (op % 9 == 0) {  // close the innermost container
            if (open.size() > 1) {
                parent->kind == Expected::Kind::Object ? j.endObject() : j.endArray();
                open.pop_back();
            }
            continue;
        }
        if (op % 9 == 8) {
            j.inlineNext();
            continue;
        }
        std::string key;
        if (parent->kind == Expected::Kind::Object) {
            // Keys made distinct by a number first, the rest from the input.
            key = std::to_string(keys++) + ":" + in.text();
            j.key(key);
            key = asUtf8(key);
        }
        auto e = std::make_unique<Expected>();
        switch (op % 9) {
        case 1:
        case 2:
            if (open.size() >= kMostDepth) {
                e->kind = Expected::Kind::Null;
                j.null();
                break;
            }
            e->kind = op % 9 == 1 ? Expected::Kind::Object : Expected::Kind::Array;
            e->kind == Expected::Kind::Object ? j.beginObject() : j.beginArray();
            break;
        case 3: {
            e->kind = Expected::Kind::Number;
            const std::uint64_t hi = in.word(), lo = in.word();
            std::memcpy(&e->pair.hi, &hi, sizeof hi);
            std::memcpy(&e->pair.lo, &lo, sizeof lo);
            // A tail as likely near the head's last bit as anywhere.
            if ((op & 0x80) != 0 && std::isfinite(e->pair.hi) && std::isfinite(e->pair.lo)) {
                e->pair.lo = std::ldexp(std::fmod(e->pair.lo, 1.0), std::ilogb(e->pair.hi == 0 ? 1.0 : e->pair.hi) - 52);
            }
            j.value(e->pair);
            break;
        }
        case 4:
            e->kind = Expected::Kind::Text;
            e->text = in.text();
            j.value(std::string_view(e->text));
            break;
        case 5:
            e->kind = Expected::Kind::Integer;
            e->integer = static_cast<std::int64_t>(in.word());
            j.value(e->integer);
            break;
        case 6:
            e->kind = Expected::Kind::Bool;
            e->flag = (op & 0x80) != 0;
            j.value(e->flag);
            break;
        default:
            e->kind = Expected::Kind::Null;
            j.null();
            break;
        }
        Expected* added = e.get();
        parent->members.emplace_back(key, std::move(e));
        if (added->kind == Expected::Kind::Object || added->kind == Expected::Kind::Array) {
            open.push_back(added);
        }
    }
    while (!open.empty()) {
        open.back()->kind == Expected::Kind::Object ? j.endObject() : j.endArray();
        open.pop_back();
    }
    const std::string& text = j.text();
    FUZZ_CHECK(asUtf8(text) == text);
    JsonValue back;
    try {
        back = JsonValue::parse(text);
    } catch (const std::exception&) {
        FUZZ_CHECK(!"the document reads back");
    }
    check(root, back);
    return 0;
}
