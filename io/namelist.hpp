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
// The group opens with &NAME (or $NAME) as the first thing on a line, the
// name matched without regard to case; every line before it (comments,
// other groups) is skipped. It ends with '/', &END or $END. Inside, NAME =
// value pairs are separated by commas or blanks and may spread over several
// lines; '!' starts a comment to the end of the line; a name given twice
// takes its last value; "NAME = ," (or a name followed directly by the next)
// leaves the member unchanged.
//
// Values: an int32 member takes sign and digits; a Quad member a decimal
// real with an optional E or D exponent, read to the nearest quad real (an
// integer is a valid real); a Text<N> member a quoted text, ' or ", a
// doubled quote standing for one, closed on its own line, blank padded and
// truncated to N.
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

    const std::string& name() const { return name_; }
    const Target& target() const { return target_; }

private:
    std::string name_;
    Target target_;
};

enum class NamelistStatus {
    Ok,                // the group was read whole
    NotFound,          // no such group in the text; nothing changed
    UnknownName,       // a name that is not a member
    WrongType,         // e.g. a text for an integer, 1.5 for an integer
    Malformed,         // a value that is no number, a missing '=', ...
    UnterminatedText,  // a quoted text not closed on its line
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
