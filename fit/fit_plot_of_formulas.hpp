// The fit plot of a formula fit (view/fit_plot_page.hpp), written beside the
// results at the end of every run that reaches its end: the measured values
// of each formula against the first auxiliary column, the formula at the
// accepted values drawn across the whole range of that column, and the
// weighted residuals. With no auxiliary column, or several (no single
// abscissa), the values and residuals are drawn against the point index.
//
// The formula model has it written (view/fit_plot_of_run.hpp, writeFitPlot)
// once the results are saved.
#pragma once

#include <string>
#include <vector>

#include "fit/fit_plan.hpp"
#include "model/state.hpp"
#include "view/fit_plot_page.hpp"

namespace quorl::fit {

// The plot of the run's accepted values PR(:).PBASE, from DATAE and the
// weights of the formula model ((md - 1) * LZTOT + l - 1; all 1 without
// WEIGHT, which draws no error bars).
FitPlot fitPlotOfFormulas(State& s, FitPlan& plan, const PointWeights& weights);

}  // namespace quorl::fit
