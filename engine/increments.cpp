#include "engine/increments.hpp"

#include <string>

#include "io/stop.hpp"
#include "quad/decimal.hpp"

namespace quorl {

namespace {

Quad relative(const Quad& factor, const Quad& value, const Quad& floor) {
    const Quad magnitude = abs(value);
    // A value that is not a number falls to the floor rather than giving a
    // NaN increment.
    return factor * (magnitude > floor ? magnitude : floor);
}

}  // namespace

Quad defaultIncrementFactor() {
    static const Quad factor = quadFromText("1e-15");
    return factor;
}

void setRelativeIncrements(State& s, const Quad& factor, const Quad& floor) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        PREC& pr = s.PR(kp);
        pr.DELTA = relative(factor, pr.PBASE, floor);
    }
}

void setRelativeIncrements(State& s) { setRelativeIncrements(s, defaultIncrementFactor(), fromInt(1)); }

void setRelativeIncrements(State& s, const Quad& factor, const std::vector<Quad>& scales) {
    if (scales.size() != static_cast<std::size_t>(s.KPTOT)) {
        io::stop("setRelativeIncrements: " + std::to_string(scales.size()) + " scales given for " +
                 std::to_string(s.KPTOT) + " parameters.");
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        PREC& pr = s.PR(kp);
        pr.DELTA = relative(factor, pr.PBASE, abs(scales[static_cast<std::size_t>(kp - 1)]));
    }
}

}  // namespace quorl
