#include "view/fit_plot_page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace quorl {

namespace {

// The page's geometry in CSS pixels: the SVG of a quantity is drawn at its
// own size, so one unit of its coordinates is one pixel on the screen.
constexpr double kWidth = 860, kLeft = 84, kRight = 24;
constexpr double kTop = 30, kMainHeight = 280, kGap = 14, kResidualHeight = 120, kBottom = 50;
constexpr double kHeight = kTop + kMainHeight + kGap + kResidualHeight + kBottom;
constexpr double kMarker = 3;  // radius of a data point's mark

constexpr const char* kPointColour = "#1f4e9c";
constexpr const char* kBarColour = "#7f9bd0";
constexpr const char* kCurveColour = "#d62728";

std::string number(double v, const char* format = "%.1f") {
    char buf[40];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

struct Range {
    double lo = 0, hi = 1;
};

// The span of the finite values, widened by 5% on each side; a single
// value gets a span of its own size (or 1 around 0) so the axis has room.
// With `sigma`, the span of centre +- sigma counts too (the error bars).
Range rangeOf(const std::vector<const std::vector<double>*>& lists, const std::vector<double>* sigma = nullptr,
              const std::vector<double>* centre = nullptr) {
    double lo = INFINITY, hi = -INFINITY;
    for (const std::vector<double>* l : lists) {
        for (double v : *l) {
            if (std::isfinite(v)) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
    }
    if (sigma != nullptr && centre != nullptr) {
        for (std::size_t i = 0; i < sigma->size() && i < centre->size(); ++i) {
            const double a = (*centre)[i] - (*sigma)[i], b = (*centre)[i] + (*sigma)[i];
            if (std::isfinite(a) && std::isfinite(b)) {
                lo = std::min(lo, a);
                hi = std::max(hi, b);
            }
        }
    }
    if (!(lo <= hi)) {
        return {};
    }
    if (lo == hi) {
        const double pad = lo == 0 ? 1 : std::abs(lo) * 0.1;
        return {lo - pad, hi + pad};
    }
    const double pad = (hi - lo) * 0.05;
    return {lo - pad, hi + pad};
}

// Tick values at 1, 2 or 5 times a power of ten, about six across the range.
std::vector<double> ticksOf(Range r) {
    const double span = r.hi - r.lo;
    if (!(span > 0) || !std::isfinite(span)) {
        return {};
    }
    const double raw = span / 6;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    double step = decade;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = m * decade;
        if (step >= raw) {
            break;
        }
    }
    std::vector<double> ticks;
    for (double k = std::ceil(r.lo / step); k * step <= r.hi && ticks.size() < 20; k += 1) {
        const double t = k * step;
        ticks.push_back(std::abs(t) < step * 1e-9 ? 0.0 : t);
    }
    return ticks;
}

struct Panel {
    double left, top, width, height;
    Range x, y;

    double px(double v) const { return left + (v - x.lo) / (x.hi - x.lo) * width; }
    double py(double v) const {
        const double p = top + height - (v - y.lo) / (y.hi - y.lo) * height;
        // Far outside the box the curve is clipped anyway; keep the numbers small.
        return std::clamp(p, top - 2 * height, top + 3 * height);
    }
};

// The frame, the ticks with their values and the grid of a panel, its
// clip path and the attributes that give its box and ranges.
void frame(std::string& out, const Panel& p, const std::string& id, const std::string& cls, bool xLabels) {
    out += "<g class=\"" + cls + "\" data-box=\"" + number(p.left) + " " + number(p.top) + " " + number(p.width) + " " +
           number(p.height) + "\" data-range=\"" + number(p.x.lo, "%.17g") + " " + number(p.x.hi, "%.17g") + " " +
           number(p.y.lo, "%.17g") + " " + number(p.y.hi, "%.17g") + "\">\n";
    out += "<clipPath id=\"" + id + "\"><rect x=\"" + number(p.left) + "\" y=\"" + number(p.top) + "\" width=\"" +
           number(p.width) + "\" height=\"" + number(p.height) + "\"/></clipPath>\n";
    std::string grid, labels;
    for (double t : ticksOf(p.x)) {
        const std::string x = number(p.px(t));
        grid += "M" + x + " " + number(p.top) + "v" + number(p.height);
        if (xLabels) {
            labels += "<text x=\"" + x + "\" y=\"" + number(p.top + p.height + 16) + "\" text-anchor=\"middle\">" +
                      number(t, "%.6g") + "</text>";
        }
    }
    for (double t : ticksOf(p.y)) {
        const std::string y = number(p.py(t));
        grid += "M" + number(p.left) + " " + y + "h" + number(p.width);
        labels += "<text x=\"" + number(p.left - 6) + "\" y=\"" + number(p.py(t) + 4) + "\" text-anchor=\"end\">" +
                  number(t, "%.6g") + "</text>";
    }
    out += "<path d=\"" + grid + "\" stroke=\"#e4e4e4\" stroke-width=\"1\" fill=\"none\"/>\n";
    out += "<rect x=\"" + number(p.left) + "\" y=\"" + number(p.top) + "\" width=\"" + number(p.width) +
           "\" height=\"" + number(p.height) + "\" fill=\"none\" stroke=\"#000\" stroke-width=\"1\"/>\n";
    out += labels + "\n";
}

std::string markers(const Panel& p, const std::vector<double>& x, const std::vector<double>& y) {
    std::string d;
    const std::string r = number(kMarker), arc = "a" + r + " " + r + " 0 1 0 ";
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        if (std::isfinite(x[i]) && std::isfinite(y[i])) {
            d += "M" + number(p.px(x[i]) - kMarker) + " " + number(p.py(y[i])) + arc + number(2 * kMarker) + " 0" +
                 arc + number(-2 * kMarker) + " 0";
        }
    }
    return d;
}

void series(std::string& out, const FitPlot& plot, const FitPlotSeries& s, std::size_t index) {
    const std::string& xName = s.xName.empty() ? plot.xName : s.xName;
    const bool indexPlot = xName.empty();
    const bool bars = s.sigma.size() == s.y.size() && !s.sigma.empty();
    const bool marks = s.curveX.empty();  // the model at the points only
    const Range x = rangeOf({&s.x, &s.curveX});
    // The value axis spans the data and their error bars; the curve may
    // widen it by half that span on either side, no more, so that a model
    // that runs off far away does not flatten the data into a line.
    Range y = rangeOf({&s.y, &s.fitted}, bars ? &s.sigma : nullptr, &s.y);
    const Range curve = rangeOf({&s.curveY});
    if (std::any_of(s.curveY.begin(), s.curveY.end(), [](double v) { return std::isfinite(v); })) {
        const double room = (y.hi - y.lo) * 0.5;
        y.lo = std::min(y.lo, std::max(curve.lo, y.lo - room));
        y.hi = std::max(y.hi, std::min(curve.hi, y.hi + room));
    }
    const Panel main{kLeft, kTop, kWidth - kLeft - kRight, kMainHeight, x, y};
    const Panel res{kLeft, kTop + kMainHeight + kGap, kWidth - kLeft - kRight, kResidualHeight,
                    x,     rangeOf({&s.residual})};
    const std::string id = std::to_string(index);

    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"fit\" width=\"" + number(kWidth, "%.0f") +
           "\" height=\"" + number(kHeight, "%.0f") + "\" viewBox=\"0 0 " + number(kWidth, "%.0f") + " " +
           number(kHeight, "%.0f") + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";

    // Above the main panel: the symbols of the legend.
    const double ly = kTop - 12;
    out += "<path d=\"" + markers(Panel{kLeft, ly - 50, 10, 100, {0, 10}, {-1, 1}}, {5}, {0}) + "\" fill=\"" +
           kPointColour + "\"/><text x=\"" + number(kLeft + 16) + "\" y=\"" + number(ly + 4) + "\">" + escaped(s.name) +
           (bars ? " (bars: &#177;&#963; = &#177;1/weight)" : "") + "</text>\n";
    out += "<path d=\"M" + number(kLeft + 330) + " " + number(ly) + "h22\" stroke=\"" + kCurveColour +
           "\" stroke-width=\"2\"/><text x=\"" + number(kLeft + 358) + "\" y=\"" + number(ly + 4) + "\">" +
           (marks ? "model at the points" : "model") + "</text>\n";

    frame(out, main, "clip-main-" + id, "main", false);
    out += "<g clip-path=\"url(#clip-main-" + id + ")\">\n";
    // The model first, so that the data are drawn over it.
    std::string d;
    if (marks) {
        for (std::size_t i = 0; i < s.x.size() && i < s.fitted.size(); ++i) {
            if (std::isfinite(s.fitted[i])) {
                d += "M" + number(main.px(s.x[i]) - 5) + " " + number(main.py(s.fitted[i])) + "h10";
            }
        }
    } else {
        bool pen = false;
        for (std::size_t i = 0; i < s.curveX.size() && i < s.curveY.size(); ++i) {
            if (!std::isfinite(s.curveY[i])) {
                pen = false;
                continue;
            }
            d += (pen ? "L" : "M") + number(main.px(s.curveX[i])) + " " + number(main.py(s.curveY[i]));
            pen = true;
        }
    }
    out += "<path class=\"curve\" d=\"" + d + "\" stroke=\"" + kCurveColour +
           "\" stroke-width=\"2\" fill=\"none\" stroke-linejoin=\"round\"/>\n";
    if (bars) {
        std::string bar;
        for (std::size_t i = 0; i < s.x.size() && i < s.y.size(); ++i) {
            if (std::isfinite(s.x[i]) && std::isfinite(s.y[i]) && std::isfinite(s.sigma[i])) {
                bar += "M" + number(main.px(s.x[i])) + " " + number(main.py(s.y[i] - s.sigma[i])) + "V" +
                       number(main.py(s.y[i] + s.sigma[i]));
            }
        }
        out += "<path class=\"bars\" d=\"" + bar + "\" stroke=\"" + kBarColour + "\" stroke-width=\"1\"/>\n";
    }
    out += "<path class=\"points\" d=\"" + markers(main, s.x, s.y) + "\" fill=\"" + kPointColour + "\"/>\n";
    out += "</g>\n</g>\n";

    frame(out, res, "clip-res-" + id, "residuals", true);
    out += "<g clip-path=\"url(#clip-res-" + id + ")\">\n";
    if (res.y.lo < 0 && res.y.hi > 0) {
        out += "<path d=\"M" + number(res.left) + " " + number(res.py(0)) + "h" + number(res.width) +
               "\" stroke=\"#888\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>\n";
    }
    out += "<path class=\"points\" d=\"" + markers(res, s.x, s.residual) + "\" fill=\"" + kPointColour +
           "\"/>\n</g>\n</g>\n";

    // The axis names: the abscissa under the residuals, the values upright
    // beside their panels.
    out += "<text x=\"" + number(kLeft + (kWidth - kLeft - kRight) / 2) + "\" y=\"" + number(kHeight - 12) +
           "\" text-anchor=\"middle\" font-size=\"13\">" +
           (indexPlot ? std::string("point index") : escaped(xName)) + "</text>\n";
    auto upright = [&out](double centre, const std::string& text) {
        out += "<text transform=\"translate(16 " + number(centre) +
               ") rotate(-90)\" text-anchor=\"middle\" "
               "font-size=\"13\">" +
               text + "</text>\n";
    };
    upright(main.top + main.height / 2, escaped(s.name));
    upright(res.top + res.height / 2, plot.weighted ? "residual &#215; weight" : "residual");
    out += "</svg>\n";
}

}  // namespace

