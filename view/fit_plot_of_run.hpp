// The fit plot (view/fit_plot_page.hpp) of any model, through its modes 3
// and 4 alone. One call before the run, or in mode 0 or 1,
//
//     quorl::drawFitPlot(s);
//
// makes the run write Quorl-fit.html beside its results, at the accepted
// values: for each residual LZ, the measured values ZR(LZ).ZDATA with error
// bars of 1/ZR(LZ).WT when the weights are not all 1, against the auxiliary
// value XR(KX).XDATA (KX = 1 unless given; KX = 0, or one beyond NXTOT: the
// point index); the weighted residuals ZR(LZ).Z below.
//
// The curve: after mode 3 of the first point, XR(KX).XDATA is set to values
// across the range, ZDATA to 0 and WT to 1, and mode 4 gives -Z, the
// modelled value there. That holds for a model whose mode 4 reads its
// auxiliary value and its measured value and weight from XR and ZR (as the
// models built on DataTable do); a model that reads them from elsewhere
// gets the values at its points only: call drawFitPlot(s, KX, false).
#pragma once

#include <functional>
#include <string_view>

#include "model/state.hpp"
#include "view/fit_plot_page.hpp"

namespace quorl {

// The plot of the run at PR(:).PBASE; `curve` false: the model's values at
// the points only (short marks), never between them.
FitPlot fitPlotOfRun(State& s, int KX = 1, bool curve = true);

// The head of any plot of the run: the verdict, the run identity, the number
// of data points and the legend of the parameters at PR(:).PBASE with
// their standard errors.
void fitPlotHead(State& s, FitPlot& plot);

// Sets s.afterResults to write the plot of the run (fitPlotOfRun) through
// writeFitPlot; `svg`: Quorl-fit.svg beside the page, for papers.
void drawFitPlot(State& s, int KX = 1, bool curve = true, bool svg = false);

// Writes Quorl-fit.html with the plot `build` gives, through the safe
// writer, and with `svg` the same plot as Quorl-fit.svg (view/fit_plot_page.hpp).
// A failure (no room, a directory in its place, no memory for the page) is
// shown on the console, "<who>: fit plot skipped (the results are
// complete): why", and returns false: the run's results are complete.
bool writeFitPlot(State& s, const std::function<FitPlot()>& build, std::string_view who = "Quorl", bool svg = false);

}  // namespace quorl
