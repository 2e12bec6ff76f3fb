#include "engine/require_finite_error.hpp"

#include <algorithm>
#include <string>
#include <string_view>

#include "io/stop.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

struct Culprit {
    int MD = 0;
    int LZ = 0;
    Quad Z{};
};

// One more pass over the data, the same calls an evaluation makes: the
// first residual that is not finite, else the one of largest magnitude.
Culprit findCulprit(State& s) {
    Culprit first, largest;
    s.MD = 0;
    YOUQUORL(s, 2);
    for (s.MD = 1; s.MD <= s.MDTOT && first.MD == 0; ++s.MD) {
        YOUQUORL(s, 3);
        YOUQUORL(s, 4);
        for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
            const Quad z = s.ZR(s.LZ).Z;
            if (!isFinite(z)) {
                first = {s.MD, s.LZ, z};
                break;
            }
            if (largest.MD == 0 || abs(z) > abs(largest.Z)) {
                largest = {s.MD, s.LZ, z};
            }
        }
    }
    s.MD = 0;
    return first.MD != 0 ? first : largest;
}

std::string valueText(State& s, const Quad& z) {
    if (isNaN(z)) {
        return "NaN";
    }
    if (isInf(z)) {
        return z.hi < 0 ? "-Infinity" : "Infinity";
    }
    FLOATWRITE(z, s.CFLOAT40);
    const std::string_view text = s.CFLOAT40.trimmed();
    return std::string(text.substr(std::min(text.size(), text.find_first_not_of(' '))));
}

}  // namespace

void requireFiniteError(State& s, bool final) {
    if (isFinite(s.RSS)) {
        return;
    }
    const std::string when = final ? "in the final evaluation" : "in iteration " + std::to_string(s.JITER);
    const Culprit c = findCulprit(s);
    std::string where;
    if (c.MD == 0) {
        where = "no residual could be found that is not finite";
    } else {
        const std::string name(s.ZR(c.LZ).ZNAME.trimmed());
        where = std::string(isFinite(c.Z) ? "every weighted residual is finite but their squares overflow; the largest, "
                                          : "the weighted residual ") +
                "Zr(" + std::to_string(c.LZ) + ")" + (name.empty() ? "" : " '" + name + "'") + " at data point " +
                std::to_string(c.MD) + (s.residualSource ? " (" + s.residualSource(c.MD, c.LZ) + ")" : "") +
                ", is " + valueText(s, c.Z);
    }
    const std::string message = "Quorl: the error measure RSS is " + valueText(s, s.RSS) + " " + when + ": " +
                                where + ". The fit stops; Quorl-params.txt is left as it was.";
    if (s.JPU > 6) {
        write(s, s.JPU, "(/a)", message);
    }
    io::stop(message, kNonFiniteErrorStatus);
}

}  // namespace quorl
