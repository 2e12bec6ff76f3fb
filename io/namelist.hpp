// Namelist input: one group of named values from a configuration text,
//
//   &QUORLNML  JBON = 3, DELTA = 1.5D-3    ! a comment
//              WHAT = 'power law'
//   /
//
// into the members the caller binds by reference:
//
//   std::vector<io::NamelistMember> m = {{"JBON", s.JBON}, {"DELTA", s.DELTA}, {"WHAT", s.WHAT}};
//   io::NamelistResult r = io::readNamelist(in, "QUORLNML", m);
//
// The conventions are gfortran's (tests/io/input_oracle_test.cpp compares
// the two on some 150 inputs):
//  - The group opens with &NAME or $NAME (the name matched without regard
//    to case) followed by a blank, a comma, a slash, a comment or the line's
//    end, anywhere in the text: after other text on its line, after other
//    groups; '!' starts a comment to the end of the line. A UTF-8
//    byte-order mark at the start of the file is skipped. The group ends
//    with '/', &END or $END.
//  - Inside, NAME = value items are separated by blanks, commas or line
//    ends and may spread over lines (a comment may stand anywhere between
//    them, also after '='). A name given twice takes its last value.
//  - A null value leaves the member as it is: "NAME = ," "NAME =" before the
//    next name or the end, or r* (1* for a member of one value).
//  - r*value repeats a value r times; a member of one value takes 1*value,
//    a larger count is a fault.
//  - int32: an optional sign and digits. Quad: any real of io/real_text.hpp
//    (E, D or Q exponent, or none: "1-8"; Inf, Infinity, NaN(...) with a
//    sign), read to the nearest quad real; an integer is a valid real.
//  - Text<N>: a quoted text, ' or ", a doubled quote standing for one, going
//    on over lines (a line's end adds nothing); or an undelimited text up to
//    a blank, comma, slash or the line's end when it starts with a digit or
//    follows a repeat count (a member made by quotedText refuses that form).
//    Blank padded, truncated to N. NAME(i:j) assigns to characters i to j
//    alone.
//  - A word starting with a letter where a value should be is the next
//    member's name when '=' follows it (the member before had a null value),
//    and a value of the wrong kind otherwise.
//
// Members are assigned as the group is read. At the first fault (an unknown
// name, a value of the wrong type, a malformed value, an unterminated text,
// the end of the file inside the group) reading stops: the members before
// it keep their new values, the rest are untouched, and the result says
// what went wrong and on which line. Nothing throws for bad input.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "io/fixed_text.hpp"
#include "io/free_input.hpp"
#include "quad/quad.hpp"

namespace quorl::io {

class Units;

class NamelistMember {
public:
    using Target = std::variant<std::int32_t*, Quad*, TextRef>;

    NamelistMember(std::string name, std::int32_t& v) : name_(std::move(name)), target_(&v) {}
    NamelistMember(std::string name, Quad& v) : name_(std::move(name)), target_(&v) {}
    template <std::size_t N>
    NamelistMember(std::string name, Text<N>& v) : name_(std::move(name)), target_(TextRef(v)) {}
    // A text that must be given in quotes: an undelimited one (FORMULA=3)
    // is refused, where the plain member would take "3".
    template <std::size_t N>
    static NamelistMember quotedText(std::string name, Text<N>& v) {
        NamelistMember m(std::move(name), v);
        m.quotedOnly_ = true;
        return m;
    }

    const std::string& name() const { return name_; }
    const Target& target() const { return target_; }
    bool quotedOnly() const { return quotedOnly_; }

private:
    std::string name_;
    Target target_;
    bool quotedOnly_ = false;
};

enum class NamelistStatus {
    Ok,                // the group was read whole
    NotFound,          // no such group in the text; nothing changed
    UnknownName,       // a name that is not a member
    WrongType,         // e.g. a text for an integer, 1.5 for an integer
    Malformed,         // a value that is no number, a missing '=', ...
    UnterminatedText,  // a quoted text not closed before the end of the text
    EndOfFile,         // the text ended inside the group
};

struct NamelistResult {
    bool found = false;     // the group's opening &NAME was seen
    bool complete = false;  // the group was read up to its end without fault
    NamelistStatus status = NamelistStatus::NotFound;
    int line = 0;           // the line of the fault, counted from 1; 0 if none
    std::string member;     // the member at fault as written, if known
    std::string message;    // e.g. "line 4 of group &QUORLNML: unknown name 'JBOM'"

    bool ok() const { return status == NamelistStatus::Ok; }
};

NamelistResult readNamelist(std::istream& in, std::string_view group, const std::vector<NamelistMember>& members);
// From a unit connected for reading (or unit 5).
NamelistResult readNamelist(Units& units, int unit, std::string_view group,
                            const std::vector<NamelistMember>& members);

}  // namespace quorl::io
