#include "tools/nist/nist_run.hpp"

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>

#include "engine/run_quorl.hpp"
#include "support/temp_dir.hpp"

namespace quorl::nist {

NistModel::NistModel(const Problem& problem, int start, const RunControls& controls)
    : problem_(problem), start_(start), controls_(controls) {}

// Relative increments follow each accepted value, so that a parameter of
// any scale is shifted by the same share of itself; a value at or near zero
// has no scale of its own and is shifted as if it were `floor`.
void NistModel::setIncrements(State& s) const {
    if (controls_.increment != IncrementRule::Relative) {
        return;
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        const Quad magnitude = abs(s.PR(kp).PBASE);
        s.PR(kp).DELTA = controls_.factor * (magnitude < controls_.floor ? controls_.floor : magnitude);
    }
}

void NistModel::operator()(State& s, int mode) {
    const int nx = problem_.predictorCount;
    if (mode <= 0) {
        s.KPTOT = problem_.parameterCount;
        s.LZTOT = 1;
        s.MDTOT = problem_.observationCount;
        s.NXTOT = nx;
        s.JPU = controls_.jpd ? 6 : 0;
        s.JPD = controls_.jpd.value_or(0);
        s.JITERTOT = controls_.jitertot;
        s.JBON = controls_.jbon.value_or(s.JBON);
        s.JUNCLAMP = controls_.junclamp.value_or(s.JUNCLAMP);
        s.JSTEPMULT = controls_.jstepmult.value_or(s.JSTEPMULT);
        s.JMINTOT = controls_.jmintot.value_or(s.JMINTOT);
        // A run-wide DELTA of 0 leaves the model's own increments standing.
        s.DELTA = controls_.increment == IncrementRule::RunWide ? controls_.delta : Quad{};
    } else if (mode == 1) {
        for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
            const Observation& o = problem_.data[static_cast<std::size_t>(s.MD - 1)];
            s.DATAE(0, s.MD) = fromInt(s.MD);
            for (int j = 1; j <= nx; ++j) {
                s.DATAE(j, s.MD) = o.x[static_cast<std::size_t>(j - 1)];
            }
            s.DATAE(nx + 1, s.MD) = o.y;
        }
        s.XR(0).XNAME = "0:Id#";
        for (int j = 1; j <= nx; ++j) {
            s.XR(j).XNAME = nx == 1 ? "1:x" : std::to_string(j) + ":x" + std::to_string(j);
        }
        s.ZR(1).ZNAME = problem_.logResponse ? "1:log y" : "1:y";
        const std::vector<Quad>& start = problem_.start[static_cast<std::size_t>(start_ - 1)];
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            s.PR(kp).PNAME = std::to_string(kp) + ":b" + std::to_string(kp);
            s.PR(kp).PBASE = start[static_cast<std::size_t>(kp - 1)];
        }
        setIncrements(s);
    } else if (mode == 3) {
        for (int j = 0; j <= nx; ++j) {
            s.XR(j).XDATA = s.DATAE(j, s.MD);
        }
        s.ZR(1).ZDATA = s.DATAE(nx + 1, s.MD);
        for (int j = 1; j <= nx; ++j) {
            current_.x[static_cast<std::size_t>(j - 1)] = s.XR(j).XDATA;
        }
        current_.y = s.ZR(1).ZDATA;
        response_ = problem_.response(current_);
    } else if (mode == 4) {
        b_.resize(static_cast<std::size_t>(s.KPTOT));
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            b_[static_cast<std::size_t>(kp - 1)] = s.PR(kp).P;
        }
        s.ZR(1).Z = (response_ - problem_.value(b_, current_)) * s.ZR(1).WT;
    } else if (mode == 5) {
        // After the iteration's step: the increments follow the new values.
        // (Never in mode 2, which the partials passes call between their
        // shifted evaluations.)
        setIncrements(s);
    } else if (mode == 6) {
        Captured& c = captured_;
        c.reached = true;
        c.values.clear();
        for (int kp = 1; kp <= s.KPTOT; ++kp) {
            c.values.push_back(s.PR(kp).PBASE);
        }
        c.rss = s.RSS;
        c.jiter = s.JITER;
        c.uncertaintyComputed = s.uncertainty.computed;
        c.uncertaintyNote = s.uncertainty.notComputed;
        c.standardErrors.clear();
        if (c.uncertaintyComputed) {
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                c.standardErrors.push_back(s.uncertainty.parameters(kp).standardError);
            }
        }
    }
}

RunResult runProblem(const Problem& problem, int start, const RunControls& controls) {
    RunResult r;
    r.problem = problem.name;
    r.start = start;
    NistModel model(problem, start, controls);
    {
        quorl::testing::TempDir dir;
        std::istringstream in;
        std::ostringstream out;
        State s(in, out);
        const auto t0 = std::chrono::steady_clock::now();
        r.exitStatus = runQuorl(s, std::ref(model));
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        r.console = out.str();
        r.iterations = std::clamp(model.captured().reached ? model.captured().jiter : s.JITER, 0, controls.jitertot);
    }

    const Captured& c = model.captured();
    if (!c.reached) {
        return r;
    }
    r.values = c.values;
    r.rss = fromInt(problem.observationCount) * c.rss * c.rss;
    r.rssLre = logRelativeError(r.rss, problem.certifiedRss);
    r.nonFinite = !isFinite(r.rss);
    for (std::size_t k = 0; k < r.values.size(); ++k) {
        r.valueLre.push_back(logRelativeError(r.values[k], problem.certified[k]));
        r.nonFinite = r.nonFinite || !isFinite(r.values[k]);
    }
    r.minValueLre = *std::min_element(r.valueLre.begin(), r.valueLre.end());

    r.uncertaintyComputed = c.uncertaintyComputed;
    r.uncertaintyNote = c.uncertaintyNote;
    if (c.uncertaintyComputed) {
        r.standardErrors = c.standardErrors;
        for (std::size_t k = 0; k < r.standardErrors.size(); ++k) {
            const std::optional<Quad>& se = r.standardErrors[k];
            r.standardErrorLre.push_back(se ? logRelativeError(*se, problem.certifiedSd[k]) : 0.0);
            r.nonFinite = r.nonFinite || (se && !isFinite(*se));
        }
        r.minStandardErrorLre = *std::min_element(r.standardErrorLre.begin(), r.standardErrorLre.end());
    }
    return r;
}

}  // namespace quorl::nist
