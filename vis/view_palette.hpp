// The colours of the drawing's colour codes 1 to 15, on the viewer's black
// background, and what the sample's landscape picture draws in each code
// (the legend). Code 0 moves the pen and has no colour. Two themes: the
// dark one on screen, and a light one for print and papers, whose palette
// maps the same codes to colours that stand out on white (white becomes
// black, yellow dark gold, the light colours deeper ones).
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

// The light theme: the background and the colour of each code (entry 0
// unused).
inline constexpr std::string_view kViewBackgroundLight = "#ffffff";
inline constexpr std::array<std::string_view, 16> kViewPaletteLight{{
    "",        "#0000aa", "#008000", "#007b7b", "#aa0000", "#9a009a", "#8a4500", "#6e6e6e",
    "#b4b4b4", "#3b4fe0", "#1f8f1f", "#00899a", "#d42a2a", "#b0199f", "#9a7b00", "#000000",
}};

// The colours of what the viewer draws over the picture (the axes, their
// ticks and names, the start and end markers), per theme.
struct ViewThemeInk {
    std::string_view text;   // tick labels, names
    std::string_view axis;   // axis lines and ticks
    std::string_view start;  // the start marker
    std::string_view end;    // the end marker
};
inline constexpr ViewThemeInk kViewInkDark{"#e8e8e8", "#9a9a9a", "#4cd964", "#ff6a3d"};
inline constexpr ViewThemeInk kViewInkLight{"#111111", "#555555", "#0a8a2a", "#d93a00"};

}  // namespace quorl
