// A small JSON writer for machine-readable result files.
//
// Numbers carry every digit a quad real holds: the shortest decimal text
// that reads back to the same double-double (so the quad nearest 0.7 is
// written 0.7): 34 significant digits at most for a pair of full length, a
// few more for one whose tail lies far below its head (it holds more
// bits), in plain decimal notation for magnitudes from 1e-5 to below 1e21
// and with an exponent otherwise. JSON has no NaN or infinity:
// a value that is not finite is written as null, as is a value that does
// not exist.
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
// A JSON string literal: quotes, backslash escapes, control characters as
// \uXXXX. The text is taken as UTF-8 and passed through otherwise.
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
