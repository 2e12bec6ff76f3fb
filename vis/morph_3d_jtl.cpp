#include "vis/morph_3d_jtl.hpp"

#include "io/pause.hpp"
#include "io/stop.hpp"
#include "vis/log10lf.hpp"

namespace quorl {

void MORPH3DJTL(State& s, TLREC& TLIN) {
    const Quad one{1.0, 0.0};
    const Quad two{2.0, 0.0};
    Quad& z = TLIN.XYZ(3);
    // Each rule tests the upper side first and then the lower one. Under the
    // quad comparison a value that is not a number counts as below -1: rule
    // 1 turns it into -1, rules 2 and 3 keep it not a number.
    switch (s.JTLMORPH) {
        case 1:
            if (z > one) {
                z = LOG10LF(z) + one;
            }
            if (z < -one) {
                z = -LOG10LF(-z) - one;
            }
            break;
        case 2:
            if (z < -one) {
                z = -log10(-z) - one;
            } else if (z > one) {
                z = log10(z) + one;
            }
            break;
        case 3:
            if (z > one) {
                z = two - one / z;
            }
            if (z < -one) {
                z = -two - one / z;
            }
            break;
        case 4:
            io::pause(s.units, "jTLmorph=4 has not yet been defined by the user. 'Enter' to halt.");
            io::stop("");
        default:
            break;
    }
}

}  // namespace quorl
