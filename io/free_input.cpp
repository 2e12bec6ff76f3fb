#include "io/free_input.hpp"

#include <algorithm>
#include <limits>

#include "io/real_text.hpp"
#include "io/units.hpp"

namespace quorl::io {

void TextRef::assign(std::string_view s) const { assign(0, length_, s); }

void TextRef::assign(std::size_t from, std::size_t count, std::string_view s) const {
    for (std::size_t i = 0; i < count && from + i < length_; ++i) {
        chars_[from + i] = i < s.size() ? s[i] : ' ';
    }
}

IntParse parseInt32(std::string_view text, std::int32_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return IntParse::NotInteger;
    }
    // Accumulate the magnitude in 64 bits; once past the int32 range the
    // digits are still checked so that "99999999999x" is not an integer.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    bool tooLarge = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return IntParse::NotInteger;
        }
        if (!tooLarge) {
            magnitude = magnitude * 10 + (c - '0');
            tooLarge = magnitude > limit;
        }
    }
    if (tooLarge || (!negative && magnitude == limit)) {
        return IntParse::OutOfRange;
    }
    out = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return IntParse::Ok;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool endsValue(char c) { return isBlank(c) || c == ',' || c == '/'; }
bool isQuote(char c) { return c == '\'' || c == '"'; }

// A value as a message shows it: its first 40 characters at most.
std::string shown(std::string_view v) {
    return v.size() <= 40 ? std::string(v) : std::string(v.substr(0, 40)) + "...";
}

// One value of the input. An undelimited value is a view into the record;
// a quoted one is copied out (it may go on over records), but only as many
// of its characters as the longest item can hold.
struct Value {
    std::string_view text;
    std::string quotedText;
    bool quoted = false;
};

// One read statement over its records: a cursor on the current record and
// the item being filled.
class FreeReader {
public:
    FreeReader(const RecordSource& next, std::span<const FreeItem> items) : next_(next), items_(items) {
        for (const FreeItem& item : items) {
            if (std::holds_alternative<std::string*>(item)) {
                textCap_ = std::string::npos;
            } else if (const TextRef* t = std::get_if<TextRef>(&item)) {
                textCap_ = std::max(textCap_, t->length());
            }
        }
    }

    ReadResult run() {
        if (!nextRecord()) {
            return fail(ReadStatus::EndOfInput, "end of input before the read began");
        }
        // Whether a value (or a null) has been taken since the last comma:
        // a comma after a value separates, a comma after a comma is a null.
        bool valueSinceComma = false;
        while (item_ < items_.size()) {
            if (!skipBlanks()) {
                return fail(ReadStatus::EndOfInput, "end of input before " + itemName());
            }
            const char c = record_[pos_];
            if (c == ',') {
                ++pos_;
                if (!valueSinceComma) {
                    ++item_;  // a null value: the item keeps its value
                }
                valueSinceComma = false;
                continue;
            }
            if (c == '/') {
                return ReadResult{ReadStatus::Ok, item_, {}};
            }
            std::size_t repeat = 1;
            if (!readRepeat(repeat)) {
                return fail(ReadStatus::Malformed, itemName() + ": bad repeat count in '" + shown(rawToken()) + "'");
            }
            if (pos_ == record_.size() || endsValue(record_[pos_])) {
                item_ += std::min(repeat, items_.size() - item_);  // r*: r nulls
            } else {
                Value v;
                if (!readValue(v)) {
                    return fail(ReadStatus::Malformed, itemName() + ": " + error_);
                }
                for (std::size_t r = 0; r < repeat && item_ < items_.size(); ++r) {
                    if (!assign(items_[item_], v)) {
                        return fail(ReadStatus::Malformed, itemName() + ": " + error_);
                    }
                    ++item_;
                }
            }
            valueSinceComma = true;
        }
        return ReadResult{ReadStatus::Ok, item_, {}};
    }

private:
    bool nextRecord() {
        std::optional<std::string> r = next_();
        if (!r) {
            return false;
        }
        record_ = std::move(*r);
        pos_ = 0;
        ++recordNumber_;
        return true;
    }

    // Moves to the next non-blank character, across records (a record's end
    // separates like a blank). False at the end of the input.
    bool skipBlanks() {
        for (;;) {
            while (pos_ < record_.size() && isBlank(record_[pos_])) {
                ++pos_;
            }
            if (pos_ < record_.size()) {
                return true;
            }
            if (!nextRecord()) {
                return false;
            }
        }
    }

