// Format text to descriptor records: a small recursive-descent parser over
// the text with blanks removed (outside quotes, blanks mean nothing in a
// format). Every error names the 1-based column of the original text.
//
// The work of one pass through a format is bounded: each descriptor counts
// the characters it may write (its width, its text, its blanks, at least 1)
// times the product of the repeat counts around it, and a format whose total
// exceeds kMaxFormatWork is rejected where the total crosses it. Without the
// bound, "(100000(100000('x')))" would ask for 10^10 characters and
// "(100000(100000(100000(sp))))" would run for hours, in a write and in a
// formatted read alike. A write with items left at the end reverts to the
// format's last group, which then takes at least one item per pass.
#include "io/format_parse.hpp"

#include <cctype>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace quorl::io::detail {

namespace {

class Parser {
public:
    explicit Parser(std::string_view fmt) : fmt_(fmt) {
        // Strip blanks outside quotes, remembering each character's column.
        char quote = 0;
        for (std::size_t i = 0; i < fmt.size(); ++i) {
            const char c = fmt[i];
            if (quote == 0 && (c == ' ' || c == '\t')) {
                continue;
            }
            if (quote == 0 && (c == '\'' || c == '"')) {
                quote = c;
            } else if (quote != 0 && c == quote) {
                if (i + 1 < fmt.size() && fmt[i + 1] == quote) {
                    chars_ += c;
                    cols_.push_back(static_cast<int>(i));
                    ++i;  // a doubled quote stays doubled here
                } else {
                    quote = 0;
                }
            }
            chars_ += c;
            cols_.push_back(static_cast<int>(i));
        }
        cols_.push_back(static_cast<int>(fmt.size()));
    }

    ParsedFormat parse() {
        if (peek() != '(') {
            fail("a format starts with '('");
        }
        ++pos_;
        list(0);
        if (pos_ != chars_.size()) {
            fail("unexpected text after the closing parenthesis");
        }
        Descriptor end{Op::End};
        out_.ops.push_back(end);
        out_.reversion = lastTopGroup_ >= 0 ? lastTopGroup_ : 0;
        for (std::size_t i = static_cast<std::size_t>(out_.reversion); i < out_.ops.size(); ++i) {
            out_.reversionHasData = out_.reversionHasData || isDataOp(out_.ops[i].op);
        }
        return std::move(out_);
    }

private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::invalid_argument("format " + std::string(fmt_) + ": " + what + " at column " +
                                    std::to_string(cols_[pos_ < cols_.size() ? pos_ : cols_.size() - 1] + 1));
    }
    char peek() const { return pos_ < chars_.size() ? chars_[pos_] : '\0'; }
    char peekUpper() const { return static_cast<char>(std::toupper(static_cast<unsigned char>(peek()))); }
    bool atDigit() const { return std::isdigit(static_cast<unsigned char>(peek())) != 0; }
    // Counts the work of a descriptor met `times` times in one pass, each
    // time writing `chars` characters (1 at least); fails beyond the bound.
    void addWork(std::int64_t times, std::int64_t chars, std::size_t start) {
        work_ += multiplier_ * times * (chars > 1 ? chars : 1);
        if (work_ > kMaxFormatWork) {
            pos_ = start;
            fail("the format would write more than " + std::to_string(kMaxFormatWork) +
                 " characters or take as many steps");
        }
    }

    static std::int64_t timesOf(const Descriptor& d) {
        return isDataOp(d.op) || d.op == Op::Slash ? d.repeat : 1;
    }
    // Characters of one use: a field's width (a width of 0 writes about as
    // many as the decimals), a text, blanks, a record end.
    static std::int64_t charsOf(const Descriptor& d) {
        switch (d.op) {
        case Op::Text:
            return d.textLen;
        case Op::Skip:
            return d.w;
        default:
            if (isDataOp(d.op)) {
                return d.w > 0 ? d.w : std::int64_t{d.d > 0 ? d.d : 0} + 1;
            }
            return 1;
        }
    }

