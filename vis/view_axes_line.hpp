// The axes of a drawing (model/view_axes.hpp) as one line of text, written
// after the records of the point list and the drawing file, before their
// "Run:" line, for quorl-view to draw them from the files later:
//
//   Axes: x "NAME" ORIGIN SCALE y "NAME" ORIGIN SCALE z "TEXT" [start X Y Z] [end X Y Z] [plane X0 X1 Y0 Y1]
//
// The texts are in double quotes, a quote inside doubled (""); each is at
// most kViewAxisTextLimit bytes of UTF-8 without control characters (the
// writer cuts a longer one at a character's end and turns control
// characters into blanks). The numbers are written to be read back exactly
// ("%.17g"); the origins and scales must be finite and the scales not 0,
// the optional parts finite. A reader that follows the counts never
// reaches the line; a line that is not of this form is ignored (the picture
// is then drawn without axes), never a fault of the file.
//
// The legend of the colour codes (ViewLegend) goes in one more line of its
// own, after the Axes line (or in its place when the axes are not known):
//
//   Legend: CODE "MEANING" CODE "MEANING" ... [hidden CODE CODE ...]
//
// codes 1 to 15 in rising order, each once, the meanings as the texts
// above; entries that would make the line longer than kViewLegendLineLimit
// bytes are left out. Like the Axes line, a Legend line that is not of
// this form is set aside (the sample's meanings are shown), never a fault
// of the file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "model/view_axes.hpp"

namespace quorl {

inline constexpr std::size_t kViewAxisTextLimit = 80;
inline constexpr std::size_t kViewLegendLineLimit = 1000;

// A text as the line and the pictures hold it: at most kViewAxisTextLimit
// bytes, control characters as blanks, a byte that is no part of a UTF-8
// character as '?'.
std::string viewAxisText(std::string_view text);

// The line without its line end; empty when the axes are not known (no
// line is written then).
std::string viewAxesLine(const ViewAxes& axes);

// The axes of a line "Axes: ..."; nullopt with the reason in `why` when the
// line is not of that form.
std::optional<ViewAxes> parseViewAxesLine(std::string_view line, std::string& why);

// The legend as its line holds it: codes 1..15 in rising order, the first
// meaning given for each, its text as viewAxisText makes it, within the
// line's limit. The page and the SVG show this, so a run's page and one
// made later from its files agree.
ViewLegend viewLegend(const ViewLegend& legend);

// The line without its line end; empty when the legend is not given.
std::string viewLegendLine(const ViewLegend& legend);

// The legend of a line "Legend: ..."; nullopt with the reason in `why`
// when the line is not of that form.
std::optional<ViewLegend> parseViewLegendLine(std::string_view line, std::string& why);

}  // namespace quorl
