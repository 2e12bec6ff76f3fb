#include "view/fit_plot_of_run.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "engine/verdict.hpp"
#include "io/format.hpp"
#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "model/run_identity.hpp"

namespace quorl {

namespace {

std::string shown(double v, const char* format) {
    char buf[40];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string trimmed(std::string_view t) {
    const std::size_t from = t.find_first_not_of(' ');
    return from == std::string_view::npos ? std::string() : std::string(t.substr(from));
}

}  // namespace

void fitPlotHead(State& s, FitPlot& plot) {
    plot.verdict = std::string(verdictWord(s.verdict.status));
    plot.run = runIdentity(s);
    plot.points = s.MDTOT;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        FitPlotParameter p{
            trimmed(s.PR(kp).PNAME.trimmed()), shown(toDouble(s.PR(kp).PBASE), "%.10g"), {}, s.PR(kp).OFFON == Quad{}};
        if (s.uncertainty.computed && s.uncertainty.parameters.upper() >= kp) {
            if (const auto& se = s.uncertainty.parameters(kp).standardError) {
                p.error = shown(toDouble(*se), "%.3g");
            }
        }
        plot.parameters.push_back(std::move(p));
    }
}

FitPlot fitPlotOfRun(State& s, int KX, bool curve) {
    FitPlot plot;
    plot.title = trimmed(s.WHAT.trimmed());
    fitPlotHead(s, plot);
    const bool single = KX >= 1 && KX <= s.NXTOT;
    if (single) {
        plot.xName = trimmed(s.XR(KX).XNAME.trimmed());
        if (plot.xName.empty()) {
            plot.xName = "x";
        }
    }
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    plot.series.resize(static_cast<std::size_t>(std::max(s.LZTOT, 0)));
    for (int l = 1; l <= s.LZTOT; ++l) {
        const std::string name = trimmed(s.ZR(l).ZNAME.trimmed());
        plot.series[static_cast<std::size_t>(l - 1)].name = name.empty() ? "quantity " + std::to_string(l) : name;
    }
    // Every point once for the range of the abscissa and whether any weight
    // differs from 1 (then the weights are taken as 1/sigma).
    double xlo = INFINITY, xhi = -INFINITY;
    bool weighted = false;
    for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
        YOUQUORL(s, 3);
        if (single) {
            const double x = toDouble(s.XR(KX).XDATA);
            if (std::isfinite(x)) {
                xlo = std::min(xlo, x);
                xhi = std::max(xhi, x);
            }
        }
        for (int l = 1; l <= s.LZTOT && !weighted; ++l) {
            weighted = s.ZR(l).WT != fromInt(1);
        }
    }
    plot.weighted = weighted;
    // The point of the largest residual of the first quantity is drawn.
    const std::int64_t extra = s.LZTOT >= 1 ? s.ZR(1).MDMAX : 0;
    for (std::int64_t md : fitPlotChoice(s.MDTOT, extra)) {
        s.MD = static_cast<std::int32_t>(md);
        YOUQUORL(s, 3);
        YOUQUORL(s, 4);
        for (int l = 1; l <= s.LZTOT; ++l) {
            FitPlotSeries& series = plot.series[static_cast<std::size_t>(l - 1)];
            const ZREC& z = s.ZR(l);
            series.x.push_back(single ? toDouble(s.XR(KX).XDATA) : static_cast<double>(md));
            series.y.push_back(toDouble(z.ZDATA));
            series.residual.push_back(toDouble(z.Z));
            if (weighted) {
                series.sigma.push_back(toDouble(fromInt(1) / z.WT));
            }
            if (!single || !curve) {
                // measured - Z / WT is the modelled value at the point.
                series.fitted.push_back(toDouble(z.ZDATA - z.Z / z.WT));
            }
        }
    }
    if (single && curve && xlo <= xhi) {
        s.MD = 1;
        YOUQUORL(s, 3);
        for (int i = 0; i < kFitPlotCurveSamples; ++i) {
            const double x = xlo + (xhi - xlo) * i / (kFitPlotCurveSamples - 1);
            s.XR(KX).XDATA = fromDouble(x);
            for (int l = 1; l <= s.LZTOT; ++l) {
                s.ZR(l).ZDATA = Quad{};
                s.ZR(l).WT = fromInt(1);
            }
            YOUQUORL(s, 4);
            for (int l = 1; l <= s.LZTOT; ++l) {
                FitPlotSeries& series = plot.series[static_cast<std::size_t>(l - 1)];
                series.curveX.push_back(x);
                series.curveY.push_back(-toDouble(s.ZR(l).Z));
            }
        }
    }
    s.MD = 0;
    return plot;
}

void drawFitPlot(State& s, int KX, bool curve, bool svg) {
    s.afterResults = [KX, curve, svg](State& st) {
        writeFitPlot(st, [&st, KX, curve] { return fitPlotOfRun(st, KX, curve); }, "Quorl", svg);
    };
}

bool writeFitPlot(State& s, const std::function<FitPlot()>& build, std::string_view who, bool svg) {
    std::string why;
    bool pageWritten = false;
    try {
        const FitPlot plot = build();
        io::replaceFile(FITPLOTFILENAME, fitPlotPage(plot), 1);
        pageWritten = true;
        if (svg) {
            io::replaceFile(FITPLOTSVGFILENAME, fitPlotSvg(plot), 1);
        }
        return true;
    } catch (const io::Stop& stop) {
        why = stop.message();
    } catch (const std::exception& e) {  // no memory for the page's text
        why = std::string("cannot build ") + FITPLOTFILENAME + ": " + e.what();
    }
    if (why.starts_with("Quorl: ")) {
        why.erase(0, 7);
    }
    s.units.endLine(io::kConsoleOut);
    // The page written, only its SVG copy failed: say which is missing.
    write(s, io::kConsoleOut,
          pageWritten ? "(a,': fit plot SVG skipped (the results and the page are complete): ',a)"
                      : "(a,': fit plot skipped (the results are complete): ',a)",
          std::string(who), why);
    return false;
}

}  // namespace quorl