    int number() {
        long v = 0;
        while (atDigit()) {
            v = v * 10 + (peek() - '0');
            if (v > 100000) {
                fail("number too large");
            }
            ++pos_;
        }
        return static_cast<int>(v);
    }

    // Items up to and including the closing parenthesis of this level.
    void list(int depth) {
        if (depth > 30) {
            fail("groups nested too deeply");
        }
        bool needItem = true;  // after '(' or ','
        while (true) {
            const char c = peek();
            if (c == '\0') {
                fail("missing ')'");
            }
            if (c == ')') {
                ++pos_;  // a stray comma before ')' is accepted
                return;
            }
            if (c == ',') {
                if (needItem && !out_.ops.empty() && out_.ops.back().op == Op::GroupOpen) {
                    fail("empty item");
                }
                ++pos_;
                needItem = true;
                continue;
            }
            const std::size_t start = pos_;
            item(depth);
            needItem = false;
            const Descriptor& d = out_.ops.back();
            if (d.op != Op::GroupClose) {  // a group has counted itself
                addWork(timesOf(d), charsOf(d), start);
            }
        }
    }

    void item(int depth) {
        const std::size_t start = pos_;
        int repeat = -1;
        if (atDigit()) {
            repeat = number();
            if (repeat == 0) {
                pos_ = start;
                fail("a repeat count must be positive");
            }
        }
        const char c = peekUpper();
        if (c == '(') {
            ++pos_;
            const auto open = static_cast<std::int32_t>(out_.ops.size());
            Descriptor d{Op::GroupOpen};
            d.repeat = repeat < 0 ? 1 : repeat;
            out_.ops.push_back(d);
            // The group's open and close records, then its items, all
            // repeated: the multiplier never exceeds the bound, so the
            // products stay far inside 64 bits.
            addWork(d.repeat, 1, start);
            const std::int64_t outer = multiplier_;
            multiplier_ *= d.repeat;
            list(depth + 1);
            multiplier_ = outer;
            Descriptor close{Op::GroupClose};
            close.jump = open;
            out_.ops[static_cast<std::size_t>(open)].jump = static_cast<std::int32_t>(out_.ops.size());
            out_.ops.push_back(close);
            if (depth == 0) {
                lastTopGroup_ = open;
            }
            return;
        }
        if (c == '\'' || c == '"') {
            if (repeat >= 0) {
                fail("a quoted text takes no repeat count");
            }
            quoted();
            return;
        }
        ++pos_;
        switch (c) {
        case '/': {
            Descriptor d{Op::Slash};
            d.repeat = repeat < 0 ? 1 : repeat;
            out_.ops.push_back(d);
            return;
        }
        case '\\':
        case '$':
            noRepeat(repeat, start);
            out_.ops.push_back(Descriptor{Op::OpenEnd});
            return;
        case ':':
            noRepeat(repeat, start);
            out_.ops.push_back(Descriptor{Op::Colon});
            return;
        case 'X': {
            Descriptor d{Op::Skip};
            d.w = repeat < 0 ? 1 : repeat;
            out_.ops.push_back(d);
            return;
        }
        case 'S': {
            noRepeat(repeat, start);
            const char n = peekUpper();
            if (n == 'P') {
                ++pos_;
                out_.ops.push_back(Descriptor{Op::SignPlus});
            } else {
                if (n == 'S') {
                    ++pos_;
                }
                out_.ops.push_back(Descriptor{Op::SignDefault});
            }
            return;
        }
        case 'I':
        case 'B':
            data(c == 'I' ? Op::Int : Op::Bin, repeat, false, false);
            return;
        case 'F':
            data(Op::Fixed, repeat, true, false);
            return;
        case 'E':
        case 'D':
            data(Op::Exp, repeat, true, c == 'E');
            out_.ops.back().letter = c;
            return;
        case 'G':
            data(Op::General, repeat, true, true);
            return;
        case 'A': {
            Descriptor d{Op::Alpha};
            d.repeat = repeat < 0 ? 1 : repeat;
            d.w = -1;
            if (atDigit()) {
                d.w = number();
                if (d.w == 0) {
                    fail("A needs a positive width");
                }
            }
            out_.hasData = true;
            out_.ops.push_back(d);
            return;
        }
        default:
            --pos_;
            if (c == '\0') {
                fail("missing ')'");
            }
            fail(std::string("unknown or unsupported edit descriptor '") + chars_[pos_] + "'");
        }
    }