    // A repeat count "r*" at the cursor, if there is one; otherwise repeat
    // 1 and the cursor stays. False for a zero count.
    bool readRepeat(std::size_t& repeat) {
        std::size_t p = pos_;
        std::size_t r = 0;
        while (p < record_.size() && record_[p] >= '0' && record_[p] <= '9') {
            r = r > 100000000 ? r : r * 10 + static_cast<std::size_t>(record_[p] - '0');
            ++p;
        }
        if (p == pos_ || p == record_.size() || record_[p] != '*') {
            repeat = 1;
            return true;
        }
        if (r == 0) {
            return false;
        }
        repeat = r;
        pos_ = p + 1;
        return true;
    }

    std::string_view rawToken() const {
        std::size_t end = pos_;
        while (end < record_.size() && !endsValue(record_[end])) {
            ++end;
        }
        return std::string_view(record_).substr(pos_, end - pos_);
    }

    bool readValue(Value& v) {
        if (!isQuote(record_[pos_])) {
            v.text = rawToken();
            pos_ += v.text.size();
            return true;
        }
        // A quoted text may go on in the next records; a record's end adds
        // no character to it.
        const char quote = record_[pos_++];
        v.quoted = true;
        const auto keep = [&](char c) {
            if (v.quotedText.size() < textCap_) {
                v.quotedText.push_back(c);
            }
        };
        for (;;) {
            if (pos_ == record_.size()) {
                if (!nextRecord()) {
                    error_ = "unterminated text " + std::string(1, quote) + shown(v.quotedText);
                    return false;
                }
                continue;
            }
            const char c = record_[pos_++];
            if (c == quote) {
                if (pos_ < record_.size() && record_[pos_] == quote) {
                    keep(quote);
                    ++pos_;
                    continue;
                }
                break;
            }
            keep(c);
        }
        v.text = v.quotedText;
        if (pos_ < record_.size() && !endsValue(record_[pos_])) {
            error_ = "text " + std::string(1, quote) + shown(v.text) + quote + " is followed by '" +
                     shown(rawToken()) + "'";
            return false;
        }
        return true;
    }

    bool assign(const FreeItem& item, const Value& v) {
        return std::visit([&](auto target) { return assignTo(target, v); }, item);
    }

    bool assignTo(std::int32_t* target, const Value& v) {
        if (v.quoted) {
            error_ = "a text where an integer was expected";
            return false;
        }
        switch (parseInt32(v.text, *target)) {
        case IntParse::Ok:
            return true;
        case IntParse::OutOfRange:
            error_ = "'" + shown(v.text) + "' is outside the integer range";
            return false;
        case IntParse::NotInteger:
            break;
        }
        error_ = "'" + shown(v.text) + "' is not an integer";
        return false;
    }

    bool assignTo(Quad* target, const Value& v) {
        if (v.quoted) {
            error_ = "a text where a real number was expected";
            return false;
        }
        if (!parseReal(v.text, *target)) {
            error_ = "'" + shown(v.text) + "' is not a real number";
            return false;
        }
        return true;
    }

    bool assignTo(char* target, const Value& v) {
        *target = v.text.empty() ? ' ' : v.text[0];
        return true;
    }

    bool assignTo(std::string* target, const Value& v) {
        target->assign(v.text);
        return true;
    }

    bool assignTo(TextRef target, const Value& v) {
        target.assign(v.text);
        return true;
    }

    std::string itemName() const {
        return "item " + std::to_string(item_ + 1) + " of " + std::to_string(items_.size()) + " (record " +
               std::to_string(recordNumber_) + ")";
    }

    ReadResult fail(ReadStatus status, std::string message) const {
        return ReadResult{status, item_, std::move(message)};
    }

    const RecordSource& next_;
    std::span<const FreeItem> items_;
    std::size_t textCap_ = 40;  // quoted characters kept: enough for every item and a message
    std::string record_;
    std::size_t pos_ = 0;
    std::size_t item_ = 0;
    int recordNumber_ = 0;
    std::string error_;
};

}  // namespace

ReadResult readFreeItems(const RecordSource& next, std::span<const FreeItem> items) {
    return FreeReader(next, items).run();
}

ReadResult readFreeItems(std::string_view text, std::span<const FreeItem> items) {
    bool done = false;
    const RecordSource next = [&]() -> std::optional<std::string> {
        if (done) {
            return std::nullopt;
        }
        const std::size_t end = text.find('\n');
        std::string record(text.substr(0, end));
        if (end == std::string_view::npos) {
            done = true;
        } else {
            text.remove_prefix(end + 1);
            done = text.empty();  // a final '\n' ends the last record, it opens none
        }
        return record;
    };
    return readFreeItems(next, items);
}

ReadResult readFreeItems(Units& units, int unit, std::span<const FreeItem> items) {
    const RecordSource next = [&]() { return units.readLine(unit); };
    return readFreeItems(next, items);
}

}  // namespace quorl::io
