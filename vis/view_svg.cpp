// The static picture: the page's projection of one view, drawn once as an
// SVG file (one path per colour, consecutive segments joined), for papers
// and reports. With a known ViewAxes it draws, as the page does, the
// parameter axes with their names and tick values at the plane's low
// edges and the markers of the path's start and end, all as upright text;
// with a legend, a column at the right lists each colour code used and
// what it draws (as the drawing's legend says, else as in the sample
// picture), and what the axes stand for.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "vis/view_axes_line.hpp"
#include "vis/view_page.hpp"
#include "vis/view_palette.hpp"
#include "vis/view_ticks.hpp"

namespace quorl {

namespace {

void number(std::string& out, double v) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    out.append(buf, ec == std::errc{} ? end : buf);
}

std::string num(double v) {
    std::string out;
    number(out, v);
    return out;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : viewAxisText(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

// About the width of a text of 12px sans-serif (no font metrics here).
double textWidth(std::string_view text, double size = 12) { return 0.56 * size * static_cast<double>(text.size()); }

struct Ink {
    std::string background;
    ViewThemeInk ink;
};

// Upright text with a halo of the background, so that it reads over lines.
void text(std::string& out, const Ink& t, double x, double y, std::string_view anchor, std::string_view baseline,
          std::string_view body, bool bold = false) {
    out += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + std::string(anchor) +
           "\" dominant-baseline=\"" + std::string(baseline) + "\" fill=\"" + std::string(t.ink.text) +
           "\" stroke=\"" + t.background + "\" stroke-width=\"3\" paint-order=\"stroke\"" +
           (bold ? " font-weight=\"bold\" font-size=\"13\"" : "") + ">" + escaped(body) + "</text>\n";
}

double valueAt(const ViewAxis& a, double c) { return a.origin + a.scale * c; }

bool usable(const ViewAxis& a) {
    return !a.name.empty() && std::isfinite(a.origin) && std::isfinite(a.scale) && a.scale != 0;
}

std::string pointText(const ViewAxes& a, const std::array<double, 3>& p) {
    std::string out;
    if (usable(a.x)) {
        out += a.x.name + " = " + viewValueText(valueAt(a.x, p[0]));
    }
    if (usable(a.y)) {
        out += (out.empty() ? "" : ", ") + a.y.name + " = " + viewValueText(valueAt(a.y, p[1]));
    }
    return out;
}

// One axis, as the page's drawAxis draws it.
template <class At3>
void axis(std::string& out, const Ink& t, const ViewProjection& project, const ViewAxis& a, double from, double to,
          const At3& at3, const std::array<double, 2>& centre) {
    if (!usable(a)) {
        return;
    }
    auto at = [&](double c) {
        const auto p = at3(c);
        return project.at(p[0], p[1], p[2]);
    };
    const auto A = at(from);
    const auto B = at(to);
    const double len = std::hypot(B[0] - A[0], B[1] - A[1]);
    if (!(len >= 40)) {
        return;
    }
    const double dx = (B[0] - A[0]) / len;
    const double dy = (B[1] - A[1]) / len;
    double nx = -dy;
    double ny = dx;
    const auto M = at((from + to) / 2);
    const double away = (M[0] - centre[0]) * nx + (M[1] - centre[1]) * ny;
    if (std::abs(away) > 3 ? away < 0 : ny < 0) {
        nx = -nx;
        ny = -ny;
    }
    const auto ticks = viewTicks(valueAt(a, from), valueAt(a, to));
    std::string d = "M" + num(A[0]) + " " + num(A[1]) + "L" + num(B[0]) + " " + num(B[1]);
    double widest = 0;
    std::vector<std::array<double, 2>> placed;
    for (const ViewTick& tick : ticks) {
        placed.push_back(at((tick.value - a.origin) / a.scale));
        d += "M" + num(placed.back()[0]) + " " + num(placed.back()[1]) + "l" + num(5 * nx) + " " + num(5 * ny);
        widest = std::max(widest, textWidth(tick.label));
    }
    out += "<path class=\"axis\" stroke=\"" + std::string(t.ink.axis) + "\" d=\"" + d + "\"/>\n";
    const double gap = ticks.size() > 1 ? len * std::abs(ticks[1].value - ticks[0].value) /
                                              std::abs(valueAt(a, to) - valueAt(a, from))
                                        : len;
    const double need = widest * std::abs(dx) + 14 * std::abs(dy) + 8;
    const std::size_t every = static_cast<std::size_t>(std::max(1.0, std::ceil(need / std::max(gap, 1e-9))));
    const std::string_view anchor = nx > 0.5 ? "start" : nx < -0.5 ? "end" : "middle";
    const std::string_view baseline = ny > 0.5 ? "hanging" : ny < -0.5 ? "auto" : "central";
    for (std::size_t k = 0; k < ticks.size(); k += every) {
        text(out, t, placed[k][0] + 8 * nx, placed[k][1] + 8 * ny, anchor, baseline, ticks[k].label);
    }
    const double depth = 14 + widest * std::abs(nx) + 14 * std::abs(ny);
    text(out, t, M[0] + depth * nx, M[1] + depth * ny, anchor, baseline, a.name, true);
}

void marker(std::string& out, const Ink& t, const ViewProjection& project, const std::array<double, 3>& p,
            std::string_view colour, const std::string& label) {
    const auto s = project.at(p[0], p[1], p[2]);
    if (!std::isfinite(s[0]) || !std::isfinite(s[1])) {
        return;
    }
    out += "<circle class=\"marker\" cx=\"" + num(s[0]) + "\" cy=\"" + num(s[1]) + "\" r=\"5\" fill=\"" +
           std::string(colour) + "\" stroke=\"" + t.background + "\" stroke-width=\"1.5\"/>\n";
    text(out, t, s[0] + 9, s[1], "start", "central", label);
}

// A text cut into lines of at most `room` characters at blanks.
std::vector<std::string> wrapped(const std::string& body, std::size_t room) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find(' ', at);
        if (end == std::string::npos) {
            end = body.size();
        }
        const std::string word = body.substr(at, end - at);
        if (!line.empty() && line.size() + 1 + word.size() > room) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::string viewSvg(const std::vector<ViewPoint>& points, const ViewAngles& view, int width, int height,
                    const ViewSvgStyle& style) {
    const ViewGeometry g = viewGeometry(points);
    const double legendWidth = style.legend ? std::clamp(0.3 * width, 180.0, 360.0) : 0;
    const ViewProjection at(g, view, width - legendWidth, height);
    const Ink t{std::string(style.light ? kViewBackgroundLight : kViewBackground),
                style.light ? kViewInkLight : kViewInkDark};
    auto colourOf = [&style](std::size_t c) { return style.light ? kViewPaletteLight[c] : kViewPalette[c].rgb; };
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n<rect width=\"" + w +
                      "\" height=\"" + h + "\" fill=\"" + t.background +
                      "\"/>\n<g fill=\"none\" stroke-width=\"1\" stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
    std::array<int, 16> segments{};
    for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
        if (style.hidden[c]) {
            continue;
        }
        std::string d;
        std::size_t last = 0;  // the end of the current polyline, 0 for none
        for (std::size_t i = 1; i < g.size(); ++i) {
            if (g.codes[i] != c || !g.drawsTo(i)) {
                continue;
            }
            ++segments[c];
            if (last != i - 1 || d.empty()) {
                const auto p = at(i - 1);
                d += d.empty() ? "M" : " M";
                number(d, p[0]);
                d += ' ';
                number(d, p[1]);
                d += " L";
            }
            const auto p = at(i);
            d += ' ';
            number(d, p[0]);
            d += ' ';
            number(d, p[1]);
            last = i;
        }
        if (!d.empty()) {
            out += "<path stroke=\"" + std::string(colourOf(c)) + "\" d=\"" + d + "\"/>\n";
        }
    }
    out += "</g>\n";

    const ViewAxes& a = style.axes;
    const bool axes = a.known();
    if (axes) {
        out += "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"none\" stroke-width=\"1\">\n";
        // The plane's box: the one the run gave, or that of the segments.
        std::array<double, 4> plane{};
        bool havePlane = a.plane.has_value();
        std::array<double, 3> lo{HUGE_VAL, HUGE_VAL, HUGE_VAL};
        std::array<double, 3> hi{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
        for (std::size_t i = 1; i < g.size(); ++i) {
            if (g.drawsTo(i)) {
                for (const std::size_t j : {i - 1, i}) {
                    for (std::size_t k = 0; k < 3; ++k) {
                        lo[k] = std::min(lo[k], static_cast<double>(g.xyz[3 * j + k]));
                        hi[k] = std::max(hi[k], static_cast<double>(g.xyz[3 * j + k]));
                    }
                }
            }
        }
        if (havePlane) {
            plane = *a.plane;
        } else if (lo[0] <= hi[0]) {
            plane = {lo[0], hi[0], lo[1], hi[1]};
            havePlane = true;
        }
        if (havePlane) {
            const double z0 = lo[2] <= hi[2] ? std::min(std::max(0.0, lo[2]), hi[2]) : 0;
            const auto centre = at.at((plane[0] + plane[1]) / 2, (plane[2] + plane[3]) / 2, z0);
            axis(out, t, at, a.x, plane[0], plane[1], [&](double c) { return std::array{c, plane[2], z0}; }, centre);
            axis(out, t, at, a.y, plane[2], plane[3], [&](double c) { return std::array{plane[0], c, z0}; }, centre);
        }
        out += "</g>\n<g font-family=\"sans-serif\" font-size=\"12\">\n";
        if (a.start) {
            marker(out, t, at, *a.start, t.ink.start, "start: " + pointText(a, *a.start));
        }
        if (a.end) {
            marker(out, t, at, *a.end, t.ink.end, "end: " + pointText(a, *a.end));
        }
        out += "</g>\n";
    }

    if (style.legend) {
        const double x0 = width - legendWidth + 8;
        const std::size_t room = static_cast<std::size_t>(std::max(10.0, (legendWidth - 60) / 6.7));
        double y = 24;
        out += "<g class=\"legend\" font-family=\"sans-serif\" font-size=\"12\" fill=\"" + std::string(t.ink.text) +
               "\">\n<text x=\"" + num(x0) + "\" y=\"" + num(y) + "\" font-weight=\"bold\" font-size=\"13\">Legend</text>\n";
        y += 20;
        auto entry = [&](const std::string& swatch, const std::string& body) {
            out += swatch;
            for (const std::string& line : wrapped(body, room)) {
                out += "<text x=\"" + num(x0 + 30) + "\" y=\"" + num(y) + "\">" + escaped(line) + "</text>\n";
                y += 15;
            }
            y += 3;
        };
        // What each code draws: as the drawing says, else as in the sample.
        const ViewLegend given = viewLegend(a.legend);
        std::array<std::string, 16> uses{};
        for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
            uses[c] = given.uses.empty() ? std::string(kViewPalette[c].sampleUse) : "";
        }
        for (const ViewCodeUse& u : given.uses) {
            uses[static_cast<std::size_t>(u.code)] = u.meaning;
        }
        for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
            if (segments[c] == 0) {
                continue;
            }
            const std::string& use = uses[c];
            entry("<path d=\"M" + num(x0) + " " + num(y - 4) + "h22\" stroke=\"" + std::string(colourOf(c)) +
                      "\" stroke-width=\"3\"/>\n",
                  std::to_string(c) + ": " + (use.empty() ? std::string(kViewPalette[c].name) : std::string(use)));
        }
        if (axes) {
            y += 6;
            if (usable(a.x)) {
                entry("", "x: " + a.x.name);
            }
            if (usable(a.y)) {
                entry("", "y: " + a.y.name);
            }
            if (!a.z.empty()) {
                entry("", "height: " + a.z);
            }
            auto dot = [&](std::string_view colour) {
                return "<circle cx=\"" + num(x0 + 11) + "\" cy=\"" + num(y - 4) + "\" r=\"5\" fill=\"" +
                       std::string(colour) + "\"/>\n";
            };
            if (a.start) {
                entry(dot(t.ink.start), "start values: " + pointText(a, *a.start));
            }
            if (a.end) {
                entry(dot(t.ink.end), "result: " + pointText(a, *a.end));
            }
        }
        out += "</g>\n";
    }
    return out + "</svg>\n";
}

}  // namespace quorl
