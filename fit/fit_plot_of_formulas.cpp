#include "fit/fit_plot_of_formulas.hpp"

#include <algorithm>
#include <cmath>

#include "view/fit_plot_of_run.hpp"

namespace quorl::fit {

FitPlot fitPlotOfFormulas(State& s, FitPlan& plan, const PointWeights& weights) {
    FitPlot plot;
    plot.title = plan.formulaText;
    fitPlotHead(s, plot);
    // The model keeps a weight of 1 for every point when WEIGHT is not given.
    plot.weighted = !plan.weights.empty();
    const std::size_t na = plan.auxiliary.size();
    if (na == 1) {
        plot.xName = plan.auxiliary.front();
    }
    std::vector<Quad> params(static_cast<std::size_t>(s.KPTOT));
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        params[static_cast<std::size_t>(kp - 1)] = s.PR(kp).PBASE;
    }

    std::vector<Quad> vars(na);
    auto auxiliaryOf = [&](std::int64_t md) {
        for (std::size_t k = 0; k < na; ++k) {
            vars[k] = s.DATAE(static_cast<int>(k + 1), static_cast<int>(md));
        }
    };
    // The abscissa's whole range, from every point whose value is finite.
    double xlo = INFINITY, xhi = -INFINITY;
    for (int md = 1; na == 1 && md <= s.MDTOT; ++md) {
        const double x = toDouble(s.DATAE(1, md));
        if (std::isfinite(x)) {
            xlo = std::min(xlo, x);
            xhi = std::max(xhi, x);
        }
    }
    for (int l = 1; l <= s.LZTOT; ++l) {
        const auto li = static_cast<std::size_t>(l - 1);
        formula::Program& f = plan.formulas[li];
        FitPlotSeries series;
        series.name = plan.measured[li].text;
        // The point of the largest residual is always among those drawn.
        for (std::int64_t md : fitPlotChoice(s.MDTOT, s.ZR(l).MDMAX)) {
            auxiliaryOf(md);
            const Quad y = s.DATAE(s.NXTOT + l, static_cast<int>(md));
            const Quad w = weights.given() ? weights.of(s.DATAE, static_cast<int>(md), l, s.LZTOT) : fromInt(1);
            const Quad model = f.evaluate(params, vars);
            series.x.push_back(na == 1 ? toDouble(vars[0]) : static_cast<double>(md));
            series.y.push_back(toDouble(y));
            if (plot.weighted) {
                series.sigma.push_back(toDouble(fromInt(1) / w));
            }
            series.residual.push_back(toDouble((y - model) * w));
            if (na != 1) {
                series.fitted.push_back(toDouble(model));
            }
        }
        if (na == 1 && xlo <= xhi) {
            // The formula itself across the range, at evenly spaced x.
            for (int i = 0; i < kFitPlotCurveSamples; ++i) {
                const double x = xlo + (xhi - xlo) * i / (kFitPlotCurveSamples - 1);
                vars[0] = fromDouble(x);
                series.curveX.push_back(x);
                series.curveY.push_back(toDouble(f.evaluate(params, vars)));
            }
        }
        // With several auxiliary names, the same points also against the
        // one PLOTX names, the model at each point.
        if (na > 1 && plan.plotAgainst > 0) {
            FitPlotSeries against = series;
            against.xName = plan.auxiliary[static_cast<std::size_t>(plan.plotAgainst - 1)];
            against.x.clear();
            for (std::int64_t md : fitPlotChoice(s.MDTOT, s.ZR(l).MDMAX)) {
                against.x.push_back(toDouble(s.DATAE(plan.plotAgainst, static_cast<int>(md))));
            }
            plot.series.push_back(std::move(series));
            plot.series.push_back(std::move(against));
            continue;
        }
        plot.series.push_back(std::move(series));
    }
    return plot;
}

}  // namespace quorl::fit
