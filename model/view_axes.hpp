// What the axes of a run's 3D drawing stand for, for the viewer page and
// the SVG picture drawn from it: the names of the two parameters along x
// and y, the parameter value at each drawing coordinate, the quantity along
// z, and where the iteration path starts and ends.
//
// The drawing files keep only their points; this is what a reader of the
// picture needs besides them to see where the minimum lies. A run fills it
// (State::viewAxes) before its drawing closes; empty names mean unknown,
// and the picture is then drawn without them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorl {

struct ViewAxis {
    std::string name;     // the parameter's name; empty: not known
    double origin = 0.0;  // the value at drawing coordinate 0
    double scale = 1.0;   // value = origin + scale * coordinate
};

// What a drawing draws in one colour code (1 to 15), for the legend.
struct ViewCodeUse {
    int code = 0;
    std::string meaning;
};

// The legend a drawing gives of its colour codes. Empty uses: the sample
// picture's meanings (vis/view_palette.hpp). `hidden` marks the codes whose
// strokes repeat what the page and the SVG draw themselves from the axes
// (stroke-font tick values, names, marker words): other 3D viewers show
// them, the page and the SVG start with them hidden (a click on the
// legend row shows them).
struct ViewLegend {
    std::vector<ViewCodeUse> uses;
    std::array<bool, 16> hidden{};

    bool given() const {
        if (!uses.empty()) {
            return true;
        }
        for (const bool h : hidden) {
            if (h) {
                return true;
            }
        }
        return false;
    }
};

struct ViewAxes {
    ViewAxis x, y;
    std::string z;  // what the height shows ("RSS, log scale"); empty: not known
    // Drawing coordinates (x, y, z) of the path's first point (the start
    // values) and last point (the result).
    std::optional<std::array<double, 3>> start, end;
    // The part of the plane the picture covers in drawing coordinates (x
    // from, x to, y from, y to), where the axes and their ticks go: the x
    // axis along y = "y from", the y axis along x = "x from" (so a pair in
    // falling order puts an axis on the plane's far edge); absent: the box
    // of the drawn segments, the axes along its low edges.
    std::optional<std::array<double, 4>> plane;
    // What the colour codes draw; not given: the sample picture's meanings.
    ViewLegend legend;

    bool known() const { return !x.name.empty() || !y.name.empty(); }
};

}  // namespace quorl
