// FormulaModel: the model of quorl-fit. It reads what to fit from the group
// QUORLFIT of Quorl-user.nml (fit/fit_group.hpp) and the data from the
// table CJUSERFILE names, and turns each data point into the residuals
// (measured - formula) * weight, one per formula.
//
//   mode 0  checks QUORLNML, reads and checks QUORLFIT, compiles the
//           formulas, reads and checks the table (its columns, every row's
//           measured values and weights); sets the sizes, DELTA = 0
//           (relative increments), JPREV and the defaults of a formula fit
//           (the damped step from iteration 1, JITERTOT = kFitIterations).
//           Every fault stops here, before anything is written.
//   mode 1  loads DATAE (measured expressions evaluated), the weights, the
//           names and the starting values (or the last run's, when read);
//           holds the parameters of HOLD
//   mode 2  relative increments INCREMENT * max(|PBASE|, scale), the scale
//           of a parameter the magnitude of its starting value (1 for 0),
//           unless a run-wide DELTA is configured
//   mode 3  the point's auxiliary values and weights
//   mode 4  ZR(l).Z = (ZDATA - formula l) * WT for every formula
//   mode 7  the same residuals and their exact partials, B(l, k) = the
//           partial of formula l by parameter k times WT, from one pass of
//           each formula's forward-mode differentiation (PARTIALS = 'exact',
//           JPARTIALS = 1)
#pragma once

#include <optional>
#include <vector>

#include "engine/data_table.hpp"
#include "fit/fit_plan.hpp"
#include "model/state.hpp"

namespace quorl::fit {

// The iteration limit of a formula fit unless Quorl-user.nml sets JITERTOT.
inline constexpr std::int32_t kFitIterations = 1000;

class FormulaModel {
public:
    void operator()(State& s, int mode);

private:
    void declare(State& s);
    void load(State& s);
    void point(State& s);
    void residuals(State& s);
    void residualsAndPartials(State& s);

    FitPlan plan_;
    bool plotSvg_ = false;  // PLOTSVG: the fit plot also as Quorl-fit.svg
    std::optional<DataTable> table_;
    std::vector<Quad> scales_;   // per parameter: the floor of its increment's magnitude
    PointWeights weights_;
    std::vector<Quad> params_;   // PR(:).P for the formulas
    std::vector<Quad> partials_;  // one formula's partials by the parameters
    std::vector<Quad> vars_;     // the auxiliary values of the current point
};

}  // namespace quorl::fit
