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

namespace quorl {

struct ViewAxis {
    std::string name;     // the parameter's name; empty: not known
    double origin = 0.0;  // the value at drawing coordinate 0
    double scale = 1.0;   // value = origin + scale * coordinate
};

struct ViewAxes {
    ViewAxis x, y;
    std::string z;  // what the height shows ("RSS, log scale"); empty: not known
    // Drawing coordinates (x, y, z) of the path's first point (the start
    // values) and last point (the result).
    std::optional<std::array<double, 3>> start, end;
    // The part of the plane the picture covers in drawing coordinates (x
    // from, x to, y from, y to), where the axes and their ticks go; absent:
    // the box of the drawn segments.
    std::optional<std::array<double, 4>> plane;

    bool known() const { return !x.name.empty() || !y.name.empty(); }
};

}  // namespace quorl
