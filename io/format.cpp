// io::formatItems: runs the parsed format over the items, one write
// statement's worth of records.
//
// The walk follows Fortran's format control: each repetition of a data
// descriptor takes the next item; the write ends at the first data
// descriptor (or colon) for which no item is left, or at the closing
// parenthesis when none is left. When items remain there, a new record
// starts and the format resumes at the last top-level group (with its
// repeat count), or at its start when it has no group. A backslash (or
// dollar) keeps the record open: after it, neither the end of the write nor
// a later slash or reversion ends a record, which is what gfortran does. Blanks from nX are
// only written when something follows them in the record, as gfortran does.
//
// Items that Fortran would reject under a descriptor are written by value:
//  - an integer under F or E is written as the real of the same value, and
//    under G as Iw;
//  - a real under I or B is rounded to the nearest integer (halves away
//    from zero); beyond the 64-bit range, or not finite, it fills the field
//    with asterisks;
//  - a text under I, B, F or E fills the field with asterisks, under G it is
//    written as Aw;
//  - a number under A is its free-form text without blanks, placed as a text.
#include "io/format.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <variant>

#include "io/edit.hpp"
#include "io/format_parse.hpp"

namespace quorl::io {

namespace {

using detail::Descriptor;
using detail::Op;

bool isText(const Item& item) { return std::holds_alternative<std::string_view>(item); }
bool isIntegerItem(const Item& item) {
    return std::holds_alternative<std::int32_t>(item) || std::holds_alternative<std::int64_t>(item);
}

Quad valueOf(const Item& item) {
    return std::visit(
        [](const auto& v) -> Quad {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::int32_t>) {
                return fromInt(v);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return fromInt64(v);
            } else if constexpr (std::is_same_v<T, float>) {
                return fromFloat(v);
            } else if constexpr (std::is_same_v<T, double>) {
                return fromDouble(v);
            } else if constexpr (std::is_same_v<T, Quad>) {
                return v;
            } else {
                return Quad{0.0, 0.0};
            }
        },
        item);
}

// The integer nearest the exact value hi + lo, halves away from zero, for
// any pair of finite doubles, normalised or not; false when it lies outside
// the 64-bit range. Every step is exact: the two-sum gives hi + lo = s + e
// with |e| <= ulp(s)/2; below 2^64 the integer and fraction parts of s and e
// are exact doubles, the integer parts add up in 128 bits, and the fraction
// (f + g, again by a two-sum) is compared with the halves exactly.
bool nearestInt64(double hi, double lo, std::int64_t& out) {
    const double s = hi + lo;
    if (!(std::fabs(s) < 0x1p64)) {
        return false;  // |hi + lo| >= 2^64 - 2^11, or the sum overflowed
    }
    const double sb = s - hi;
    const double e = (hi - (s - sb)) + (lo - sb);
    const double si = std::trunc(s), ei = std::trunc(e);
    const double sf = s - si, ef = e - ei;
    __extension__ typedef __int128 I128;
    I128 j = static_cast<I128>(si) + static_cast<I128>(ei);
    const double f0 = sf + ef;
    const double fb = f0 - sf;
    const double g = (sf - (f0 - fb)) + (ef - fb);
    const double fi = std::trunc(f0);
    j += static_cast<I128>(fi);
    const double f = f0 - fi;  // the fraction r = f + g, |r| < 1
    const auto atLeast = [&](double t) { return f > t || (f == t && g >= 0.0); };
    const auto atMost = [&](double t) { return f < t || (f == t && g <= 0.0); };
    const bool positive = j > 0 || (j == 0 && !atMost(0.0));
    const bool negative = j < 0 || (j == 0 && !atLeast(0.0));
    if (positive) {
        j += atLeast(0.5) ? 1 : (atLeast(-0.5) ? 0 : -1);  // floor(v + 1/2)
    } else if (negative) {
        j += atMost(-0.5) ? -1 : (atMost(0.5) ? 0 : 1);  // ceil(v - 1/2)
    }
    if (j > std::numeric_limits<std::int64_t>::max() || j < std::numeric_limits<std::int64_t>::min()) {
        return false;
    }
    out = static_cast<std::int64_t>(j);
    return true;
}

// The integer an item stands for under I or B; false when there is none.
bool integerOf(const Item& item, std::int64_t& out) {
    if (const auto* i = std::get_if<std::int32_t>(&item)) {
        out = *i;
        return true;
    }
    if (const auto* i = std::get_if<std::int64_t>(&item)) {
        out = *i;
        return true;
    }
    if (isText(item)) {
        return false;
    }
    const Quad v = valueOf(item);
    return isFinite(v) && nearestInt64(v.hi, v.lo, out);
}

void writeInteger(std::string& out, const Item& item, int w, int m, bool plus) {
    std::int64_t v;
    if (!integerOf(item, v)) {
        detail::fillStars(out, w);
        return;
    }
    const bool negative = v < 0;
    const auto magnitude = negative ? ~static_cast<std::uint64_t>(v) + 1 : static_cast<std::uint64_t>(v);
    detail::editInteger(out, negative, magnitude, w, m, plus);
}

void writeData(std::string& out, const Descriptor& d, const Item& item, bool plus) {
    switch (d.op) {
    case Op::Int:
        writeInteger(out, item, d.w, d.d, plus);
        return;
    case Op::Bin: {
        std::int64_t v;
        if (!integerOf(item, v)) {
            detail::fillStars(out, d.w);
            return;
        }
        // The bit pattern of the item's own kind.
        const bool narrow = std::holds_alternative<std::int32_t>(item);
        const std::uint64_t bits = narrow ? static_cast<std::uint32_t>(v) : static_cast<std::uint64_t>(v);
        detail::editBinary(out, bits, d.w, d.d);
        return;
    }
    case Op::Fixed:
    case Op::Exp:
        if (isText(item)) {
            detail::fillStars(out, d.w);
        } else if (d.op == Op::Fixed) {
            detail::editFixed(out, valueOf(item), d.w, d.d, plus);
        } else {
            detail::editExponent(out, valueOf(item), d.w, d.d, d.e, d.letter, plus);
        }
        return;
    case Op::General:
        if (isText(item)) {
            detail::editAlpha(out, std::get<std::string_view>(item), d.w);
        } else if (isIntegerItem(item)) {
            writeInteger(out, item, d.w, -1, plus);
        } else {
            const auto rule = std::holds_alternative<float>(item)    ? detail::GeneralRule::Real32
                              : std::holds_alternative<double>(item) ? detail::GeneralRule::Real64
                                                                     : detail::GeneralRule::Exact;
            detail::editGeneral(out, valueOf(item), d.w, d.d, d.e, plus, rule);
        }
        return;
    case Op::Alpha:
        if (isText(item)) {
            detail::editAlpha(out, std::get<std::string_view>(item), d.w);
        } else {
            std::string text;
            detail::editFreeItem(text, item);
            const auto first = text.find_first_not_of(' ');
            const auto last = text.find_last_not_of(' ');
            detail::editAlpha(out, std::string_view(text).substr(first, last - first + 1), d.w);
        }
        return;
    default:
        return;
    }
}

struct Frame {
    std::int32_t open;
    std::int32_t left;
};

}  // namespace

