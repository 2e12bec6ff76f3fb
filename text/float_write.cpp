#include "text/float_write.hpp"

#include "io/internal_write.hpp"
#include "quad/decimal.hpp"

namespace quorl {

namespace {
// Thresholds and scale factors: 1e10, 1e20 and 999 are exact doubles, the
// others the double-double nearest their decimal value.
struct Limits {
    Quad e30 = quadFromText("1e30");
    Quad e20{1e20, 0.0};
    Quad e10{1e10, 0.0};
    Quad n999{999.0, 0.0};
    Quad em10 = quadFromText("1e-10");
    Quad em20 = quadFromText("1e-20");
    Quad em30 = quadFromText("1e-30");
    Quad em40 = quadFromText("1e-40");
};
const Limits& limits() {
    static const Limits l;
    return l;
}
}  // namespace

void FLOATWRITE(const Quad& R16IN, Text<40>& A40OUT) {
    const Limits& t = limits();
    const Quad m = abs(R16IN);
    // Each test is a strict greater-than, so a value at a threshold falls
    // into the row below; a non-finite value fails them all.
    if (m > t.e30) {
        io::writeInternal(A40OUT, "(e40.32   )", R16IN);
    } else if (m > t.e20) {
        io::writeInternal(A40OUT, "(f40.12   )", R16IN);
    } else if (m > t.e10) {
        io::writeInternal(A40OUT, "(f40.21   )", R16IN);
    } else if (m > t.n999) {
        io::writeInternal(A40OUT, "(f40.29   )", R16IN);
    } else if (m > t.em10) {
        io::writeInternal(A40OUT, "(f40.32       )", R16IN);
    } else if (m > t.em20) {
        io::writeInternal(A40OUT, "(f36.31,'E-10')", R16IN * t.e10);
    } else if (m > t.em30) {
        io::writeInternal(A40OUT, "(f36.31,'E-20')", R16IN * t.e20);
    } else if (m > t.em40) {
        io::writeInternal(A40OUT, "(f36.31,'E-30')", R16IN * t.e30);
    } else {
        io::writeInternal(A40OUT, "(e40.31   )", R16IN);
    }
}

}  // namespace quorl
