#include "engine/iteration_step.hpp"

#include <string>

#include "engine/damped_step.hpp"
#include "engine/data_point_partials.hpp"
#include "engine/eval_fit.hpp"
#include "engine/print_iter.hpp"
#include "engine/rss_partials.hpp"
#include "engine/select_step_mult.hpp"
#include "engine/stages.hpp"
#include "io/pause.hpp"
#include "io/stop.hpp"
#include "text/float_write.hpp"

namespace quorl {

namespace {

// Both partials passes divide by every parameter's increment. A zero (or
// non-finite) increment, for instance a run-wide DELTA of 0 or less with a
// model that sets none of its own, would turn every step into infinities
// and NaNs: stop before the first division instead.
void requireUsableIncrements(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const Quad d = s.PR(kp).DELTA;
        if (!(abs(d) > Quad{})) {
            const std::string name(s.PR(kp).PNAME.trimmed());
            io::stop("Quorl: the finite-difference increment Pr(" + std::to_string(kp) + ").Delta of parameter " +
                         (name.empty() ? std::string("(no name)") : "'" + name + "'") +
                         " is not a non-zero number. Set DELTA > 0 in Quorl-user.nml, or set the increment in "
                         "the model.",
                     5);
        }
    }
}

// Cuts step vector KP2 (1 the RSS-partials step, 2 the inverter's) to
// length 1 in the early iterations, and lists it at detail level 5.
void clampStep(State& s, int row) {
    s.KP2 = row;
    if (s.JPD >= 5) {
        write(s, s.JPU, row == 1 ? "(/'Pr.Pstep(1,1) RSS values:'\\)" : "(/'Pr.Pstep(2,1) Inv values:'\\)");
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).PSTEP(row, 2) = s.PR(kp).PSTEP(row, 1);
    }
    if (s.JITER < s.JUNCLAMP) {
        s.PSTEPMAG = Quad{};
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PSTEPMAG = s.PSTEPMAG + s.PR(kp).PSTEP(row, 1) * s.PR(kp).PSTEP(row, 1);
        }
        // A vector of length 1 or less is never changed.
        if (s.PSTEPMAG > fromInt(1)) {
            const Quad length = sqrt(s.PSTEPMAG);
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                s.PR(kp).PSTEP(row, 2) = s.PR(kp).PSTEP(row, 1) / length;
            }
            if (s.JPD >= 5) {
                write(s, s.JPU, "(' Clamped:'\\)");
            }
        }
    }
    if (s.JPD >= 5) {
        s.units.put(s.JPU, "\n");
        for (s.KP = 1; s.KP <= s.KPTOT; ++s.KP) {
            FLOATWRITE(s.PR(s.KP).PSTEP(row, 2), s.CFLOAT40);
            write(s, s.JPU, "(a40,2x,16a1)", s.CFLOAT40, s.PR(s.KP).PNAME.chars());
        }
    }
}

}  // namespace

void iterationStep(State& s) {
    const int JPUL = s.driver.JPUL;
    if (s.JPARTIALS != 1) {
        requireUsableIncrements(s);
    }
    if (s.JPARTIALS == 0) {
        RSSPARTIALS(s, JPUL);
        enterStage(s, 3);
        DATAPOINTPARTIALS(s);
    } else {
        // Partials good to far more digits than a difference of whole
        // evaluations: the gradient of RSS comes from them too.
        enterStage(s, 3);
        DATAPOINTPARTIALS(s);
        rssStepFromPartials(s, JPUL);
    }
    enterStage(s, 5);

    clampStep(s, 1);
    clampStep(s, 2);
    s.KP2 = 3;

    // Iterations before JBON take the RSS-partials step, later ones the
    // inverter's.
    const int chosen = s.JITER < s.JBON ? 1 : 2;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).PSTEP(4, 1) = s.PR(kp).PSTEP(chosen, 2);
    }

    enterStage(s, 6);
    // Method 3 damps the inverter's step from JBON on; before that it takes
    // the RSS-partials step with the line search, as method 2 does.
    const bool damped = s.JSTEPMULT == 3 && s.JITER >= s.JBON;
    if (s.JSTEPMULT == 1) {
        s.STEPMULT = Quad{1.0, 0.0};
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            PREC& pr = s.PR(kp);
            pr.PNEW = pr.PBASE + s.STEPMULT * pr.PSTEP(4, 1);
        }
    } else if (s.JSTEPMULT == 2 || (s.JSTEPMULT == 3 && !damped)) {
        SELECTSTEPMULT(s, JPUL);
    } else if (damped) {
        takeDampedStep(s, JPUL);
    } else {
        io::pause(s.units, "jStepMult /= [1,2]; press enter to halt.");
        io::stop("", 6);
    }

    s.KPCHANGED = 0;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        if (s.PR(kp).PNEW != s.PR(kp).PBASE) {
            ++s.KPCHANGED;
        }
    }
    if (s.KPCHANGED == 0 && s.JITER > 5) {
        s.JDONE = 1;
    }

    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PNEW;
    }
    // The damped step's last evaluation was at PNEW (the accepted trial, or
    // the values it kept): RSS and the records of EVALFIT are those.
    if (!damped) {
        EVALFIT(s, s.RSS, 0);
    }
    if (s.JPD >= 4) {
        PRINTITER(s, s.JPU);
        if (damped) {
            write(s, s.JPU,
                  "('Damped step: radius =',e12.4,',  lambda =',e12.4,',  retries =',i3,',  gain ratio =',e12.4)",
                  s.dampedStep.radius, s.dampedStep.lambda, s.dampedStep.retries, s.dampedStep.gainRatio);
        }
    }
    if (s.JITER <= 100) {
        s.OMJSAVE(s.JITER) = s.OMJ;
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).PBASE = s.PR(kp).PNEW;
    }
    enterStage(s, 7);
}

}  // namespace quorl
