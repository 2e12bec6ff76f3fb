#include "engine/point_partials.hpp"

#include <string>

#include "io/stop.hpp"

namespace quorl {

namespace {

// Z at PR(KP).P = PBASE + shift, into `z`; P is PBASE again afterwards.
void residualsShifted(State& s, const Quad& shift, Array1<Quad>& z) {
    PREC& pr = s.PR(s.KP);
    pr.P = pr.PBASE + shift;
    YOUQUORL(s, 4);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        z(lz) = s.ZR(lz).Z;
    }
    s.PR(s.KP).P = s.PR(s.KP).PBASE;
}

void oneSided(State& s) {
    s.PR(s.KP).P = s.PR(s.KP).P + s.PR(s.KP).DELTA;
    YOUQUORL(s, 4);
    const PREC& pr = s.PR(s.KP);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.B(lz, s.KP) = (s.ZR(lz).ZBASE - s.ZR(lz).Z) / pr.DELTA;
    }
    s.PR(s.KP).P = s.PR(s.KP).PBASE;
}

// Richardson's extrapolation of two central differences, h and h/2.
void central(State& s) {
    const Quad h = s.PR(s.KP).DELTA;
    const Quad half = h * Quad{0.5, 0.0};
    Array1<Quad> up(1, s.LZTOT), down(1, s.LZTOT), upHalf(1, s.LZTOT), downHalf(1, s.LZTOT);
    residualsShifted(s, h, up);
    residualsShifted(s, -h, down);
    residualsShifted(s, half, upHalf);
    residualsShifted(s, -half, downHalf);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.B(lz, s.KP) = extrapolatedCentral(h, up(lz), down(lz), upHalf(lz), downHalf(lz));
    }
}

// The model's mode 7; it must say that it answered.
void exact(State& s) {
    s.partialsGiven = false;
    YOUQUORL(s, 7);
    if (!s.partialsGiven) {
        io::stop("Quorl: JPARTIALS = 1 asks the model for its exact partials (mode 7), and the model gives none. "
                 "Set JPARTIALS = 0 (one-sided differences) or 2 (central differences) in Quorl-user.nml, or give "
                 "the model a mode 7 (engine/generic_residuals.hpp).",
                 5);
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
}

}  // namespace

void pointPartials(State& s, bool scaled) {
    if (s.JPARTIALS == 1) {
        exact(s);
    } else {
        YOUQUORL(s, 4);
    }
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.ZR(lz).ZBASE = s.ZR(lz).Z;
    }
    for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
        const Quad offon = s.PR(s.KP).OFFON;
        // A held parameter is never evaluated away from its value: it may
        // sit at the edge of its model's domain, where a shifted value
        // gives NaN, and NaN times OFFON = 0 is still NaN.
        if (offon == Quad{}) {
            for (int lz = 1; lz <= s.LZTOT; ++lz) {
                s.B(lz, s.KP) = Quad{};
            }
            continue;
        }
        if (s.JPARTIALS == 2) {
            central(s);
        } else if (s.JPARTIALS != 1) {
            oneSided(s);
        }
        // For the step OFFON is a factor on the partials; otherwise only
        // whether the parameter is held counts.
        if (scaled) {
            for (int lz = 1; lz <= s.LZTOT; ++lz) {
                s.B(lz, s.KP) = s.B(lz, s.KP) * offon;
            }
        }
    }
}

}  // namespace quorl
