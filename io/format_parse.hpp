// The parsed form of a format text: a flat list of compact descriptor
// records, with parenthesised groups as open/close records that point at
// each other. Parsing happens once per distinct text; parsedFormat() keeps
// the result in a per-thread cache.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorl::io::detail {

enum class Op : std::uint8_t {
    // Data descriptors: each repetition takes one item.
    Int,      // Iw, Iw.m (w = 0: as few columns as the value needs)
    Bin,      // Bw, Bw.m
    Fixed,    // Fw.d
    Exp,      // Ew.d, Ew.dEe, Dw.d
    General,  // Gw.d, Gw.dEe
    Alpha,    // Aw, A (w < 0: the whole text)
    // Control and character descriptors.
    Text,        // a quoted text
    Skip,        // nX
    Slash,       // ends the record (repeat: how many times)
    Colon,       // ends the write here when no items are left
    OpenEnd,     // backslash or dollar: no record end after this write
    SignPlus,    // SP
    SignDefault, // S, SS
    GroupOpen,   // repeat count; jump: index of the matching close
    GroupClose,  // jump: index of the matching open
    End,         // the closing parenthesis of the whole format
};

struct Descriptor {
    Op op;
    char letter = 'E';       // exponent letter of Exp
    std::int32_t repeat = 1;
    std::int32_t w = 0;      // field width
    std::int32_t d = -1;     // decimals, digits or minimum digits (m); -1 when absent
    std::int32_t e = 0;      // exponent digits (Ee); 0 when absent
    std::int32_t jump = 0;   // groups: the matching record
    std::uint32_t textPos = 0, textLen = 0;  // Text: its characters in ParsedFormat::texts
};

inline bool isDataOp(Op op) { return op <= Op::Alpha; }

struct ParsedFormat {
    std::vector<Descriptor> ops;  // ends with Op::End
    std::string texts;            // characters of all quoted texts
    std::int32_t reversion = 0;   // where the format resumes when items remain
    bool hasData = false;
    bool reversionHasData = false;  // a data descriptor from the reversion point on
};

// The most characters (or steps) one pass through a format may take; a
// format beyond it is rejected (see format_parse.cpp).
inline constexpr std::int64_t kMaxFormatWork = 10'000'000;

// Parses a format text; throws std::invalid_argument naming the column.
ParsedFormat parseFormat(std::string_view fmt);

// The cached parse of `fmt` (parsed on first use, per thread).
const ParsedFormat& parsedFormat(std::string_view fmt);

}  // namespace quorl::io::detail
