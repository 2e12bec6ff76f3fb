#include "vis/view_page.hpp"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string_view>
#include <vector>

#include "io/json.hpp"
#include "model/run_identity.hpp"
#include "vis/view_axes_line.hpp"
#include "vis/view_palette.hpp"

namespace quorl {

namespace detail {
extern const std::string_view kViewPageTemplate;
}

namespace {

// Appends the base64 of the coordinates as little-endian 32-bit floats,
// the form the page's script decodes with a DataView: three bytes to four
// characters, written in place (a page holds tens of thousands).
void appendBase64Floats(const std::vector<float>& values, std::string& out) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t bytes = 4 * values.size();
    const auto byteAt = [&](std::size_t i) -> std::uint32_t {
        return (std::bit_cast<std::uint32_t>(values[i / 4]) >> (8 * (i % 4))) & 0xffu;
    };
    const std::size_t start = out.size();
    out.resize(start + (bytes + 2) / 3 * 4, '=');
    char* p = out.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= bytes; i += 3, p += 4) {
        const std::uint32_t chunk = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        p[0] = kDigits[(chunk >> 18) & 63];
        p[1] = kDigits[(chunk >> 12) & 63];
        p[2] = kDigits[(chunk >> 6) & 63];
        p[3] = kDigits[chunk & 63];
    }
    if (const std::size_t left = bytes - i; left > 0) {
        const std::uint32_t chunk = byteAt(i) << 16 | (left > 1 ? byteAt(i + 1) << 8 : 0u);
        p[0] = kDigits[(chunk >> 18) & 63];
        p[1] = kDigits[(chunk >> 12) & 63];
        if (left > 1) {
            p[2] = kDigits[(chunk >> 6) & 63];
        }
    }
}

// A text for the page's script: a JSON string with '<' escaped, so that
// no text can close the script element.
std::string scriptString(std::string_view text) {
    std::string out;
    for (const char c : io::jsonString(text)) {
        out += c == '<' ? std::string("\\u003c") : std::string(1, c);
    }
    return out;
}

// Appends the drawing's object: its count, what each colour code draws
// (the drawing's legend, or the sample's), whether the legend is the
// drawing's own, the codes hidden at first, one colour code per point and
// the coordinates.
void appendDrawingObject(const ViewGeometry& g, const ViewLegend& given, std::string& out) {
    const ViewLegend legend = viewLegend(given);
    std::array<std::string, 16> meaning{};
    for (std::size_t c = 0; c < kViewPalette.size(); ++c) {
        meaning[c] = legend.uses.empty() ? std::string(kViewPalette[c].sampleUse) : "";
    }
    for (const ViewCodeUse& u : legend.uses) {
        meaning[static_cast<std::size_t>(u.code)] = u.meaning;
    }
    std::string uses = "[";
    std::string hidden = "[";
    for (std::size_t c = 0; c < kViewPalette.size(); ++c) {
        uses += (c ? ", " : "") + scriptString(meaning[c]);
        hidden += std::string(c ? ", " : "") + (legend.hidden[c] ? "true" : "false");
    }
    uses += "]";
    hidden += "]";
    out += "{\"count\": ";
    out += std::to_string(g.size());
    out += ",\n    \"uses\": ";
    out += uses;
    out += ",\n    \"own\": ";
    out += legend.uses.empty() ? "false" : "true";
    out += ", \"hidden\": ";
    out += hidden;
    out += ",\n    \"codes\": \"";
    for (const std::uint8_t c : g.codes) {
        out += "0123456789abcdef"[c & 15];
    }
    out += "\",\n    \"xyz\": \"";
    appendBase64Floats(g.xyz, out);
    out += "\"}";
}

std::string scriptNumber(double v) {
    if (!std::isfinite(v)) {
        return "null";
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v == 0 ? 0.0 : v);
    return buf;
}

std::string theme(std::string_view background, const auto& colours, const ViewThemeInk& ink) {
    std::string out = "{\"palette\": [" + io::jsonString(background);
    for (std::size_t c = 1; c < colours.size(); ++c) {
        out += ", " + io::jsonString(colours[c]);
    }
    return out + "], \"ink\": {\"text\": " + io::jsonString(ink.text) + ", \"axis\": " + io::jsonString(ink.axis) +
           ", \"start\": " + io::jsonString(ink.start) + ", \"end\": " + io::jsonString(ink.end) + "}}";
}

