#include "engine/run_quorl.hpp"

#include <exception>
#include <new>
#include <string>

#include "engine/eval_fit.hpp"
#include "engine/iteration_step.hpp"
#include "engine/print_iter.hpp"
#include "engine/require_finite_error.hpp"
#include "engine/result_files.hpp"
#include "engine/run_lock.hpp"
#include "engine/stages.hpp"
#include "engine/uncertainty.hpp"
#include "engine/user_config.hpp"
#include "engine/verdict.hpp"
#include "io/free_input.hpp"
#include "io/pause.hpp"
#include "io/stop.hpp"
#include "model/quorl_allocate_all.hpp"
#include "text/fdate23.hpp"

namespace quorl {

namespace {

constexpr const char* kSummaryFile = "Quorl-out.txt";

// Step 7 of start-up: with JPREV = 0 the user is asked; an unreadable answer
// asks again, the end of input leaves JPREV as it is.
void askPreviousValues(State& s) {
    if (s.JPREV != 0) {
        return;
    }
    for (;;) {
        write(s, 6, "(1x,'Use the last run`s Pr.Pbase values? (0 or 1)'\\)");
        std::int32_t answer = s.JPREV;
        const io::ReadResult r = io::readFree(s.units, 5, answer);
        if (r.status == io::ReadStatus::EndOfInput) {
            s.units.endLine(6);  // nobody pressed Enter: end the prompt's line
            return;
        }
        if (r.status == io::ReadStatus::Ok) {
            s.JPREV = answer;
            return;
        }
    }
}

void startUp(State& s) {
    FDATE23(s.CDATETIME);
    enterStage(s, 0);
    YOUQUORL(s, 0);
    readUserConfig(s);
    if (s.JPARTIALS < 0 || s.JPARTIALS > 2) {
        io::stop("Quorl: JPARTIALS = " + std::to_string(s.JPARTIALS) +
                     " has no meaning: 0 one-sided differences, 1 the model's exact partials, 2 central differences.",
                 6);
    }
    QUORLALLOCATEALL(s);

    if (s.JPU < 6) {
        s.JPD = 0;
    }
    // Whatever is addressed to a report unit above 10 belongs in the run
    // summary, also when JPD = 0 leaves it unopened at start-up (the model
    // may still write there, and the final evaluation always does): the
    // unit opens Quorl-out.txt on its first use, and a write after its
    // close at the end appends there rather than to a stray file.
    if (s.JPU > 10) {
        s.units.setDefaultFile(s.JPU, kSummaryFile);
    }
    s.driver.JPUL = s.JPD >= 6 ? s.JPU : 0;
    if (s.WEIGHT > Quad{}) {
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            s.ZR(lz).WT = s.WEIGHT;
        }
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).OFFON = s.OFFON;
    }

    askPreviousValues(s);
    if (s.JPREV == 1) {
        readPreviousValues(s);
    }
    if (s.JPU > 10 && s.JPD > 0) {
        s.units.openWrite(s.JPU, kSummaryFile);
    }
    if (s.JPD > 0) {
        writeStartBanner(s);
    }
    enterStage(s, 1);
    YOUQUORL(s, 1);
    if (s.JPD > 0) {
        echoControls(s);
    }
    enterStage(s, 2);
}

// The quit question, asked once the fit has stopped making progress. An
// answer other than N, n, Y, y asks again; the end of the console input
// counts as Y, so an unattended run ends normally with its results saved.
bool userWantsToQuit(State& s) {
    s.driver.NY = 2;
    if (s.JPD < 2 || !s.units.dialogue()) {
        return true;
    }
    PRINTITER(s, 6);
    for (;;) {
        write(s, 6, "(1X,'Want to quit (N/n or Y/y)?'\\)");
        s.driver.A1 = "";
        const io::ReadResult r = io::readFree(s.units, 5, s.driver.A1);
        if (r.status == io::ReadStatus::EndOfInput) {
            s.units.endLine(6);  // nobody pressed Enter: end the prompt's line
            s.driver.NY = 2;
            break;
        }
        const char a = s.driver.A1[0];
        if (a == 'N' || a == 'n') {
            s.driver.NY = 1;
            break;
        }
        if (a == 'Y' || a == 'y') {
            s.driver.NY = 2;
            break;
        }
    }
    return s.driver.NY == 2;
}

// What the verdict needs of each step: how many were taken, and how much
// the last one that moved a parameter lowered chi-square.
void noteStep(State& s) {
    ++s.verdict.steps;
    if (s.KPCHANGED > 0 && s.RSSBASE > Quad{}) {
        const Quad before = s.RSSBASE * s.RSSBASE;
        s.verdict.lastDecrease = (before - s.RSS * s.RSS) / before;
    }
}

