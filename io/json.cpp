#include "io/json.hpp"

#include <cstdio>
#include <stdexcept>

#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

// A pair of full length needs at most 34 significant digits to be read
// back; one whose tail lies far below the head's last bit holds more bits
// and may need more, up to kMostDigits, beyond which the 34 digits that
// carry its 106-bit precision are written.
constexpr int kDigits = 34;
constexpr int kMostDigits = 40;

// Plain notation for decimal exponents in this range, as most JSON
// writers do; an exponent outside it.
constexpr int kPlainLow = -5;
constexpr int kPlainHigh = 21;

// The number text of |v| rounded to `count` significant digits.
std::string numberText(const Quad& v, int count) {
    std::string digits;
    const int k = scientificDigits(v, count, digits);  // |v| = 0.digits * 10^k
    digits.erase(digits.find_last_not_of('0') + 1);
    std::string out = isNegativeValue(v) ? "-" : "";
    const int n = static_cast<int>(digits.size());
    if (k > kPlainLow && k <= kPlainHigh) {
        if (k <= 0) {
            out += "0." + std::string(static_cast<std::size_t>(-k), '0') + digits;
        } else if (k >= n) {
            out += digits + std::string(static_cast<std::size_t>(k - n), '0');
        } else {
            out += digits.substr(0, static_cast<std::size_t>(k)) + "." + digits.substr(static_cast<std::size_t>(k));
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (n > 1) {
        out += "." + digits.substr(1);
    }
    return out + "e" + std::to_string(k - 1);
}

}  // namespace

std::string jsonNumber(const Quad& v) {
    if (!isFinite(v)) {
        return "null";
    }
    if (v.hi == 0.0) {
        return "0";
    }
    // The shortest text that reads back to the same pair, so that the
    // nearest quad to 0.7 is written 0.7. Reading back succeeds for every
    // count from the shortest one on, so a bisection finds it.
    auto readsBack = [&v](const std::string& text) {
        Quad back{};
        return parseQuad(text, back) && back.hi == v.hi && back.lo == v.lo;
    };
    if (!readsBack(numberText(v, kDigits))) {
        for (int count = kDigits + 1; count <= kMostDigits; ++count) {
            std::string text = numberText(v, count);
            if (readsBack(text)) {
                return text;
            }
        }
        return numberText(v, kDigits);
    }
    int low = 0, high = kDigits;  // low fails (or is none), high reads back
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (readsBack(numberText(v, mid)) ? high : low) = mid;
    }
    return numberText(v, high);
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) {
        return;
    }
    if (levels_.back().isObject) {
        throw std::logic_error("JsonWriter: a value in an object needs a key first");
    }
    nextMember();
}

void JsonWriter::nextMember() {
    Level& l = levels_.back();
    if (l.members++ > 0) {
        out_ += ',';
    }
    if (l.inlined) {
        out_ += l.members > 1 ? " " : "";
    } else {
        out_ += '\n' + std::string(2 * levels_.size(), ' ');
    }
}

void JsonWriter::open(char bracket, bool isObject) {
    beforeValue();
    const bool inlined = inlineNext_ || (!levels_.empty() && levels_.back().inlined);
    inlineNext_ = false;
    out_ += bracket;
    levels_.push_back({isObject, inlined});
}

void JsonWriter::close(char bracket) {
    const Level l = levels_.back();
    levels_.pop_back();
    if (!l.inlined && l.members > 0) {
        out_ += '\n' + std::string(2 * levels_.size(), ' ');
    }
    out_ += bracket;
    if (levels_.empty()) {
        out_ += '\n';
    }
}

void JsonWriter::beginObject() { open('{', true); }
void JsonWriter::endObject() { close('}'); }
void JsonWriter::beginArray() { open('[', false); }
void JsonWriter::endArray() { close(']'); }

void JsonWriter::key(std::string_view name) {
    nextMember();
    out_ += jsonString(name) + ": ";
    afterKey_ = true;
}

void JsonWriter::value(const Quad& v) {
    beforeValue();
    out_ += jsonNumber(v);
}
void JsonWriter::value(const std::optional<Quad>& v) {
    if (v) {
        value(*v);
    } else {
        null();
    }
}
void JsonWriter::value(std::int64_t v) {
    beforeValue();
    out_ += std::to_string(v);
}
void JsonWriter::value(bool v) {
    beforeValue();
    out_ += v ? "true" : "false";
}
void JsonWriter::value(std::string_view text) {
    beforeValue();
    out_ += jsonString(text);
}
void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

}  // namespace quorl::io
