#include "vis/log10lf.hpp"

#include <cmath>

namespace quorl {

namespace {

// The intermediates the trace shows: the argument, the argument at least 1
// (its reciprocal when below 1), its decade k and 10^k.
struct Log10Lf {
    Quad VDEL1{}, VDEL2{}, VDEL3{}, VDEL4{};
    Quad value{};
};

// The decade of v >= 1: the truncated high part of its quad logarithm.
// Just below a power of ten that truncation may land one decade low, but
// the line of the lower decade meets the next one exactly at the
// boundary, so the value is the same. The double logarithm of v's head
// lies within 1e-12 of that high part: where it is more than 1e-9 from a
// whole number it has the same truncation, and the quad logarithm (a
// hundred times dearer) is needed only near the powers of ten.
Quad decadeOf(const Quad& v) {
    if (std::isfinite(v.hi)) {
        const double d = std::log10(v.hi);
        const double fraction = d - std::trunc(d);
        if (fraction > 1e-9 && fraction < 1.0 - 1e-9) {
            return trunc(Quad{d, 0.0});
        }
    }
    return trunc(Quad{log10(v).hi, 0.0});
}

Log10Lf evaluate(const Quad& VALUE1) {
    Log10Lf r;
    // A value that is not a number also passes this test (a quad less-than
    // holds when either side is not a number) and so gives 0.
    if (VALUE1 <= Quad{}) {
        return r;
    }
    r.VDEL1 = VALUE1;
    r.VDEL2 = VALUE1;
    if (r.VDEL2 < Quad{1.0, 0.0}) {
        r.VDEL2 = Quad{1.0, 0.0} / VALUE1;
    }
    r.VDEL3 = decadeOf(r.VDEL2);
    r.VDEL4 = pow(fromInt(10), toInt(r.VDEL3));
    const Quad ninth = Quad{1.0, 0.0} / fromInt(9);
    r.value = r.VDEL2 / (fromInt(9) * r.VDEL4) + r.VDEL3 - ninth;
    if (r.VDEL1 < Quad{1.0, 0.0}) {
        r.value = -r.value;
    }
    return r;
}

}  // namespace

Quad LOG10LF(const Quad& VALUE1) { return evaluate(VALUE1).value; }

Quad LOG10LF(State& s, const Quad& VALUE1, int IP) {
    const Log10Lf r = evaluate(VALUE1);
    if (IP > 5 && VALUE1 > Quad{}) {
        write(s, IP, "(f14.9,' = Log10LF(',e16.9,',',i2,')')", r.value, VALUE1, IP);
        write(s, IP, "(4e14.6,' :Vdel1,Vdel2,Vdel3,Vdel4')", r.VDEL1, r.VDEL2, r.VDEL3, r.VDEL4);
    }
    return r.value;
}

}  // namespace quorl
