#include "engine/rss_partials.hpp"

#include "engine/eval_fit.hpp"
#include "quad/decimal.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {
void restoreAccepted(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
}

// PSTEPMAG holds the sum of the squared quotients: the step along them
// with length RSS, and its report.
void finishGradientStep(State& s, int JPUL);
}  // namespace

void RSSPARTIALS(State& s, int JPUL) {
    Quad RSSL{};

    restoreAccepted(s);
    EVALFIT(s, s.RSS, JPUL);
    s.PSTEPMAG = Quad{};
    // Baseline minus shifted: the quotient is the negative partial of the
    // error, positive when raising the parameter lowers it. Like the
    // data-point partials it is multiplied by the parameter's OFFON, so a
    // held parameter (OFFON = 0) gets no gradient component and never moves;
    // it is not even evaluated away from its value, which may sit at the
    // edge of the model's domain. The shifted value is undone by copying, so
    // no rounding residue is left.
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        PREC& pr = s.PR(s.KP);
        if (pr.OFFON == Quad{}) {
            pr.PSTEP(1, 1) = Quad{};
            continue;
        }
        pr.P = pr.P + pr.DELTA;
        EVALFIT(s, RSSL, JPUL);
        PREC& p = s.PR(s.KP);
        p.PSTEP(1, 1) = ((s.RSS - RSSL) / p.DELTA) * p.OFFON;
        s.PSTEPMAG = s.PSTEPMAG + p.PSTEP(1, 1) * p.PSTEP(1, 1);
        p.P = p.PBASE;
    }
    restoreAccepted(s);
    EVALFIT(s, s.RSS, JPUL);
    finishGradientStep(s, JPUL);
}

void rssStepFromPartials(State& s, int JPUL) {
    // RSS**2 = sum(z**2) / MDTOT, so -dRSS/dP = sum(z * B) / (MDTOT * RSS)
    // = BTZ / (MDTOT * RSS), B being -dz/dP times OFFON.
    s.PSTEPMAG = Quad{};
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        PREC& p = s.PR(kp);
        p.PSTEP(1, 1) = s.RSS == Quad{} ? Quad{} : s.BTZ(kp) / (fromInt(s.MDTOT) * s.RSS);
        s.PSTEPMAG = s.PSTEPMAG + p.PSTEP(1, 1) * p.PSTEP(1, 1);
    }
    finishGradientStep(s, JPUL);
}

namespace {

void finishGradientStep(State& s, int JPUL) {
    static const Quad kVanishing = quadFromText("1e-30");
    if (abs(s.PSTEPMAG) > kVanishing) {
        s.PSTEPMAG = s.RSS / sqrt(s.PSTEPMAG);
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PR(kp).PSTEP(1, 1) = s.PSTEPMAG * s.PR(kp).PSTEP(1, 1);
        }
    }

    if (JPUL >= 5) {
        FLOATWRITE(s.PSTEPMAG, s.CFLOAT40);
        write(s, JPUL, "('RSSPartials:  PstepMag =',a40)", s.CFLOAT40);
        for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
            FLOATWRITE(s.PR(s.KP).PSTEP(1, 1), s.CFLOAT40);
            write(s, JPUL, "(a40,2x,16a1)", s.CFLOAT40, s.PR(s.KP).PNAME.chars());
        }
    }
}

}  // namespace

}  // namespace quorl