    void noRepeat(int repeat, std::size_t start) {
        if (repeat >= 0) {
            pos_ = start;
            fail("this descriptor takes no repeat count");
        }
    }

    // Iw[.m], Fw.d, Ew.d[Ee], Gw.d[Ee]
    void data(Op op, int repeat, bool needDecimals, bool allowExponent) {
        Descriptor d{op};
        d.repeat = repeat < 0 ? 1 : repeat;
        const std::size_t letter = pos_ - 1;
        if (!atDigit()) {
            fail("missing field width");
        }
        d.w = number();
        if (peek() == '.') {
            ++pos_;
            if (!atDigit()) {
                fail("missing digits after '.'");
            }
            d.d = number();
        } else if (needDecimals) {
            fail("missing '.d'");
        }
        if (allowExponent && peekUpper() == 'E') {
            ++pos_;
            if (!atDigit()) {
                fail("missing exponent digits");
            }
            d.e = number();
            if (d.e == 0) {
                fail("exponent digits must be positive");
            }
        }
        if (d.w == 0 && (op == Op::Exp || op == Op::General)) {
            pos_ = letter;
            fail("this descriptor needs a positive width");
        }
        if ((op == Op::Int || op == Op::Bin) && d.w > 0 && d.d > d.w) {
            pos_ = letter;
            fail("more minimum digits than the field width");
        }
        if (op == Op::Exp && d.d == 0) {
            pos_ = letter;
            fail("an exponent form needs at least one digit");
        }
        out_.hasData = true;
        out_.ops.push_back(d);
    }

    void quoted() {
        const char quote = peek();
        ++pos_;
        Descriptor d{Op::Text};
        d.textPos = static_cast<std::uint32_t>(out_.texts.size());
        while (true) {
            if (pos_ >= chars_.size()) {
                fail("unterminated quoted text");
            }
            const char c = chars_[pos_++];
            if (c == quote) {
                if (peek() == quote) {
                    ++pos_;  // doubled quote: one quote character
                } else {
                    break;
                }
            }
            out_.texts += c;
        }
        d.textLen = static_cast<std::uint32_t>(out_.texts.size()) - d.textPos;
        out_.ops.push_back(d);
    }

    std::string_view fmt_;
    std::string chars_;
    std::vector<int> cols_;
    std::size_t pos_ = 0;
    ParsedFormat out_;
    std::int64_t multiplier_ = 1;  // product of the repeat counts of the enclosing groups
    std::int64_t work_ = 0;        // work of one pass so far
    std::int32_t lastTopGroup_ = -1;
};

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

ParsedFormat parseFormat(std::string_view fmt) { return Parser(fmt).parse(); }

const ParsedFormat& parsedFormat(std::string_view fmt) {
    // A program has a few hundred distinct format texts at most; each thread
    // keeps its own map so that no write ever waits for a lock.
    thread_local std::unordered_map<std::string, std::unique_ptr<ParsedFormat>, TextHash, std::equal_to<>> cache;
    thread_local const ParsedFormat* lastParsed = nullptr;
    thread_local std::string lastText;
    if (lastParsed != nullptr && fmt == lastText) {
        return *lastParsed;
    }
    auto it = cache.find(fmt);
    if (it == cache.end()) {
        it = cache.emplace(std::string(fmt), std::make_unique<ParsedFormat>(parseFormat(fmt))).first;
    }
    lastText.assign(fmt);
    lastParsed = it->second.get();
    return *lastParsed;
}

}  // namespace quorl::io::detail
