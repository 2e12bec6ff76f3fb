// Runs of the engine on the NIST StRD problems: a model callback built from
// a problem, a starting point and the run's controls, and one whole run of
// the engine in a fresh temporary directory, scored against the certified
// values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/state.hpp"
#include "quad/decimal.hpp"
#include "tools/nist/nist_problems.hpp"

namespace quorl::nist {

// How the finite-difference increments of the partials are chosen.
enum class IncrementRule {
    // The engine's run-wide DELTA, given to every parameter each iteration.
    RunWide,
    // PR(KP).DELTA = factor * max(|PR(KP).PBASE|, floor), set by the model
    // at the start and again after every iteration; the run-wide DELTA is 0
    // so the engine leaves them standing.
    Relative,
};

// The run's controls. A control left empty keeps the engine's initial value.
struct RunControls {
    std::optional<std::int32_t> jbon, junclamp, jstepmult, jmintot;
    std::optional<std::int32_t> jpd;  // reports to the console at this detail level (none when empty)
    std::int32_t jitertot = 500;
    IncrementRule increment = IncrementRule::Relative;
    Quad factor = quadFromText("1e-14");  // Relative: the increment per unit of the value
    Quad floor = quadFromText("1e-12");   // Relative: magnitudes below this count as this
    Quad delta = quadFromText("1e-6");    // RunWide: the run-wide DELTA
};

// What the model saw at the end of a normal run (its mode 6).
struct Captured {
    bool reached = false;  // mode 6 was called
    std::vector<Quad> values;  // PR(:).PBASE
    Quad rss{};                // the engine's error measure RSS (root mean square)
    std::int32_t jiter = 0;
    bool uncertaintyComputed = false;
    std::string uncertaintyNote;                   // why not, when not computed
    std::vector<std::optional<Quad>> standardErrors;  // scaled standard errors, when computed
};

// The callback for quorl::runQuorl: one response (weighted residual
// (response - f) * ZR(1).WT), the predictors as auxiliary values, nothing
// reported (JPU = 0).
class NistModel {
public:
    NistModel(const Problem& problem, int start, const RunControls& controls);
    void operator()(State& s, int mode);
    const Captured& captured() const { return captured_; }

private:
    void setIncrements(State& s) const;

    const Problem& problem_;
    int start_;
    RunControls controls_;
    Observation current_{};   // the data point of the last mode 3
    Quad response_{};         // its response: y, or log y
    std::vector<Quad> b_;     // PR(:).P for the model function
    Captured captured_;
};

struct RunResult {
    std::string problem;
    int start = 1;
    int exitStatus = 0;
    std::int32_t iterations = 0;     // iterations made (JITER at the end, at most JITERTOT)
    std::vector<Quad> values;        // the accepted values (empty when the run stopped)
    Quad rss{};                      // residual sum of squares, MDTOT * RSS**2
    std::vector<double> valueLre;    // LRE of each value against its certified one
    double rssLre = 0.0;             // LRE of the residual sum of squares
    double minValueLre = 0.0;        // the smallest of valueLre (0 when the run stopped)
    bool uncertaintyComputed = false;
    std::string uncertaintyNote;
    std::vector<std::optional<Quad>> standardErrors;
    std::vector<double> standardErrorLre;  // 0 for a standard error that was not given
    std::optional<double> minStandardErrorLre;  // empty when the uncertainties were not computed
    bool nonFinite = false;          // a value, the RSS or a standard error is not finite
    double seconds = 0.0;            // wall time of the run
    std::string console;             // the run's console output (a stop's message)
};

// Runs the engine on one problem from start 1 or 2 in a fresh temporary
// directory (removed afterwards) and scores the result.
RunResult runProblem(const Problem& problem, int start, const RunControls& controls);

}  // namespace quorl::nist