std::vector<std::int64_t> fitPlotChoice(std::int64_t points, std::int64_t extra) {
    std::vector<std::int64_t> chosen;
    if (points <= 0) {
        return chosen;
    }
    const std::int64_t step = points <= kFitPlotMarkers ? 1 : (points + kFitPlotMarkers - 1) / kFitPlotMarkers;
    for (std::int64_t md = 1; md <= points; md += step) {
        chosen.push_back(md);
    }
    if (extra >= 1 && extra <= points && (extra - 1) % step != 0) {
        chosen.insert(std::upper_bound(chosen.begin(), chosen.end(), extra), extra);
    }
    return chosen;
}

std::string fitPlotPage(const FitPlot& plot) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width\">\n";
    if (!plot.run.empty()) {
        out += "<meta name=\"quorl-run\" content=\"" + escaped(plot.run) + "\">\n";
    }
    out += "<title>Quorl fit: " + escaped(plot.title) +
           "</title>\n"
           "<style>\n"
           "body { margin: 16px; background: #fff; color: #000; font-family: "
           "sans-serif; font-size: 14px; }\n"
           "h1 { font-size: 17px; margin: 0 0 6px; font-weight: normal; }\n"
           "code { font-size: 15px; }\n"
           ".verdict-converged { color: #17692d; } .verdict-other { color: "
           "#a3260b; }\n"
           "table { border-collapse: collapse; margin: 8px 0 12px; }\n"
           "td, th { padding: 2px 12px 2px 0; text-align: left; }\n"
           "td.n { font-family: monospace; text-align: right; }\n"
           "svg.fit { display: block; margin: 0 0 18px; }\n"
           "@media print { svg.fit { break-inside: avoid; } }\n"
           "</style>\n</head>\n<body>\n";
    out += "<h1>Fit of <code>" + escaped(plot.title) + "</code></h1>\n";
    const bool converged = plot.verdict == "converged";
    out += "<p>Verdict: <b class=\"" + std::string(converged ? "verdict-converged" : "verdict-other") + "\">" +
           escaped(plot.verdict) + "</b> &#183; " + std::to_string(plot.points) + " data points";
    std::size_t shown = plot.series.empty() ? 0 : plot.series.front().x.size();
    if (static_cast<std::int64_t>(shown) < plot.points) {
        out += " (" + std::to_string(shown) + " of them drawn: evenly spaced, and the largest residual)";
    }
    out +=
        "</p>\n<table "
        "class=\"legend\">\n<tr><th>parameter</th><th>value</th><th>standard "
        "error</th></tr>\n";
    for (const FitPlotParameter& p : plot.parameters) {
        out += "<tr><td>" + escaped(p.name) + "</td><td class=\"n\">" + escaped(p.value) + "</td><td class=\"n\">" +
               (p.held            ? std::string("held")
                : p.error.empty() ? std::string("&#8212;")
                                  : escaped(p.error)) +
               "</td></tr>\n";
    }
    out += "</table>\n";
    for (std::size_t i = 0; i < plot.series.size(); ++i) {
        series(out, plot, plot.series[i], i);
    }
    out += "</body>\n</html>\n";
    return out;
}

