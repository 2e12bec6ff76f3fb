// A small JSON writer for machine-readable result files.
//
// Numbers carry every digit a quad real holds: the shortest decimal text
// that reads back to the same double-double (so the quad nearest 0.7 is
// written 0.7), in plain decimal notation for magnitudes from 1e-5 to below
// 1e21 and with an exponent otherwise. A pair of full length needs 34
// significant digits at most; one whose tail lies far below its head holds
// more bits and gets the digits it needs (up to some 630). Read as a
// double by any correctly rounding reader, the text gives the pair's head:
// where the pair lies at or next to the midpoint between two doubles, the
// digits are chosen on the head's side of it. JSON has no NaN or infinity:
// a value that is not finite is written as null, as is a value that does
// not exist.
//
// Texts are written as UTF-8, whatever bytes they hold: a byte that is not
// part of a well-formed UTF-8 character (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a code point beyond
// U+10FFFF) is written as U+FFFD, the replacement character, so the file is
// always valid JSON.
//
//   io::JsonWriter j;
//   j.beginObject();
//   j.key("rss");  j.value(rss);
//   j.key("parameters");  j.beginArray();  ...  j.endArray();
//   j.endObject();
//   std::string text = j.text();
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quad/quad.hpp"

namespace quorl::io {

// The JSON number text of a quad real ("null" when it is not finite).
std::string jsonNumber(const Quad& v);
// A JSON string literal: quotes, backslash escapes, control characters
// (and DEL) as \uXXXX; well-formed UTF-8 passed through, every other byte
// replaced by U+FFFD.
std::string jsonString(std::string_view text);

class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    void key(std::string_view name);
    void value(const Quad& v);
    void value(const std::optional<Quad>& v);
    void value(std::int64_t v);
    void value(int v) { value(static_cast<std::int64_t>(v)); }
    void value(bool v);
    void value(std::string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void null();
    // An object or array written on one line (its members separated by
    // ", "); by default every member of a container has a line of its own.
    void inlineNext() { inlineNext_ = true; }

    // The document, ending with a newline once the outermost container is closed.
    const std::string& text() const { return out_; }

private:
    struct Level {
        bool isObject;
        bool inlined;
        int members = 0;
    };
    void beforeValue();
    void nextMember();  // the separator and indentation before a member
    void open(char bracket, bool isObject);
    void close(char bracket);

    std::string out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
    bool inlineNext_ = false;
};

}  // namespace quorl::io
