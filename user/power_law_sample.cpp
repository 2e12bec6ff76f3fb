#include "user/power_law_sample.hpp"

#include "io/pause.hpp"
#include "io/stop.hpp"
#include "quad/decimal.hpp"

namespace quorl {

void PowerLawSample::operator()(State& s, int MODE) {
    s.JMODE = MODE;
    if (MODE <= 0) {
        declare(s);
    } else if (MODE == 1) {
        load(s);
    } else if (MODE == 2) {
        startPass(s);
    } else if (MODE == 3) {
        loadPoint(s);
    } else if (MODE == 4) {
        residuals(s);
    } else if (MODE == 5) {
        iterationDone(s);
    } else if (MODE == 6) {
        finalPrintout(s);
    } else {
        io::stop("YouQuorl: Mode out of range.");
    }
}

void PowerLawSample::declare(State& s) {
    s.JBON = 4;
    s.JUNCLAMP = 4;
    s.JSTEPMULT = 2;
    s.JPU = 11;
    s.JPD = 6;
    s.JITERTOT = 40;
    s.JMINTOT = 2;
    s.WEIGHT = Quad{1.0, 0.0};
    s.OFFON = Quad{1.0, 0.0};
    s.JTLMORPH = 1;
    s.KPTOT = 2;
    s.LZTOT = 1;
    s.MDTOT = 10;
    s.NXTOT = 1;
    s.WHEN = "Tue Oct 09,2018 08:00";
    s.WHO = "Model & Datae: the Quorl power-law sample, ten exact points";
    s.WHERE1 = "Engine: Quorl, double-double quad reals of ~32 digits";
    s.WHAT = "Non-Linear Fit:   Z = P1 * X**P2";
    s.WHY = "Introduces the analytical power of `Quorl-Engine`.";
    s.HOW = "Uses Quorl`s `'YouQuorl()' interface.";
}

void PowerLawSample::load(State& s) {
    // Z = 3.1 * X**2.200000001 at X = 2 .. 11, in quad arithmetic.
    const Quad p1 = quadFromText("3.1");
    const Quad p2 = quadFromText("2.200000001");
    for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
        s.DATAE(0, s.MD) = fromInt(s.MD);
        s.DATAE(1, s.MD) = fromInt(s.MD + 1);
        s.DATAE(2, s.MD) = p1 * pow(s.DATAE(1, s.MD), p2);
    }
    s.XR(0).XNAME = "0:Id#";
    s.XR(1).XNAME = "1:X";
    s.ZR(1).ZNAME = "1:Z";
    s.PR(1).PNAME = "1:Coe1";
    s.PR(2).PNAME = "2:Coe2";

    if (INIT == 0) {
        s.PR(1).PBASE = Quad{};
        s.PR(2).PBASE = Quad{};
        if (s.JPU >= 5) {
            write(s, s.JPU, "(/'YouQuorl(1):')");
            write(s, s.JPU, "( ' Pr( ).Pbase=  Value:',36x,'Name:')");
            for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
                write(s, s.JPU, "(i5,1x,e41.32,4x,16a1)", s.KP, s.PR(s.KP).PBASE, s.PR(s.KP).PNAME.chars());
            }
        }
        INIT = 1;
    }
}

void PowerLawSample::startPass(State& s) {
    if (s.MD != 0) {
        io::pause(s.units, "Md not zero - a potential problem. Press enter.");
    }
    s.MD = 0;
}

void PowerLawSample::loadPoint(State& s) {
    for (int i = 0; i <= s.NXTOT; ++i) {
        s.XR(i).XDATA = s.DATAE(i, s.MD);
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        s.ZR(l).ZDATA = s.DATAE(s.NXTOT + l, s.MD);
    }
    if (s.JUSERCONFIG == 1) {
        X = s.XR(1).XDATA;
        Z = s.ZR(1).ZDATA;
    } else if (s.JUSERCONFIG == 2) {
        X = log10(s.XR(1).XDATA);
        Z = log10(s.ZR(1).ZDATA);
    } else {
        configurationFailure(s);
    }
    if (s.JPU > 5 && s.JPD >= 8) {
        write(s, s.JPU, "( 'YouQuorl(3): Md=',i2,'  X=',f17.9,'  Z=',f17.9)", s.MD, X, Z);
    }
}

void PowerLawSample::residuals(State& s) {
    COE1 = s.PR(1).P;
    COE2 = s.PR(2).P;
    if (s.JUSERCONFIG != 1 && s.JUSERCONFIG != 2) {
        configurationFailure(s);
    }
    // Every model value first, then the weighted residuals.
    for (int l = 1; l <= s.LZTOT; ++l) {
        s.ZR(l).Z = s.JUSERCONFIG == 1 ? COE1 * pow(X, COE2) : COE1 + COE2 * X;
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        s.ZR(l).Z = (Z - s.ZR(l).Z) * s.ZR(l).WT;
    }
    if (s.JPU > 5 && s.JPD >= 8) {
        write(s, s.JPU, "( '        (4):',6x,    ' C1=',f17.9,' C2=',f17.9)", COE1, COE2);
        for (int l = 1; l <= s.LZTOT; ++l) {
            write(s, s.JPU, "(37x,' Zr.Z=',f17.9)", s.ZR(l).Z);
        }
    }
}

void PowerLawSample::iterationDone(State& s) {
    if (s.JPU > 5) {
        write(s, s.JPU, "('YouQuorl(5): RSS  =',e12.6)", s.RSS);
    }
    // Keep the increment at most two decades above the error measure. A
    // zero error measure has no decade: the increment then stays as it is.
    if (s.DELTA > fromInt(10) * s.RSS && s.RSS > Quad{}) {
        const Quad decade = floor(log10(s.RSS));
        s.DELTA = pow(fromInt(10), toInt(decade) + 2);
    }
    if (s.JPU > 5) {
        write(s, s.JPU, "(13x,'Delta=',e12.6)", s.DELTA);
    }
    recordPathPoint(s);
}

void PowerLawSample::finalPrintout(State& s) {
    if (s.JPD > 0) {
        write(s, s.JPU, "(/,40('/'))");
        write(s, s.JPU, "( 'A YouQuorl(6)`Final printout entry.')");
    }
    YOUQUORL3D(s, picture);
}

void PowerLawSample::configurationFailure(State& s) {
    io::pause(s.units, "YouQuorl: jUserConfig not = [1,2]. Press enter to halt.");
    io::stop("");
}

}  // namespace quorl
