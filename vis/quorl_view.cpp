#include "vis/quorl_view.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <string_view>

#include "io/replace_file.hpp"
#include "io/stop.hpp"
#include "model/constants.hpp"
#include "vis/view_page.hpp"

namespace quorl {

namespace {

constexpr int kDone = 0;
constexpr int kBadFile = 1;
constexpr int kBadUsage = 2;

constexpr std::string_view kUsage =
    "usage: quorl-view [options] FILE\n"
    "  FILE is a drawing file (Quorl-3dDraw.3dv) or point list (Quorl-3dJTL.txt) of a run.\n"
    "  Writes the viewer page Quorl-3dView.html beside FILE.\n"
    "options:\n"
    "  --svg              write a static SVG picture (Quorl-3dView.svg) of one view instead:\n"
    "                     white, with the axes, the start and end of the path and a legend\n"
    "  --dark             the SVG on black in the screen's colours\n"
    "  --no-legend        the SVG without its legend\n"
    "  --hide CODES       leave these colour codes out of the SVG (a comma-separated list, 7,13)\n"
    "  --show CODES       draw these codes even where the drawing hides them at first (its Legend line)\n"
    "  --view NAME        the SVG's view: oblique (default), face (labels face-on), top (from above)\n"
    "  --azimuth DEG      turn the view about the vertical (degrees)\n"
    "  --elevation DEG    tilt the view (degrees, 90 looks down from above)\n"
    "  --zup              draw +z upward (mirrors the picture; -z is up by default)\n"
    "  --size WxH         the SVG's size in pixels (default 1200x800)\n"
    "  -o, --output PATH  write to PATH instead (- for standard output)\n"
    "  --version          show the version\n"
    "  -h, --help         show this text\n";

std::optional<double> numberOf(std::string_view text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<int> sideOf(std::string_view text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || v < 16 || v > 20000) {
        return std::nullopt;
    }
    return v;
}

struct Options {
    std::string input;
    std::string output;
    bool svg = false;
    bool dark = false;
    bool legend = true;
    std::array<bool, 16> hidden{};
    std::array<bool, 16> shown{};
    ViewAngles view = *namedView(kNamedViews[0].name);
    int width = 1200;
    int height = 800;
};

// Parses the command line; on a fault returns its message.
std::optional<std::string> parse(const std::vector<std::string>& args, Options& o) {
    std::optional<double> azimuth;
    std::optional<double> elevation;
    bool zUp = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (a == "--svg") {
            o.svg = true;
        } else if (a == "--dark") {
            o.dark = true;
        } else if (a == "--no-legend") {
            o.legend = false;
        } else if (a == "--zup") {
            zUp = true;
        } else if (a == "--hide" || a == "--show") {
            const auto v = value();
            if (!v) {
                return a + " needs a list of colour codes";
            }
            std::array<bool, 16>& codes = a == "--hide" ? o.hidden : o.shown;
            std::size_t from = 0;
            while (from <= v->size()) {
                const std::size_t comma = std::min(v->find(',', from), v->size());
                int code = 0;
                const char* b = v->data() + from;
                const char* e = v->data() + comma;
                const auto [end, ec] = std::from_chars(b, e, code);
                if (b == e || ec != std::errc{} || end != e || code < 1 || code > 15) {
                    return a + " needs colour codes from 1 to 15 separated by commas, not '" + *v + "'";
                }
                codes[static_cast<std::size_t>(code)] = true;
                from = comma + 1;
            }
        } else if (a == "--view" || a == "--azimuth" || a == "--elevation" || a == "--size" || a == "-o" ||
                   a == "--output") {
            const auto v = value();
            if (!v) {
                return a + " needs a value";
            }
            if (a == "--view") {
                const auto named = namedView(*v);
                if (!named) {
                    return "unknown view '" + *v + "' (oblique, face or top)";
                }
                o.view = *named;
            } else if (a == "--azimuth" || a == "--elevation") {
                const auto deg = numberOf(*v);
                if (!deg) {
                    return a + " needs a number of degrees, not '" + *v + "'";
                }
                (a == "--azimuth" ? azimuth : elevation) = *deg;
            } else if (a == "--size") {
                const std::size_t x = v->find('x');
                const auto w = x == std::string::npos ? std::nullopt : sideOf(std::string_view(*v).substr(0, x));
                const auto h = x == std::string::npos ? std::nullopt : sideOf(std::string_view(*v).substr(x + 1));
                if (!w || !h) {
                    return "--size needs WIDTHxHEIGHT in pixels (16 to 20000), not '" + *v + "'";
                }
                o.width = *w;
                o.height = *h;
            } else {
                o.output = *v;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option '" + a + "'";
        } else if (!o.input.empty()) {
            return "one drawing at a time ('" + o.input + "' and '" + a + "')";
        } else {
            o.input = a;
        }
    }
    if (o.input.empty()) {
        return "no drawing file given";
    }
    o.view.azimuth = azimuth.value_or(o.view.azimuth);
    o.view.elevation = elevation.value_or(o.view.elevation);
    o.view.zUp = zUp;
    if (o.output.empty()) {
        o.output = (std::filesystem::path(o.input).parent_path() / (o.svg ? "Quorl-3dView.svg" : VIEWPAGEFILENAME))
                       .string();
    }
    return std::nullopt;
}

}  // namespace

int quorlView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            out << kUsage;
            return kDone;
        }
        if (a == "--version") {
            out << "quorl-view: " << constants::versionBanner() << "\n";
            return kDone;
        }
    }
    Options o;
    if (const auto fault = parse(args, o)) {
        err << "quorl-view: " << *fault << "\n" << kUsage;
        return kBadUsage;
    }
    try {
        const ViewDrawing d = readViewDrawing(o.input);
        if (!d.axesFault.empty()) {
            err << "quorl-view: " << o.input << ":" << d.axesFault << "; the picture is drawn without axes\n";
        }
        if (!d.legendFault.empty()) {
            err << "quorl-view: " << o.input << ":" << d.legendFault << "; the legend gives the sample's meanings\n";
        }
        // Hidden: the codes asked for, and those the drawing hides at first
        // unless asked to show them.
        std::array<bool, 16> hidden = o.hidden;
        for (std::size_t c = 1; c < hidden.size(); ++c) {
            hidden[c] = hidden[c] || (d.axes.legend.hidden[c] && !o.shown[c]);
        }
        const std::string text = o.svg ? viewSvg(d.points, o.view, o.width, o.height, {!o.dark, o.legend, d.axes, hidden})
                                       : viewPage(d.points, d.run, d.axes);
        if (o.output == "-") {
            out << text;
        } else {
            io::replaceFile(o.output, text, kBadFile);
            out << "quorl-view: wrote " << o.output << " (" << d.points.size() << " points from the "
                << (d.pointList ? "point list" : "drawing file") << ")\n";
        }
        return kDone;
    } catch (const io::Stop& stop) {
        std::string_view why = stop.message();
        if (why.starts_with("Quorl: ")) {
            why.remove_prefix(7);
        }
        err << "quorl-view: " << why << "\n";
        return kBadFile;
    }
}

}  // namespace quorl
