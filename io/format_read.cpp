// Formatted input: the parsed format (the writer's descriptor records) is
// walked as io::formatItems walks it, but each data descriptor cuts a field
// of w characters from the record and converts it into the next item.
#include "io/format_read.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <system_error>

#include "io/format_parse.hpp"
#include "io/real_text.hpp"
#include "io/units.hpp"
#include "quad/decimal.hpp"

namespace quorl::io {

namespace {

using detail::Descriptor;
using detail::Op;

// The field without its blanks: on input they mean nothing.
std::string withoutBlanks(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (const char c : field) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

// An integer field; an error text when it is not one.
std::string readInteger(std::string_view field, std::int32_t& out) {
    const std::string t = withoutBlanks(field);
    if (t.empty()) {
        out = 0;
        return {};
    }
    switch (parseInt32(t, out)) {
    case IntParse::Ok:
        return {};
    case IntParse::OutOfRange:
        return "is out of the integer range";
    default:
        return "is not an integer";
    }
}

// The decimal text in the precision of T, rounded correctly; out of range
// it overflows to infinity or underflows to zero, as the value says.
template <class T>
T toBinary(const RealText& r, Quad nearest) {
    if (r.decimal.empty()) {
        return static_cast<T>(r.special);
    }
    T v{};
    const char* first = r.decimal.data();
    const char* last = first + r.decimal.size();
    const bool negative = *first == '-';
    const auto [ptr, ec] = std::from_chars(negative ? first + 1 : first, last, v);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        v = std::fabs(nearest.hi) >= 1.0 ? std::numeric_limits<T>::infinity() : T{0};
    }
    return negative ? -v : v;
}

class FormattedReader {
public:
    FormattedReader(const RecordSource& next, std::string_view fmt, std::span<const FormattedItem> items)
        : next_(next), fmt_(fmt), items_(items) {}

    ReadResult run() {
        const detail::ParsedFormat* pf = nullptr;
        try {
            pf = &detail::parsedFormat(fmt_);
        } catch (const std::invalid_argument& e) {
            return fail(ReadStatus::Malformed, std::string("bad format: ") + e.what());
        }
        if (!nextRecord()) {
            return fail(ReadStatus::EndOfInput, "end of input before the read began");
        }
        Frame stack[32];
        int depth = 0;
        std::size_t pc = 0;
        for (;;) {
            const Descriptor& d = pf->ops[pc];
            switch (d.op) {
            case Op::Text:
                return fail(ReadStatus::Malformed, "format " + std::string(fmt_) + ": a quoted text cannot be read");
            case Op::Skip:
                pos_ += static_cast<std::size_t>(d.w);
                break;
            case Op::Slash:
                for (int r = 0; r < d.repeat; ++r) {
                    if (!nextRecord()) {
                        return endOfInput();
                    }
                }
                break;
            case Op::Colon:
                if (item_ == items_.size()) {
                    return done();
                }
                break;
            case Op::GroupOpen:
                stack[depth++] = Frame{d.repeat};
                break;
            case Op::GroupClose:
                if (--stack[depth - 1].left > 0) {
                    pc = static_cast<std::size_t>(d.jump);
                } else {
                    --depth;
                }
                break;
            case Op::End:
                if (item_ == items_.size()) {
                    return done();
                }
                if (!pf->reversionHasData) {
                    return fail(ReadStatus::Malformed,
                                "format " + std::string(fmt_) + " has no data descriptor for " + itemName());
                }
                if (!nextRecord()) {
                    return endOfInput();
                }
                depth = 0;
                pc = static_cast<std::size_t>(pf->reversion);
                continue;
            case Op::OpenEnd:
            case Op::SignPlus:
            case Op::SignDefault:
                break;  // output controls: nothing to do on input
            default:    // data descriptors
                for (int r = 0; r < d.repeat; ++r) {
                    if (item_ == items_.size()) {
                        return done();
                    }
                    const std::string error = readItem(d, items_[item_]);
                    if (!error.empty()) {
                        return fail(ReadStatus::Malformed, error);
                    }
                    ++item_;
                }
                break;
            }
            ++pc;
        }
    }

private:
    struct Frame {
        std::int32_t left;
    };

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

    // The next w characters of the record, blank padded past its end.
    std::string field(int w) {
        std::string f = pos_ < record_.size() ? record_.substr(pos_, static_cast<std::size_t>(w)) : std::string();
        f.resize(static_cast<std::size_t>(w), ' ');
        fieldStart_ = pos_;
        pos_ += static_cast<std::size_t>(w);
        return f;
    }

