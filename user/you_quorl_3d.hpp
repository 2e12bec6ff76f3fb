// YOUQUORL3D: the power-law sample's 3D picture of the error measure RSS as
// a landscape over the plane of its two parameters (x = parameter 1,
// y = parameter 2, z = the negated, morphed RSS). Drawn at the end of a run:
// six reference levels with their labels, axis labels, the path the
// iterations took with an "Iter" marker at each point, the table of the
// iterations' order-of-magnitude changes, the run's descriptive texts, a
// notice and the run time, then two families of landscape lines over the
// grid 0..4 by 0..4. Every point goes to the drawing writer, every text is
// drawn as strokes.
//
// recordPathPoint is the last step of the sample's mode 5: it adds the
// iteration's point (the accepted parameters and -RSS) to the drawing and
// keeps it in TLITER for the markers.
#pragma once

#include <string_view>

#include "io/fixed_text.hpp"
#include "model/fixed_array.hpp"
#include "model/state.hpp"
#include "quad/quad.hpp"

namespace quorl {

// The picture's working values, reset by the routine before each use.
struct YouQuorl3dState {
    Text<80> CLABEL;                   // the text handed to the label writer
    FixedArray1<Quad, 1, 3> POSLLCQ{};  // the text's lower-left corner
    FixedArray1<Quad, 1, 3> RPYDQ{};    // its roll, pitch and yaw in degrees
    Quad SIZEHQ{};                      // its character height
    std::int32_t ICOLOR = 0;            // colour code of the next landscape point
    Quad RSSL{};                        // RSS at one grid point
    std::int32_t I = 0, J = 0;
};

// The two notice lines of the picture, drawn after the emblem.
// With the emblem and the line break they must fit the 80-character label.
inline constexpr std::string_view kNoticeLine1 = "Quorl: weighted nonlinear least squares";
inline constexpr std::string_view kNoticeLine2 = "double-double quad reals, ~32 digits";
static_assert(1 + kNoticeLine1.size() + 2 + kNoticeLine2.size() <= 80);

void recordPathPoint(State& s);

// Draws the whole picture. On return PR(1).P and PR(2).P hold the last grid
// point (4, 4); PR(:).PBASE is untouched. Every grid evaluation is made even
// when 3D output is off.
void YOUQUORL3D(State& s, YouQuorl3dState& v);

}  // namespace quorl
