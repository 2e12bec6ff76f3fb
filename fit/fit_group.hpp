// The namelist group QUORLFIT of Quorl-user.nml: what quorl-fit fits.
//
//   &QUORLFIT
//     FORMULA    = 'a*exp(-b*x) + c'       ! the modelled value; several: separated by ;
//     PARAMETERS = 'a = 1, b = 1, c = 0'   ! every parameter with its starting value
//     AUXILIARY  = 'x'                     ! the columns the formulas use, by name
//     MEASURED   = 'y'                     ! one per formula: a column or an expression of columns
//     WEIGHT     = '1/sigma'               ! optional: one, or one per formula
//     HOLD       = 'c'                     ! optional: parameters kept at their starting values
//     PARTIALS   = 'exact'                 ! optional: 'exact' (from the formulas), 'differences' or 'central'
//     INCREMENT  = 1.0E-14                 ! optional: the relative finite-difference increment
//     JPREV      = -1                      ! optional: start from the last run's values: -1 never, 0 ask, 1 yes
//     LANDSCAPE  = 'a, b'                  ! optional: draw the error landscape over these two parameters
//     PLOTSVG    = 1                       ! optional: the fit plot also as Quorl-fit.svg, for papers
//     PLOTX      = 't'                     ! optional: with several auxiliary names, the fit plot also against this one
//   /
//
// The group is read in the model's mode 0, before the driver reads
// QUORLNML from the same file; its faults stop the run with exit status
// kFitGroupStatus and a message that shows the member and, where there is
// one, a caret under the column at fault.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "io/fixed_text.hpp"
#include "quad/quad.hpp"

namespace quorl::fit {

// Exit status of a run stopped by a fault of the group QUORLFIT.
inline constexpr int kFitGroupStatus = 11;

// Room of each text member: a longer text is refused, never cut.
inline constexpr std::size_t kTextRoom = 4000;

struct FitGroup {
    Text<kTextRoom> FORMULA, PARAMETERS, AUXILIARY, MEASURED, WEIGHT, HOLD, LANDSCAPE, PLOTX;
    Text<16> PARTIALS;  // blank: the default, 'exact'
    Quad INCREMENT{};  // 0: the default, 1e-14 (1e-6 for PARTIALS = 'central')
    std::int32_t JPREV = -1;
    std::int32_t PLOTSVG = 0;  // not 0: write Quorl-fit.svg beside Quorl-fit.html
};

// The file the group is read from, in the current directory.
inline constexpr const char* kFitFile = "Quorl-user.nml";

// Reads &QUORLFIT from Quorl-user.nml. Stops when the file is missing or
// unreadable, has no such group, or the group is faulty (an unknown
// member, a value of the wrong type, a text longer than kTextRoom).
FitGroup readFitGroup();

// Stops the run: "quorl-fit: Quorl-user.nml, &QUORLFIT, MEMBER, column C: what",
// then the member's text with a caret under column C (0-based `column`;
// no column part and no caret when `column` is npos).
[[noreturn]] void memberError(std::string_view member, std::string_view text, std::size_t column,
                              const std::string& what);

// One entry of a member's list: its text without surrounding blanks, and
// the column where it starts in the member's text.
struct Entry {
    std::string_view text;
    std::size_t column = 0;
};

// The entries of a list separated by `separator` (',' for names, ';' for
// expressions). A blank text has none; an empty entry between two
// separators (or after the last) is an error.
std::vector<Entry> splitEntries(std::string_view member, std::string_view text, char separator);

// An entry "name" or "name = value": the two sides with their columns
// (value empty, column npos, when there is no '=').
struct Assignment {
    Entry name;
    Entry value;
    bool hasValue = false;
};
Assignment splitAssignment(std::string_view member, std::string_view text, const Entry& entry);

}  // namespace quorl::fit
