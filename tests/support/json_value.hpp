// A small JSON reader for the tests: the browser driver's messages, the
// results file, the JSON writer's round trip.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorl::testing {

class JsonValue {
public:
    using Array = std::vector<JsonValue>;
    using Object = std::map<std::string, JsonValue>;

    JsonValue() = default;
    static JsonValue parse(std::string_view text) {
        std::size_t at = 0;
        JsonValue v = parseValue(text, at);
        skipSpace(text, at);
        if (at != text.size()) {
            throw std::runtime_error("JSON: trailing text at " + std::to_string(at));
        }
        return v;
    }

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isObject() const { return std::holds_alternative<Object>(v_); }
    bool has(const std::string& key) const { return isObject() && object().count(key) > 0; }
    // The member, or null when this is no object or has no such member.
    const JsonValue& operator[](const std::string& key) const {
        static const JsonValue null;
        if (!isObject()) {
            return null;
        }
        const auto it = object().find(key);
        return it == object().end() ? null : it->second;
    }
    const JsonValue& operator[](std::size_t i) const { return std::get<Array>(v_).at(i); }
    std::size_t size() const { return std::holds_alternative<Array>(v_) ? std::get<Array>(v_).size() : 0; }
    double number() const { return std::get<double>(v_); }
    // A number's text as written.
    const std::string& numberText() const { return text_; }
    bool boolean() const { return std::get<bool>(v_); }
    const std::string& string() const { return std::get<std::string>(v_); }
    std::string stringOr(const std::string& other) const {
        return std::holds_alternative<std::string>(v_) ? string() : other;
    }
    const Object& object() const { return std::get<Object>(v_); }

private:
    std::variant<std::monostate, bool, double, std::string, Array, Object> v_;
    std::string text_;

    static void skipSpace(std::string_view t, std::size_t& at) {
        while (at < t.size() && (t[at] == ' ' || t[at] == '\n' || t[at] == '\r' || t[at] == '\t')) {
            ++at;
        }
    }
    [[noreturn]] static void fail(std::size_t at) { throw std::runtime_error("JSON: bad text at " + std::to_string(at)); }

    static void utf8(std::string& out, std::uint32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xe0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }

    static std::uint32_t hex4(std::string_view t, std::size_t at) {
        if (at + 4 > t.size()) {
            fail(at);
        }
        return static_cast<std::uint32_t>(std::stoul(std::string(t.substr(at, 4)), nullptr, 16));
    }

    static std::string parseString(std::string_view t, std::size_t& at) {
        std::string out;
        ++at;  // the opening quote
        while (at < t.size() && t[at] != '"') {
            char c = t[at++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= t.size()) {
                fail(at);
            }
            c = t[at++];
            switch (c) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    std::uint32_t u = hex4(t, at);
                    at += 4;
                    if (u >= 0xd800 && u < 0xdc00 && at + 6 <= t.size() && t[at] == '\\' && t[at + 1] == 'u') {
                        const std::uint32_t low = hex4(t, at + 2);
                        at += 6;
                        u = 0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00);
                    }
                    utf8(out, u);
                    break;
                }
                default: out += c;
            }
        }
        if (at >= t.size()) {
            fail(at);
        }
        ++at;
        return out;
    }

    static JsonValue parseValue(std::string_view t, std::size_t& at) {
        skipSpace(t, at);
        if (at >= t.size()) {
            fail(at);
        }
        JsonValue v;
        const char c = t[at];
        if (c == '{') {
            Object o;
            ++at;
            skipSpace(t, at);
            while (at < t.size() && t[at] != '}') {
                skipSpace(t, at);
                if (at >= t.size() || t[at] != '"') {
                    fail(at);
                }
                std::string key = parseString(t, at);
                skipSpace(t, at);
                if (at >= t.size() || t[at++] != ':') {
                    fail(at);
                }
                o[key] = parseValue(t, at);
                skipSpace(t, at);
                if (at < t.size() && t[at] == ',') {
                    ++at;
                }
            }
            ++at;
            v.v_ = std::move(o);
        } else if (c == '[') {
            Array a;
            ++at;
            skipSpace(t, at);
            while (at < t.size() && t[at] != ']') {
                a.push_back(parseValue(t, at));
                skipSpace(t, at);
                if (at < t.size() && t[at] == ',') {
                    ++at;
                }
            }
            ++at;
            v.v_ = std::move(a);
        } else if (c == '"') {
            v.v_ = parseString(t, at);
        } else if (t.substr(at, 4) == "true") {
            v.v_ = true;
            at += 4;
        } else if (t.substr(at, 5) == "false") {
            v.v_ = false;
            at += 5;
        } else if (t.substr(at, 4) == "null") {
            at += 4;
        } else {
            // A number: its text is kept, and read as a double by strtod
            // (which rounds correctly, and takes overflow to inf and
            // underflow to 0 where stod would throw).
            const std::size_t begin = at;
            while (at < t.size() && std::string_view("+-0123456789.eE").find(t[at]) != std::string_view::npos) {
                ++at;
            }
            const std::string text(t.substr(begin, at - begin));
            char* end = nullptr;
            const double d = std::strtod(text.c_str(), &end);
            if (text.empty() || end != text.c_str() + text.size()) {
                fail(begin);
            }
            v.v_ = d;
            v.text_ = text;
        }
        return v;
    }
};

}  // namespace quorl::testing