std::string fitPlotSvg(const FitPlot& plot) {
    // The head as text lines: the formula, the verdict and the points, then
    // the table of the parameters; the panels of each quantity below it.
    std::string head;
    double y = 26;
    const auto line = [&head](double x, double at, const std::string& body, const char* extra = "") {
        head += "<text x=\"" + number(x) + "\" y=\"" + number(at) + "\"" + extra + ">" + body + "</text>\n";
    };
    line(16, y, "Fit of " + escaped(plot.title), " font-size=\"16\"");
    y += 22;
    std::string verdict = "Verdict: " + escaped(plot.verdict) + " &#183; " + std::to_string(plot.points) + " data points";
    const std::size_t shown = plot.series.empty() ? 0 : plot.series.front().x.size();
    if (static_cast<std::int64_t>(shown) < plot.points) {
        verdict += " (" + std::to_string(shown) + " of them drawn: evenly spaced, and the largest residual)";
    }
    line(16, y, verdict);
    y += 24;
    line(16, y, "parameter", " font-weight=\"bold\"");
    line(200, y, "value", " font-weight=\"bold\"");
    line(470, y, "standard error", " font-weight=\"bold\"");
    for (const FitPlotParameter& p : plot.parameters) {
        y += 18;
        line(16, y, escaped(p.name));
        line(200, y, escaped(p.value), " font-family=\"monospace\"");
        line(470, y, p.held ? std::string("held") : p.error.empty() ? std::string("&#8212;") : escaped(p.error),
             " font-family=\"monospace\"");
    }
    y += 16;
    std::string panels;
    const std::string nested = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"fit\" ";
    for (std::size_t i = 0; i < plot.series.size(); ++i) {
        std::string one;
        series(one, plot, plot.series[i], i);
        if (one.starts_with(nested)) {
            one.insert(nested.size(), "x=\"0\" y=\"" + number(y) + "\" ");
        }
        panels += one;
        y += kHeight;
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      number(kWidth, "%.0f") + "\" height=\"" + number(y, "%.0f") + "\" viewBox=\"0 0 " +
                      number(kWidth, "%.0f") + " " + number(y, "%.0f") +
                      "\" font-family=\"sans-serif\" font-size=\"13\">\n";
    if (!plot.run.empty()) {
        out += "<desc>quorl-run " + escaped(plot.run) + "</desc>\n";
    }
    out += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n" + head + panels + "</svg>\n";
    return out;
}

}  // namespace quorl
