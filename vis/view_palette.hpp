// The colours of the drawing's colour codes 1 to 15, on the viewer's black
// background, and what the sample's landscape picture draws in each code
// (the legend). Code 0 moves the pen and has no colour.
//
// The codes follow the classic sixteen-colour text-screen palette: 1 to 6
// the dark colours, 7 light grey, 8 dark grey, 9 to 14 the bright colours,
// 15 white. So the sample's base level and texts (15) stand out in white,
// its other levels (8) recede in dark grey and its landscape (9) is light
// blue.
#pragma once

#include <array>
#include <string_view>

namespace quorl {

struct ViewColour {
    std::string_view rgb;        // "#rrggbb"
    std::string_view name;       // the colour's name
    std::string_view sampleUse;  // what the sample picture draws in it, or empty
};

inline constexpr std::string_view kViewBackground = "#000000";

// Indexed by colour code; entry 0 is the pen move.
inline constexpr std::array<ViewColour, 16> kViewPalette{{
    {"", "move (no colour)", ""},
    {"#0000aa", "blue", ""},
    {"#00aa00", "green", ""},
    {"#00aaaa", "cyan", ""},
    {"#aa0000", "red", ""},
    {"#aa00aa", "magenta", ""},
    {"#aa5500", "brown", ""},
    {"#aaaaaa", "light grey", "notice"},
    {"#555555", "dark grey", "levels RSS = 1 to 10000, posts of every fifth line"},
    {"#5555ff", "light blue", "landscape lines"},
    {"#55ff55", "light green", ""},
    {"#55ffff", "light cyan", "iteration markers"},
    {"#ff5555", "light red", ""},
    {"#ff55ff", "light magenta", "axis labels, iteration table"},
    {"#ffff55", "yellow", ""},
    {"#ffffff", "white", "base level, level labels, iteration path, run texts"},
}};

}  // namespace quorl