    std::string readItem(const Descriptor& d, const FormattedItem& item) {
        if (d.op == Op::Bin) {
            return itemName() + ": B cannot be read";
        }
        const bool text = std::holds_alternative<TextRef>(item);
        const bool integer = std::holds_alternative<std::int32_t*>(item);
        const bool alpha = d.op == Op::Alpha || (d.op == Op::General && text);
        if (alpha != text || (d.op == Op::Int && !integer) || ((d.op == Op::Fixed || d.op == Op::Exp) && integer)) {
            return itemName() + ": " + descriptorName(d) + " cannot read " + kindName(item);
        }
        if (alpha) {
            const TextRef& t = std::get<TextRef>(item);
            const int length = static_cast<int>(t.length());
            const int w = d.w < 0 ? length : d.w;
            const std::string f = field(w);
            t.assign(w >= length ? std::string_view(f).substr(static_cast<std::size_t>(w - length)) : f);
            return {};
        }
        if (d.w <= 0) {
            return itemName() + ": a field of width 0 cannot be read";
        }
        // The usual field, a decimal with its point and blanks only around
        // it, goes straight to the exact fast path of the decimal reader
        // (no implied decimals apply to it, and it means what it says),
        // read in place in the record.
        if (Quad* const* p = std::get_if<Quad*>(&item);
            p != nullptr && pos_ + static_cast<std::size_t>(d.w) <= record_.size() &&
            detail::readPlainDecimal(std::string_view(record_).substr(pos_, static_cast<std::size_t>(d.w)), **p)) {
            fieldStart_ = pos_;
            pos_ += static_cast<std::size_t>(d.w);
            return {};
        }
        const std::string f = field(d.w);
        if (integer) {
            std::int32_t v = 0;
            const std::string error = readInteger(f, v);
            if (!error.empty()) {
                return fieldError(f, error);
            }
            *std::get<std::int32_t*>(item) = v;
            return {};
        }
        RealText r;
        const std::string t = withoutBlanks(f);
        if (t.empty()) {
            r.decimal = "0";  // an all-blank field is zero
        } else if (!realText(t, r, d.d < 0 ? 0 : d.d)) {
            return fieldError(f, "is not a real number");
        }
        Quad q{r.special, 0.0};
        if (!r.decimal.empty() && !parseQuad(r.decimal, q)) {
            return fieldError(f, "is not a real number");
        }
        if (Quad* const* p = std::get_if<Quad*>(&item)) {
            **p = q;
        } else if (double* const* p = std::get_if<double*>(&item)) {
            **p = toBinary<double>(r, q);
        } else {
            *std::get<float*>(item) = toBinary<float>(r, q);
        }
        return {};
    }

    std::string fieldError(const std::string& f, const std::string& what) const {
        return itemName() + " (record " + std::to_string(recordNumber_) + ", columns " +
               std::to_string(fieldStart_ + 1) + "-" + std::to_string(fieldStart_ + f.size()) + "): '" + f + "' " +
               what;
    }

    static std::string descriptorName(const Descriptor& d) {
        switch (d.op) {
        case Op::Int:
            return "I";
        case Op::Fixed:
            return "F";
        case Op::Exp:
            return std::string(1, d.letter);
        case Op::General:
            return "G";
        default:
            return "A";
        }
    }

    static std::string kindName(const FormattedItem& item) {
        switch (item.index()) {
        case 0:
            return "an integer";
        case 1:
        case 2:
        case 3:
            return "a real";
        default:
            return "a text";
        }
    }

    std::string itemName() const { return "item " + std::to_string(item_ + 1); }

    ReadResult done() const { return ReadResult{ReadStatus::Ok, item_, {}}; }
    ReadResult endOfInput() const {
        return fail(ReadStatus::EndOfInput, "end of input after record " + std::to_string(recordNumber_) +
                                                ", before " + itemName());
    }
    ReadResult fail(ReadStatus status, std::string message) const {
        return ReadResult{status, item_, std::move(message)};
    }

    const RecordSource& next_;
    std::string_view fmt_;
    std::span<const FormattedItem> items_;
    std::string record_;
    std::size_t pos_ = 0, fieldStart_ = 0;
    std::size_t item_ = 0;
    int recordNumber_ = 0;
};

}  // namespace

ReadResult readFormattedItems(const RecordSource& next, std::string_view fmt, std::span<const FormattedItem> items) {
    return FormattedReader(next, fmt, items).run();
}

ReadResult readFormattedItems(std::string_view text, std::string_view fmt, std::span<const FormattedItem> items) {
    // Records end at '\n'; a final '\n' closes the last record and opens none.
    std::size_t at = 0;
    const RecordSource next = [&]() -> std::optional<std::string> {
        if (at > text.size() || (at == text.size() && at > 0)) {
            return std::nullopt;
        }
        std::size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end;
        std::string record(text.substr(at, end - at));
        at = end + 1;
        return record;
    };
    return readFormattedItems(next, fmt, items);
}

ReadResult readFormattedItems(Units& units, int unit, std::string_view fmt, std::span<const FormattedItem> items) {
    const RecordSource next = [&]() { return units.readLine(unit); };
    return readFormattedItems(next, fmt, items);
}

namespace detail {

bool readPlainDecimal(std::string_view field, Quad& out) {
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return false;
    }
    const std::string_view text = field.substr(first, field.find_last_not_of(' ') - first + 1);
    return text.find('.') != std::string_view::npos && parseShortDecimal(text, out);
}

}  // namespace detail

}  // namespace quorl::io
