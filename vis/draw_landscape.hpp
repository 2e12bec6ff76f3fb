// drawLandscape: the error landscape of any model over the plane of two of
// its parameters, drawn once the fit is done. One call before the run (or
// in the model's mode 0 or 1),
//
//     quorl::drawLandscape(s, 1, 2);
//
// records the path of the fit (the accepted values of the two parameters
// and RSS at the end of every iteration, the first at the start values)
// and, once the results are saved, draws through DRAW3DJTL the three
// drawing files Quorl-3dJTL.txt, Quorl-3dDraw.3dv and Quorl-3dView.html:
//
//   - RSS (EVALFIT) over a grid of the two parameters, the others at their
//     fitted values: 21 lines each way across the box 0..4 by 0..4, the
//     box centred on the result and spanning three standard errors each
//     way (the scaled ones of s.uncertainty; where there is none, a tenth
//     of |value|, or 1 for 0), or the whole path with a margin when that
//     is larger;
//   - the height z = -h(t), t = (RSS - least RSS) / u, with u the step of
//     1, 2 or 5 times a power of ten closest below a thousandth of the
//     grid's range of RSS: h = t up to 1, then 1 + LOG10LF(t), so that
//     the levels RSS = min, min + u, + 10u, + 100u, + 1000u lie at z = 0,
//     -1 .. -4 whatever the scale of RSS, and the valley shows as a funnel
//     down to the result. Heights above 5 (the path from a far start) are
//     folded into 5..6;
//   - the levels with labels, tick values along both axes and the two
//     parameter names, all in the stroke font; the path with a marked
//     start and end.
//
// s.viewAxes is filled before the drawing closes: the names and scales,
// the path's ends, the base square as the plane of the viewer's axes (so
// that they lie on the edges of the stroke ticks) and the legend of the
// landscape's colour codes, whose stroke texts (code 13: tick values,
// names, the words start and end, for other 3D viewers) the page and the
// SVG start with hidden, as they draw their own. The request turns the 3D
// output on (JPU3D = 13 unless it lies in 10..20). It composes with what
// s.afterResults and s.afterIteration already hold (call it after
// drawFitPlot, which sets afterResults anew): the earlier one runs first.
// A failure (parameters that are not two different free ones, files that
// cannot be written) is shown on the console as "<who>: landscape skipped
// (the results are complete): why"; the run's status is that of its fit.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/records.hpp"
#include "model/state.hpp"
#include "quad/quad.hpp"

namespace quorl {

// The drawing's box: parameter values map onto 0..kLandscapeBox.
inline constexpr int kLandscapeBox = 4;

void drawLandscape(State& s, int KP1, int KP2, std::string_view who = "Quorl");

// A tick of an axis: its value, the label's text and its drawing coordinate
// kLandscapeBox * (value - lo) / (hi - lo).
struct LandscapeTick {
    Quad value{};
    std::string text;
    double at = 0.0;
};

// The ticks of the range lo < hi: the multiples of one step of 1, 2 or 5
// times a power of ten within it, as many as their labels leave room for
// (at least two, where the range holds two multiples of some step).
std::vector<LandscapeTick> landscapeTicks(const Quad& lo, const Quad& hi);

// The strokes of a tick's label on axis 1 (x, along the near edge y = 4,
// read from +y) or 2 (y, along the edge x = 0, read from -x), below the
// base level, centred on the tick.
void layTickLabel(State& s, int axis, const LandscapeTick& tick, const std::function<void(const TLREC&)>& sink);

}  // namespace quorl
