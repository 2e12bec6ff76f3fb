#include "engine/data_point_partials.hpp"

#include <functional>

#include "engine/beamer.hpp"
#include "engine/invert.hpp"
#include "engine/point_partials.hpp"
#include "engine/chunked_normal_equations.hpp"
#include "engine/stages.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

// The matrix listing: BTB beside BTZ, one row per parameter.
void writeMatrix(State& s, const char* header) {
    write(s, s.JPU, header);
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        write(s, s.JPU, "(i4,'  ',\\)", s.KP);
        for (s.KP2 = 1; s.KP2 <= s.KPTOT; ++s.KP2) {
            write(s, s.JPU, "(     g18.9\\)", s.BTB(s.KP, s.KP2));
        }
        write(s, s.JPU, "(' |',g18.9 )", s.BTZ(s.KP));
    }
    write(s, s.JPU, "('')");
}

// This data point's residuals, partials and contributions to BTZ.
void writeDataPoint(State& s) {
    write(s, s.JPU, "(/'Md# = ',i16/'Lz# ='\\)", s.MD);
    for (s.LZ = 1; s.LZ <= s.LZTOT; ++s.LZ) {
        const Quad zbase = s.ZR(s.LZ).ZBASE;
        write(s, s.JPU, "(i5,4x,g12.6,' Zr( Lz        ).Zbase'/'  '\\)", s.LZ, zbase);
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            write(s, s.JPU, "(g12.6\\)", s.B(s.LZ, kp));
        }
        write(s, s.JPU, "(' B(  Lz,1:Kptot)'/'  '\\)");
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            write(s, s.JPU, "(g12.6\\)", s.B(s.LZ, kp) * zbase);
        }
        write(s, s.JPU, "(' BtZ(   1:Kptot)')");
    }
}

// BTB(KP,KP2) / (norm(KP) * norm(KP2)): normalises and, applied to the
// inverse, denormalises.
void scaleByNorms(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        for (int kp2 = 1; kp2 <= s.KPTOT; ++kp2) {
            s.BTB(kp, kp2) = s.BTB(kp, kp2) / (s.PR(kp).BTBNORM * s.PR(kp2).BTBNORM);
        }
    }
}

}  // namespace

void countPartialsPass(State& s) {
    std::int64_t free = 0;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        free += s.PR(kp).OFFON != Quad{} ? 1 : 0;
    }
    s.evaluations += 1 + (s.JPARTIALS == 1 ? 0 : s.JPARTIALS == 2 ? 4 * free : free);
}

void partialsPass(State& s, PartialsUse use, const std::function<void(State&)>& each) {
    const bool step = use == PartialsUse::Step;
    countPartialsPass(s);
    s.MD = 0;
    YOUQUORL(s, 2);
    for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
        if (step && s.MDTOT > 1000) {
            BEAMER(s, s.MD, s.MDTOT);
        }
        YOUQUORL(s, 3);
        pointPartials(s, step);
        if (step && s.JPD >= 5) {
            writeDataPoint(s);
        }
        each(s);
    }
}

NormalSums formNormalEquations(State& s, PartialsUse use) {
    s.BTZ.fill(Quad{});
    s.BTB.fill(Quad{});
    NormalSums sums;
    // How far the rounding of the residuals may move sum(z**2)/2: each z is
    // a difference of quantities about |ZDATA * WT| + |z| in size (the
    // measured value and the model's, by the convention of mode 4), so
    // rounded by about 2^-104 of that.
    Quad rounding{};
    if (formNormalEquationsInChunks(s, use == PartialsUse::Step, sums, rounding)) {
        s.errorRounding = rounding * Quad{0x1p-104, 0.0};
        return sums;
    }
    partialsPass(s, use, [&sums, &rounding](State& st) {
        for (st.LZ = 1; st.LZ <= st.LZTOT; ++st.LZ) {
            const Quad zbase = st.ZR(st.LZ).ZBASE;
            const ZREC& zr = st.ZR(st.LZ);
            rounding = rounding + abs(zbase) * (abs(zr.ZDATA * zr.WT) + abs(zbase));
            for (st.KP = 1; st.KP <= st.KPTOT; ++st.KP) {
                const Quad b = st.B(st.LZ, st.KP);
                st.BTZ(st.KP) = st.BTZ(st.KP) + b * zbase;
                for (st.KP2 = 1; st.KP2 <= st.KPTOT; ++st.KP2) {
                    st.BTB(st.KP2, st.KP) = st.BTB(st.KP2, st.KP) + st.B(st.LZ, st.KP2) * b;
                }
            }
        }
        for (int lz = 1; lz <= st.LZTOT; ++lz) {
            sums.add(st.ZR(lz).ZBASE, st.ZR(lz).WT);
        }
    });
    s.errorRounding = rounding * Quad{0x1p-104, 0.0};
    return sums;
}

