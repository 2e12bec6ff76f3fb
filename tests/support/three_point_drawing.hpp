// A three-point drawing and where its points belong on the screen, worked
// out from the viewer's convention alone (not from its code): a move to
// (0, 0, 0), a light red segment (code 12) to (2, 0, 0.5), a light green
// one (code 10) to (2, 1, -1). The box's centre is (1, 0.5, -0.25), half
// its diagonal R = sqrt(7.25)/2, and s = 0.45 min(W, H) / R pixels per unit.
//   from above:      +y to the right, +x up      X = W/2 + s(y - cy), Y = H/2 - s(x - cx)
//   labels face-on:  +y to the right, -z up      X = W/2 + s(y - cy), Y = H/2 + s(z - cz)
//   face-on, +z up:  mirrored in z               X = W/2 + s(y - cy), Y = H/2 - s(z - cz)
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "vis/view_drawing.hpp"

namespace quorl::testing {

inline constexpr std::array<ViewPoint, 3> kThreePoints{{{0, 0, 0, 0}, {12, 2, 0, 0.5}, {10, 2, 1, -1}}};

// The point list a run writes for them.
inline std::string threePointList() {
    return "        3\n"
           " 0   1.0   0.000000000E+00   0.000000000E+00   0.000000000E+00\n"
           "12   1.0   0.200000000E+01   0.000000000E+00   0.500000000E+00\n"
           "10   1.0   0.200000000E+01   0.100000000E+01  -0.100000000E+01\n";
}

struct ThreePointView {
    const char* name;  // the named view
    bool zUp;
    // Screen position of point k for a W by H screen.
    std::array<double, 2> at(int k, double w, double h) const {
        const ViewPoint& p = kThreePoints[static_cast<std::size_t>(k)];
        const double s = 0.45 * std::min(w, h) / (std::sqrt(7.25) / 2);
        const double x = w / 2 + s * (p.Y - 0.5);
        if (std::string(name) == "top") {
            return {x, h / 2 - s * (p.X - 1)};
        }
        return {x, zUp ? h / 2 - s * (p.Z + 0.25) : h / 2 + s * (p.Z + 0.25)};
    }
};

inline constexpr std::array<ThreePointView, 3> kThreePointViews{{{"top", false}, {"face", false}, {"face", true}}};

}  // namespace quorl::testing
