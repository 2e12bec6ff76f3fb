#include "io/json.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

// A pair of full length needs at most 34 significant digits to be read
// back; one whose tail lies far below the head's last bit holds more bits
// and needs more, up to some 630 for a head near the top of the range and
// a tail near the bottom.
constexpr int kDigits = 34;
// More digits than the exact decimal expansion of any pair has (at most
// 1384: a value below 2^1024 in steps of 2^-1074), so that rounding to
// this many gives the exact expansion.
constexpr int kExactDigits = 1400;

// Plain notation for decimal exponents in this range, as most JSON
// writers do; an exponent outside it.
constexpr int kPlainLow = -5;
constexpr int kPlainHigh = 21;

// Significant digits D (no trailing zeros) and k with |v| = 0.D * 10^k.
struct Digits {
    std::string digits;
    int k = 0;
};

Digits nearest(const Quad& v, int count) {
    Digits d;
    d.k = scientificDigits(v, count, d.digits);
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
    return d;
}

// The first `count` digits of the exact expansion, cut (toward zero) or,
// when `up` and anything is cut, raised by one in the last digit kept.
Digits directed(const Digits& exact, int count, bool up) {
    Digits d = exact;
    if (d.digits.size() <= static_cast<std::size_t>(count)) {
        return d;
    }
    d.digits.resize(static_cast<std::size_t>(count));
    if (up) {
        std::size_t i = d.digits.size();
        while (i > 0 && d.digits[i - 1] == '9') {
            d.digits[--i] = '0';
        }
        if (i == 0) {
            d.digits.insert(d.digits.begin(), '1');
            d.digits.pop_back();
            ++d.k;
        } else {
            ++d.digits[i - 1];
        }
    }
    d.digits.erase(d.digits.find_last_not_of('0') + 1);
    return d;
}

// The number text of the digits, with the sign of v.
std::string numberText(const Quad& v, const Digits& d) {
    const std::string& digits = d.digits;
    const int k = d.k;
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

// Whether a correct reader of doubles (round to nearest, ties to even)
// reads the text as `head`.
bool headReadsBack(const std::string& text, double head) {
    double d = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), d);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && d == head;
}

}  // namespace

std::string jsonNumber(const Quad& value) {
    // A pair that is not normalised is written as the normalised pair of
    // its value: only that one can be read back.
    Quad v;
    eft::twoSum(value.hi, value.lo, v.hi, v.lo);
    if (!isFinite(v) || !isFinite(value)) {
        return "null";
    }
    if (v.hi == 0.0) {
        return "0";
    }
    auto readsBack = [&v](const Digits& d) {
        Quad back{};
        return parseQuad(numberText(v, d), back) && back.hi == v.hi && back.lo == v.lo;
    };
    // The shortest rounding that reads back to the same pair, so that the
    // nearest quad to 0.7 is written 0.7. Reading back succeeds for every
    // count from the shortest one on, so a bisection finds it: below 34
    // digits for a pair of full length, else between 34 and the exact
    // expansion, which always reads back.
    int low = 0, high = kDigits;  // low fails (or is none), high reads back
    std::optional<Digits> exact;
    if (!readsBack(nearest(v, kDigits))) {
        exact = nearest(v, kExactDigits);
        low = kDigits;
        high = static_cast<int>(exact->digits.size());
    }
    while (high - low > 1) {
        const int mid = (low + high) / 2;
        (readsBack(nearest(v, mid)) ? high : low) = mid;
    }
    const std::string text = numberText(v, nearest(v, high));
    if (headReadsBack(text, v.hi)) {
        return text;
    }
    // The pair lies at (or within a few units of 2^-106 of) the midpoint
    // between its head and the next double, and the rounded text fell on
    // the far side of it, where a reader of doubles takes the neighbour.
    // The digits are then cut toward the head: such a text lies between the
    // head and the value. The exact expansion, where the loop ends at the
    // latest, reads back both ways (at a tie the head is the even double).
    if (!exact) {
        exact = nearest(v, kExactDigits);
    }
    const bool up = (v.lo < 0.0) != (v.hi < 0.0);  // the tail lowers the magnitude: the head lies above
    for (int count = high;; ++count) {
        const Digits d = directed(*exact, count, up);
        const std::string t = numberText(v, d);
        if (readsBack(d) && headReadsBack(t, v.hi)) {
            return t;
        }
    }
}

namespace {

// The length of the UTF-8 sequence at text[i] when it is a valid one
// (shortest form, no surrogate, at most U+10FFFF), else 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t j) { return j < text.size() ? static_cast<unsigned char>(text[j]) : 0U; };
    const unsigned c = at(i);
    const auto cont = [&](std::size_t j, unsigned lo = 0x80, unsigned hi = 0xBF) {
        return at(j) >= lo && at(j) <= hi;
    };
    if (c < 0x80) {
        return 1;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        return cont(i + 1) ? 2 : 0;
    }
    if (c >= 0xE0 && c <= 0xEF) {
        const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        return cont(i + 1, lo, hi) && cont(i + 2) && cont(i + 3) ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t n = utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD for a byte that is no part of a UTF-8 character
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        ++i;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
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