std::string formatItems(std::string_view fmt, std::span<const Item> items) {
    std::string out;
    out.reserve(80);
    formatItemsInto(out, fmt, items);
    return out;
}

void formatItemsInto(std::string& out, std::string_view fmt, std::span<const Item> items) {
    const detail::ParsedFormat& pf = detail::parsedFormat(fmt);
    out.clear();
    Frame stack[32];
    int depth = 0;
    std::size_t next = 0, pc = 0;
    int pending = 0;  // blanks from nX not yet written
    bool plus = false, openEnd = false;
    const auto flushBlanks = [&] {
        if (pending > 0) {
            out.append(static_cast<std::size_t>(pending), ' ');
            pending = 0;
        }
    };
    for (;;) {
        const Descriptor& d = pf.ops[pc];
        switch (d.op) {
        case Op::Text:
            flushBlanks();
            out.append(pf.texts, d.textPos, d.textLen);
            break;
        case Op::Skip:
            pending += d.w;
            break;
        case Op::Slash:
            // Once a backslash has been passed, gfortran ends no more
            // records in this write: later slashes and reversions write
            // nothing (pending blanks are still dropped).
            if (!openEnd) {
                out.append(static_cast<std::size_t>(d.repeat), '\n');
            }
            pending = 0;
            break;
        case Op::Colon:
            if (next == items.size()) {
                goto done;
            }
            break;
        case Op::OpenEnd:
            openEnd = true;
            break;
        case Op::SignPlus:
            plus = true;
            break;
        case Op::SignDefault:
            plus = false;
            break;
        case Op::GroupOpen:
            stack[depth++] = Frame{static_cast<std::int32_t>(pc), d.repeat};
            break;
        case Op::GroupClose:
            if (--stack[depth - 1].left > 0) {
                pc = static_cast<std::size_t>(d.jump);
            } else {
                --depth;
            }
            break;
        case Op::End:
            if (next == items.size()) {
                goto done;
            }
            if (!pf.reversionHasData) {
                throw std::invalid_argument("format " + std::string(fmt) + " has no data descriptor for its " +
                                            std::to_string(items.size()) + " items");
            }
            if (!openEnd) {
                out.push_back('\n');
            }
            pending = 0;
            depth = 0;
            pc = static_cast<std::size_t>(pf.reversion);
            continue;
        default:  // data descriptors
            for (int r = 0; r < d.repeat; ++r) {
                if (next == items.size()) {
                    goto done;
                }
                flushBlanks();
                writeData(out, d, items[next++], plus);
            }
            break;
        }
        ++pc;
    }
done:
    if (!openEnd) {
        out.push_back('\n');
    }
}

}  // namespace quorl::io