void iterate(State& s) {
    s.verdict = State::Verdict{};
    for (s.JITER = 0; s.JITER <= s.JITERTOT; ++s.JITER) {
        if (s.JPU > 5 && s.JPD >= 4) {
            write(s, s.JPU, "(/'Iteration:',i3)", s.JITER);
        }
        // With the damped step the error at the accepted values is known
        // already, from the evaluation of the trial the last iteration
        // accepted (or of the values it kept): the baseline is that
        // evaluation, not a new one. The line search keeps its own.
        const bool carried = s.JSTEPMULT == 3 && s.JITER > 0;
        if (!carried) {
            for (int lz = 1; lz <= s.LZTOT; ++lz) {
                ZREC& zr = s.ZR(lz);
                zr.RMS = Quad{};
                zr.ZMAX = Quad{};
                zr.MDMAX = 0;
            }
        }
        s.MD = 0;
        YOUQUORL(s, 2);
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PR(kp).P = s.PR(kp).PBASE;
        }
        if (s.DELTA > Quad{}) {
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                s.PR(kp).DELTA = s.DELTA;
            }
            if (s.JPD >= 5) {
                write(s, s.JPU, "('Delta=',e12.6)", s.DELTA);
            }
        }
        if (s.WEIGHT > Quad{}) {
            for (int lz = 1; lz <= s.LZTOT; ++lz) {
                s.ZR(lz).WT = s.WEIGHT;
            }
        }

        if (!carried) {
            EVALFIT(s, s.RSS, 0);
        }
        requireFiniteError(s, false);
        if (s.JITER == 0 && s.JPD >= 4) {
            PRINTITER(s, s.JPU);
        }
        s.RSSBASE = s.RSS;
        for (int lz = 1; lz <= s.LZTOT; ++lz) {
            ZREC& zr = s.ZR(lz);
            zr.ZBASE = zr.Z;
            zr.RMSBASE = zr.RMS;
        }
        if (s.JITER != 0) {
            iterationStep(s);
            noteStep(s);
        }
        YOUQUORL(s, 5);
        if (s.afterIteration) {
            s.afterIteration(s);
        }
        // The run summary holds every finished iteration, whatever happens
        // to the process later.
        if (s.JPU > 6) {
            s.units.flush(s.JPU);
        }
        if (s.JDONE != 0 && userWantsToQuit(s)) {
            s.verdict.loopQuit = true;
            return;
        }
    }
}

void endOfRun(State& s) {
    enterStage(s, 8);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    if (s.JPD == 3) {
        PRINTITER(s, s.JPU);
    }
    if (s.JPD >= 3) {
        write(s, s.JPU, "(/'EvalFit final printout:')");
    }
    EVALFIT(s, s.RSS, s.JPU);
    requireFiniteError(s, true);
    computeUncertainty(s);
    judgeRun(s);
    if (s.JPD > 0) {
        writeUncertaintyReport(s, s.JPU);
        write(s, s.JPU, "('')");
        writeVerdict(s, s.JPU);
    }
    YOUQUORL(s, 6);
    if (s.JPD > 0) {
        write(s, s.JPU, "('Quorl: saving results & deallocating arrays...')");
    }
    if (s.JPU > 10) {
        s.units.close(s.JPU);
    }
    FDATE23(s.CDATETIME);
    saveResultFiles(s);
    if (s.JPD <= 0 || s.JPU != 6) {
        writeVerdict(s, 6);
    }
    if (s.afterResults) {
        s.afterResults(s);
    }
    releaseAll(s);
    if (s.JPU > 10) {
        write(s, 6, "('`Quorl-out.txt` has your run summary.' )");
    }
    write(s, 6, "('`Quorl-params.txt` has the parametric values.' )");
    if (s.units.dialogue()) {
        io::pause(s.units, "Press `Enter` to exit.");
    }
}

}  // namespace

int runQuorl(State& s, Model model) {
    s.model = std::move(model);
    RunLock lock;  // one run per directory, released once the run has ended
    try {
        lock.acquire();
        startUp(s);
        iterate(s);
        endOfRun(s);
        s.units.closeAll();
        return s.verdict.status == State::Verdict::Status::Converged ? 0 : kNotConvergedStatus;
    } catch (const io::Stop& stop) {
        return io::reportStop(s.units, stop);
    } catch (const std::bad_alloc&) {
        return io::reportStop(s.units, io::Stop("Quorl: out of memory.", 3));
    } catch (const std::exception& e) {
        return io::reportStop(s.units, io::Stop(std::string("Quorl: internal error: ") + e.what(), 4));
    }
}

}  // namespace quorl
