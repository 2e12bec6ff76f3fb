// The fit plot: one self-contained page (inline SVG, no script, nothing
// loaded) that shows a fit at a glance, light on white so that it prints.
// Per measured quantity one pair of panels:
//   - above, the measured values against the auxiliary variable, with
//     error bars of +-sigma where the weights are 1/sigma, and the model
//     drawn as a smooth curve from values evaluated across the whole range
//     (not by joining the data points); where there is no single
//     auxiliary variable, everything is drawn against the point index and
//     the model's values at the points are short marks;
//   - below, the weighted residuals (measured - modelled) * weight on the
//     same abscissa, with the zero line.
// Above the panels: the formula, the verdict of the run and a legend of the
// fitted values with their standard errors.
//
// The page is built from plain numbers (FitPlot), so any model can have one:
// the caller evaluates its model and chooses which points to show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorl {

inline constexpr const char* FITPLOTFILENAME = "Quorl-fit.html";

// At most this many data points are drawn per quantity; a larger fit shows
// an evenly spaced choice of them (fitPlotChoice).
inline constexpr std::int64_t kFitPlotMarkers = 2000;
// Values of the model along the range of a curve.
inline constexpr int kFitPlotCurveSamples = 600;

struct FitPlotSeries {
    std::string name;  // the measured quantity: the label of its value axis
    std::string xName;  // its abscissa's name, when not the plot's
    // The points shown, all of the same length (sigma empty: no error bars).
    std::vector<double> x, y, sigma, residual;
    // The model along the abscissa (a value that is not finite breaks the
    // curve); empty for an index plot, which has `fitted` at the points
    // (drawn as short marks; so is a model drawn at its points only).
    std::vector<double> curveX, curveY;
    std::vector<double> fitted;
};

struct FitPlotParameter {
    std::string name;
    std::string value;  // as text, with the digits the caller wants shown
    std::string error;  // the standard error; empty when there is none
    bool held = false;
};

struct FitPlot {
    std::string title;        // the model (the formula as written)
    std::string xName;        // the abscissa's name; empty: the point index
    std::string verdict;      // converged, stalled or iteration_limit
    std::string run;          // the run identity, kept in the page's head
    std::int64_t points = 0;  // data points of the fit (all, not only those shown)
    bool weighted = false;    // the residuals carry weights
    std::vector<FitPlotParameter> parameters;
    std::vector<FitPlotSeries> series;
};

// The data points (1-based) a plot of `points` shows: all of them up to
// kFitPlotMarkers, else every k-th from the first, plus `extra` (the point
// of the largest residual, say; 0 for none) in its place. The same fit
// always shows the same points.
std::vector<std::int64_t> fitPlotChoice(std::int64_t points, std::int64_t extra = 0);

// The page's text.
std::string fitPlotPage(const FitPlot& plot);

// The same plot as one standalone SVG picture for papers: the head (the
// formula, the verdict, the parameters) as text, the panels of each
// quantity below it, on white. Written as FITPLOTSVGFILENAME on request.
inline constexpr const char* FITPLOTSVGFILENAME = "Quorl-fit.svg";
std::string fitPlotSvg(const FitPlot& plot);

}  // namespace quorl
