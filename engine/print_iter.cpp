#include "engine/print_iter.hpp"

#include "io/pause.hpp"
#include "quad/decimal.hpp"
#include "text/fdate23.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

// The ruler under a block of 40-character numbers, and its legend.
void writeFooter(State& s, int IP) {
    write(s, IP, "('----- ----.12345678901234567890123456789012345')");
    write(s, IP, "(     '     *:unchanged    1         2         3'\\)");
    write(s, IP, "(  9x,'-Floats decimal place counter'/)");
}

}  // namespace

void PRINTITER(State& s, int IP) {
    if (s.JPD < 3) {
        return;
    }
    // Changes above a millionth are shown fixed, smaller ones in exponent
    // form; increments from a billionth up fixed. Quad comparisons with the
    // double-double nearest each decimal.
    static const Quad kMicro = quadFromText("1e-6");
    static const Quad kNano = quadFromText("1e-9");
    auto& kept = s.printIter;

    FDATE23(s.CDATETIME);
    if (s.JMINTOT < s.JMIN) {
        write(s, IP, "('Lower value of error not found.')");
    }
    if (s.JITER == 0) {
        write(s, IP, "(/35x,'om = an order-of-magnitude change scale.')");
        write(s, IP, "(/'Stopwatch - 24-hour local time (msec val'\\)");
        write(s, IP, "( 'ues stick):     Year Mo D  Hr Mn Sec~ms')");
    }
    write(s, IP, "(/   'Pass',i3,' of',i4,\\)", s.JITER, s.JITERTOT);
    if (s.JITER < s.JBON) {
        write(s, IP, "('  RSS partials',\\)");
    } else {
        write(s, IP, "('  BtB & BtZ   ',\\)");
    }
    if (s.JITER < s.JUNCLAMP) {
        write(s, IP, "(' -clamped  ',\\)");
    } else {
        write(s, IP, "('           ',\\)");
    }
    write(s, IP, "('om = ',a9,3x,a23)", s.OMJ, s.CDATETIME);

    FLOATWRITE(s.RSS, s.CFLOAT40);
    write(s, IP, "('RSS = ',a40,e14.6,' /',i2)", s.CFLOAT40, s.RSS, s.JMIN);

    // Residual quantities: RMS and its change; the change and the weight
    // are shown as doubles (the quad's high part).
    write(s, IP, "('Lz#   ',13x,'Residual Error',16x,'Change',8x,'weight')");
    for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
        const ZREC& zr = s.ZR(s.LZ);
        FLOATWRITE(zr.RMS, s.CFLOAT40);
        kept.CHANGE = zr.RMS - zr.RMSBASE;
        kept.C1 = "*";
        if (abs(kept.CHANGE) > Quad{}) {
            kept.C1 = " ";
        }
        write(s, IP, "(1x,i4,a1,a40,\\)", s.LZ, kept.C1, s.CFLOAT40);
        if (abs(kept.CHANGE) > kMicro) {
            write(s, IP, "(1x,f17.8 ,2x,f13.9)", kept.CHANGE.hi, zr.WT.hi);
        } else {
            write(s, IP, "(1x,e17.10,2x,f13.9)", kept.CHANGE.hi, zr.WT.hi);
        }
    }
    writeFooter(s, IP);

    write(s, IP, "('Kp#   ',17x,'Value',21x,'Change',9x,'delta')");
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        const PREC& pr = s.PR(s.KP);
        FLOATWRITE(pr.P, s.CFLOAT40);
        kept.CHANGE = pr.P - pr.PBASE;
        kept.DELTA = pr.DELTA;
        if (abs(kept.CHANGE) > Quad{}) {
            write(s, IP, "(1x,i4,' ',a40,\\)", s.KP, s.CFLOAT40);
        } else {
            write(s, IP, "(1x,i4,'*',a40,\\)", s.KP, s.CFLOAT40);
        }
        if (abs(kept.CHANGE) > kMicro) {
            write(s, IP, "(1x,f17.8 \\)", kept.CHANGE.hi);
        } else {
            write(s, IP, "(1x,e17.10\\)", kept.CHANGE.hi);
        }
        if (abs(kept.DELTA) >= kNano) {
            write(s, IP, "(2x,f13.9)", kept.DELTA.hi);
        } else {
            write(s, IP, "(2x,e13.7)", kept.DELTA.hi);
        }
    }
    writeFooter(s, IP);
    write(s, IP, "('')");
    s.MD = 0;

    if (IP == 6 && s.JDONE == 0) {
        io::pause(s.units, "... by PrintIter");
    }
}

}  // namespace quorl
