// Tick values of the picture's parameter axes, and the text of a value, as
// the viewer page's script computes them too (the SVG picture uses these;
// a test holds the two to the same labels).
//
// Ticks lie at whole multiples of a step of 1, 2 or 5 times a power of ten,
// chosen so that about five of them span [lo, hi]. Their labels carry the
// step's decimals ("0.5", "1.0", "1.5"); with a step of 1e6 or more, or
// values all below 1e-3 in magnitude, they are written with an exponent
// as "1.5e+7" (the exponent without leading zeros, as the script's
// toExponential writes it).
#pragma once

#include <string>
#include <vector>

namespace quorl {

struct ViewTick {
    double value = 0;
    std::string label;
};

// The ticks of the values from lo to hi (either order); none when the span
// is empty or not finite.
std::vector<ViewTick> viewTicks(double lo, double hi);

// A value in a few significant digits for the start and end markers:
// "%.6g" without trailing zeros, the exponent as in the tick labels.
std::string viewValueText(double v);

}  // namespace quorl