// The two themes: the palette of codes 0 (the background) to 15 and the
// colours of the axes and markers.
std::string themesObject() {
    std::array<std::string_view, 16> dark{};
    for (std::size_t c = 1; c < kViewPalette.size(); ++c) {
        dark[c] = kViewPalette[c].rgb;
    }
    return "{\"dark\": " + theme(kViewBackground, dark, kViewInkDark) +
           ",\n    \"light\": " + theme(kViewBackgroundLight, kViewPaletteLight, kViewInkLight) + "}";
}

// What the axes stand for, or null when the drawing does not say.
std::string axesObject(const ViewAxes& a) {
    if (!a.known()) {
        return "null";
    }
    auto axis = [](const ViewAxis& x) {
        const bool usable = std::isfinite(x.origin) && std::isfinite(x.scale) && x.scale != 0;
        if (x.name.empty() || !usable) {
            return std::string("null");
        }
        return "{\"name\": " + scriptString(viewAxisText(x.name)) + ", \"origin\": " + scriptNumber(x.origin) +
               ", \"scale\": " + scriptNumber(x.scale) + "}";
    };
    auto list = [](const auto& v) {
        std::string out;
        for (const double x : *v) {
            if (!std::isfinite(x)) {
                return std::string("null");
            }
            out += (out.empty() ? "[" : ", ") + scriptNumber(x);
        }
        return out + "]";
    };
    return "{\"x\": " + axis(a.x) + ", \"y\": " + axis(a.y) + ", \"z\": " + scriptString(viewAxisText(a.z)) +
           ",\n    \"start\": " + (a.start ? list(a.start) : "null") + ", \"end\": " + (a.end ? list(a.end) : "null") +
           ", \"plane\": " + (a.plane ? list(a.plane) : "null") + "}";
}

std::string viewsArray() {
    std::string out = "[";
    for (const NamedView& v : kNamedViews) {
        out += std::string(out.size() > 1 ? ",\n    " : "") + "{\"name\": " + io::jsonString(v.name) +
               ", \"label\": " + io::jsonString(v.label) + ", \"azimuth\": " + std::to_string(v.azimuth) +
               ", \"elevation\": " + std::to_string(v.elevation) + "}";
    }
    return out + "]";
}

void fill(std::string& page, std::string_view slot, const std::string& text) {
    const std::size_t at = page.find(slot);
    if (at != std::string::npos) {
        page.replace(at, slot.size(), text);
    }
}

}  // namespace

std::string viewPage(const std::vector<ViewPoint>& points, std::string_view run, const ViewAxes& axes) {
    return viewPage(viewGeometry(points), run, axes);
}

std::string viewPage(const ViewGeometry& g, std::string_view run, const ViewAxes& axes) {
    std::string page(detail::kViewPageTemplate);
    if (isRunIdentity(run)) {  // letters, digits and - . : _ only: nothing to escape
        constexpr std::string_view kAfter = "<meta charset=\"utf-8\">\n";
        const std::size_t at = page.find(kAfter);
        if (at != std::string::npos) {
            page.insert(at + kAfter.size(), "<meta name=\"quorl-run\" content=\"" + std::string(run) + "\">\n");
        }
    }
    fill(page, "/*THEMES*/", themesObject());
    fill(page, "/*VIEWS*/", viewsArray());
    fill(page, "/*AXES*/", axesObject(axes));
    // The drawing goes in last, built in place in a page of its final
    // size (its text is most of the page): nothing is searched for inside
    // it.
    constexpr std::string_view kSlot = "/*DRAWING*/";
    const std::size_t at = page.find(kSlot);
    if (at == std::string::npos) {
        return page;
    }
    std::string out;
    out.reserve(page.size() + g.size() + (4 * g.xyz.size() + 2) / 3 * 4 + 1024);
    out.append(page, 0, at);
    appendDrawingObject(g, axes.legend, out);
    out.append(page, at + kSlot.size());
    return out;
}

}  // namespace quorl
