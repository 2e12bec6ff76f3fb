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
#include <sstream>
#include <string>

#include "model/state.hpp"
#include "quad/decimal.hpp"
#include "vis/draw_3d_jtl.hpp"
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

// Draws them through the drawing writer of a fresh run (unit 13), in the
// current directory; returns the console text.
inline std::string drawThreePoints() {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    s.JPU3D = 13;
    for (const ViewPoint& p : kThreePoints) {
        TLREC tl;
        tl.IC = p.IC;
        tl.TH = 1.0f;
        tl.XYZ(1) = quadFromText(std::to_string(p.X));
        tl.XYZ(2) = quadFromText(std::to_string(p.Y));
        tl.XYZ(3) = quadFromText(std::to_string(p.Z));
        DRAW3DJTL(s, tl, 0);
    }
    TLREC end;
    end.IC = -1;
    DRAW3DJTL(s, end, 0);
    return out.str();
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
