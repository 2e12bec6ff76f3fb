#include "engine/verdict.hpp"

#include <string>

namespace quorl {

namespace {

using Status = State::Verdict::Status;

bool anyFree(State& s) {
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        if (s.PR(kp).OFFON != Quad{}) {
            return true;
        }
    }
    return false;
}

bool testHolds(State& s) {
    const State::Uncertainty& u = s.uncertainty;
    if (!u.computed) {
        return false;
    }
    if (u.chiSquare == Quad{}) {
        return true;
    }
    // A free parameter the model does not change with at all (its partials
    // are exact zeros: a plateau, where a value has run off so far that
    // its term underflows, or an increment below the resolution of its
    // value) says nothing about where its minimum lies; nor does a fit in
    // which no parameter has partials.
    if (!u.withoutPartials.empty() || (u.parametersUsed == 0 && anyFree(s))) {
        return false;
    }
    // Compared as doubles: a figure that is not finite never passes (the
    // quad less-than would hold for it).
    const auto atMost = [](const Quad& v, double limit) { return isFinite(v) && v.hi <= limit; };
    return atMost(u.predictedDecrease, kPredictedDecreaseLimit) || atMost(u.largestRelativeStep, kRelativeStepLimit);
}

}  // namespace

void judgeRun(State& s) {
    State::Verdict& v = s.verdict;
    v.tested = s.uncertainty.computed;
    if (testHolds(s)) {
        v.status = Status::Converged;
    } else {
        v.status = v.loopQuit ? Status::Stalled : Status::IterationLimit;
    }
}

std::string_view verdictWord(Status status) {
    switch (status) {
        case Status::Converged: return "converged";
        case Status::Stalled: return "stalled";
        case Status::IterationLimit: return "iteration_limit";
    }
    return "iteration_limit";
}

void writeVerdict(State& s, int IP) {
    if (IP <= 5) {
        return;
    }
    const State::Verdict& v = s.verdict;
    const State::Uncertainty& u = s.uncertainty;
    if (!v.tested) {
        write(s, IP,
              "('Verdict: NOT converged after',i7,' iterations: the convergence test could not be made (',a,').')",
              v.steps, u.notComputed);
        return;
    }
    switch (v.status) {
        case Status::Converged:
            write(s, IP,
                  "('Verdict: converged after',i7,' iterations (predicted decrease',e10.2e3,', gradient cosine',"
                  "e10.2e3,', largest relative step',e10.2e3,').')",
                  v.steps, u.predictedDecrease, u.gradientCosine, u.largestRelativeStep);
            break;
        case Status::Stalled:
            write(s, IP,
                  "('Verdict: NOT converged, stalled after',i7,' iterations: no trial lowers the error, yet the point "
                  "is no minimum (predicted decrease',e10.2e3,', gradient cosine',e10.2e3,').')",
                  v.steps, u.predictedDecrease, u.gradientCosine);
            break;
        case Status::IterationLimit:
            write(s, IP,
                  "('Verdict: NOT converged, the iteration limit JITERTOT ended the run after',i7,' iterations "
                  "(predicted decrease',e10.2e3,', gradient cosine',e10.2e3,').')",
                  v.steps, u.predictedDecrease, u.gradientCosine);
            break;
    }
    if (v.status != Status::Converged && !u.withoutPartials.empty()) {
        std::string names;
        for (const int kp : u.withoutPartials) {
            const std::string_view name = s.PR(kp).PNAME.trimmed();
            names += (names.empty() ? "" : ", ") + (name.empty() ? "Pr(" + std::to_string(kp) + ")" : std::string(name));
        }
        write(s, IP,
              "('Verdict: no partials at all for ',a,': the model does not change with them at these values (or "
              "their increments lie below the last digits of the values).')",
              names);
    }
}

}  // namespace quorl
