// The static picture: the page's projection of one view, drawn once as an
// SVG file (one path per colour, consecutive segments joined), for papers
// and reports.
#include <charconv>
#include <string>

#include "vis/view_page.hpp"
#include "vis/view_palette.hpp"

namespace quorl {

namespace {

void number(std::string& out, double v) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    out.append(buf, ec == std::errc{} ? end : buf);
}

}  // namespace

std::string viewSvg(const std::vector<ViewPoint>& points, const ViewAngles& view, int width, int height) {
    const ViewGeometry g = viewGeometry(points);
    const ViewProjection at(g, view, width, height);
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n<rect width=\"" + w +
                      "\" height=\"" + h + "\" fill=\"" + std::string(kViewBackground) +
                      "\"/>\n<g fill=\"none\" stroke-width=\"1\" stroke-linejoin=\"round\" stroke-linecap=\"round\">\n";
    for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
        std::string d;
        std::size_t last = 0;  // the end of the current polyline, 0 for none
        for (std::size_t i = 1; i < g.size(); ++i) {
            if (g.codes[i] != c || !g.drawsTo(i)) {
                continue;
            }
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
            out += "<path stroke=\"" + std::string(kViewPalette[c].rgb) + "\" d=\"" + d + "\"/>\n";
        }
    }
    return out + "</g>\n</svg>\n";
}

}  // namespace quorl