void denormalizeNormalEquations(State& s) { scaleByNorms(s); }

void normalizeNormalEquations(State& s, PartialsUse use) {
    const bool step = use == PartialsUse::Step;
    const bool listings = step && s.JPD >= 5;
    const int JPUL = step && s.JPD >= 6 ? s.JPU : 0;

    // Normalisation by the square roots of the diagonal. Every positive,
    // finite diagonal is its own scale, however small: whether a parameter
    // counts as dependent must not hang on the units it is measured in
    // (partials of 1e-11 from a time in seconds are as good as partials of
    // 1 from the same time in picoseconds). Only a zero column (a held
    // parameter, or one the model does not depend on at all) or one that
    // is not finite keeps the scale 1 and is left out by the inverter.
    if (step) {
        enterStage(s, 4);
    }
    if (JPUL != 0) {
        writeMatrix(s, "(/'Kp#   BtB(Kptot,Kptot) | BtZ(Kptot)=')");
    }
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        PREC& pr = s.PR(s.KP);
        pr.BTBNORM = abs(s.BTB(s.KP, s.KP));
        if (pr.BTBNORM > Quad{} && isFinite(pr.BTBNORM)) {
            pr.BTBNORM = sqrt(pr.BTBNORM);
        } else {
            pr.BTBNORM = Quad{1.0, 0.0};
        }
        if (JPUL > 5) {
            write(s, s.JPU, "('Pr(',i4,').BtBnorm=',e13.6)", s.KP, pr.BTBNORM);
        }
    }
    scaleByNorms(s);
    if (listings) {
        writeMatrix(s, "(/'Kp#   BtB(Kptot,Kptot) | BtZ(Kptot)=  (normalized)')");
    }
}

void invertNormalEquations(State& s, PartialsUse use) {
    const bool step = use == PartialsUse::Step;
    const bool listings = step && s.JPD >= 5;
    const int JPUL = step && s.JPD >= 6 ? s.JPU : 0;
    normalizeNormalEquations(s, use);
    // The damped step solves this matrix again with its diagonal raised.
    if (step && s.JSTEPMULT == 3) {
        s.dampedStep.normalized = s.BTB;
    }

    // Inversion; the flags travel in a work vector of their own.
    Array1<std::int32_t> used(1, s.KPTOT);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        used(kp) = s.PR(kp).INVERTED;
    }
    INVERT(s.units, s.KPTOT, s.BTB, s.NOISEFLOOR, s.IRANK, s.ABSDET, used, JPUL);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).INVERTED = used(kp);
    }
    if (step) {
        enterStage(s, 5);
    }
    scaleByNorms(s);
    if (listings) {
        writeMatrix(s, "(/'Kp#   BtBinv(Kptot,Kptot) | BtZ(Kptot)=')");
    }
}

void DATAPOINTPARTIALS(State& s) {
    formNormalEquations(s, PartialsUse::Step);
    invertNormalEquations(s, PartialsUse::Step);

    // The inverter's step: inverse(BTB) * BTZ.
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).PSTEP(2, 1) = Quad{};
    }
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        Quad step{};
        for (s.KP2 = 1; s.KP2 <= s.KPTOT; ++s.KP2) {
            step = step + s.BTB(s.KP, s.KP2) * s.BTZ(s.KP2);
        }
        s.PR(s.KP).PSTEP(2, 1) = step;
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    if (s.JPD >= 5) {
        write(s, s.JPU, "(/'Inverter`s full Pr(Kp).Pstep(2,1):')");
        for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
            FLOATWRITE(s.PR(s.KP).PSTEP(2, 1), s.CFLOAT40);
            write(s, s.JPU, "(a40,2x,16a1)", s.CFLOAT40, s.PR(s.KP).PNAME.chars());
        }
    }
}

}  // namespace quorl
