// drawLandscape: the error landscape over two parameters (see the header).
//
// The picture, in drawing coordinates (the convention of the viewer page:
// -z is up):
//   - the levels: squares 0..4 by 0..4 at z = 0, -1, .., -4, each labelled
//     on the -x side, left of the box, so that the labels never cross the
//     landscape;
//   - below the base level (z > 0, where the landscape never goes): the
//     tick marks and tick values of parameter 1 along the near edge y = 4
//     (read from +y) and of parameter 2 along the edge x = 0 (read from
//     -x), and under them the two names;
//   - the landscape: lines of constant parameter 1 and of constant
//     parameter 2, 21 of each, through the result at the centre;
//   - the path of the fit in white, twice as wide, its start and end
//     marked by a cross and a post down to the base level (in their own
//     colours) and a word (with the other stroke texts).
#include "vis/draw_landscape.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "engine/eval_fit.hpp"
#include "io/stop.hpp"
#include "quad/decimal.hpp"
#include "vis/alpha_js.hpp"
#include "vis/char_def.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/log10lf.hpp"

namespace quorl {

namespace {

// Colour codes; 0 moves the pen, -1 ends the drawing.
constexpr int kMove = 0;
constexpr int kBase = 15;   // the base level, its label, the path
constexpr int kLevel = 8;   // the other levels
constexpr int kLine = 9;    // the landscape lines
constexpr int kStart = 10;  // the start of the path
constexpr int kEnd = 12;    // its end, the result
constexpr int kAxis = 13;   // ticks, tick values, names, the words start and end
constexpr int kEndRecord = -1;

constexpr int kLines = 20;          // intervals between the lines of a family
constexpr int kLevels = 4;          // levels above the base: min + u, 10u, 100u, 1000u
constexpr double kTop = 5.0;        // heights above it are folded into kTop..kTop+1
constexpr double kErrors = 3.0;     // the box spans this many standard errors each way
constexpr double kPathMargin = 1.1; // or the path, with this margin
// Residual evaluations the grid may take (about 8 s of a formula fit):
// a large table gets fewer points along each line.
constexpr double kGridBudget = 4e7;

constexpr double kTickSize = 0.08;   // character size of the tick values
constexpr double kTickGap = 0.06;    // between the base level and their tops
constexpr double kTickMark = 0.04;   // length of a tick mark
constexpr double kNameSize = 0.12;   // character size of the names
constexpr double kLevelSize = 0.09;  // character size of the level labels
constexpr double kMarkSize = 0.08;   // the start and end crosses and labels

using Sink = std::function<void(const TLREC&)>;

struct PathPoint {
    Quad v1, v2, rss;
};

// An axis of the box: its parameter and the values at 0 and kLandscapeBox.
struct Axis {
    int kp = 0;
    Quad value{}, half{};  // the centre and the half width
    Quad lo() const { return value - half; }
    Quad hi() const { return value + half; }
    // The value at grid index i of n: the centre exactly at n/2.
    Quad at(int i, int n) const { return value + half * fromInt(2 * i - n) / fromInt(n); }
    double coordinate(const Quad& v) const {
        return toDouble(fromInt(kLandscapeBox) * (v - lo()) / (half + half));
    }
};

std::string trimmedName(const PREC& p) {
    std::string_view t = p.PNAME.trimmed();
    t.remove_prefix(std::min(t.size(), t.find_first_not_of(' ')));
    return std::string(t);
}

// ---- numbers as text ---------------------------------------------------

Quad decimalPower(int mantissa, int exponent) {
    return quadFromText(std::to_string(mantissa) + "e" + std::to_string(exponent));
}

// The step m * 10^e (m = 1, 2, 5) next above (up) or at most (down) x > 0.
std::pair<int, int> niceStep(double x, bool up) {
    const int e = static_cast<int>(std::floor(std::log10(x)));
    if (up) {
        for (const int m : {1, 2, 5}) {
            if (m * std::pow(10.0, e) >= x * (1 - 1e-12)) {
                return {m, e};
            }
        }
        return {1, e + 1};
    }
    for (const int m : {5, 2, 1}) {
        if (m * std::pow(10.0, e) <= x * (1 + 1e-12)) {
            return {m, e};
        }
    }
    return {5, e - 1};
}

std::string signOf(const Quad& v) { return isNegativeValue(v) && v != Quad{} ? "-" : ""; }

std::string fixedText(const Quad& v, int decimals) {
    std::string digits;
    fixedDigits(v, decimals, digits);
    if (digits == "0") {
        return "0";
    }
    if (decimals > 0) {
        if (digits.size() <= static_cast<std::size_t>(decimals)) {
            digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
    }
    return signOf(v) + digits;
}

std::string scientificText(const Quad& v, int count) {
    if (v == Quad{}) {
        return "0";
    }
    std::string digits;
    const int k = scientificDigits(v, count, digits) - 1;
    std::string text = signOf(v) + digits.substr(0, 1);
    if (digits.size() > 1) {
        text += "." + digits.substr(1);
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "E%+03d", k);
    return text + exponent;
}

// A value shown to the digits that the step m * 10^e resolves.
std::string valueText(const Quad& v, const Quad& largest, int e) {
    const double big = std::fabs(toDouble(largest));
    if (big >= 1e5 || big < 1e-3) {
        const int lead = static_cast<int>(std::floor(std::log10(big)));
        return scientificText(v, std::max(1, lead - e + 1));
    }
    return fixedText(v, std::max(0, -e));
}

std::string shortText(const Quad& v) { return scientificText(v, 4); }

// A level's step above the least RSS, 1, 2 or 5 times a power of ten.
std::string levelText(const Quad& v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", toDouble(v));
    return text;
}

// ---- heights -------------------------------------------------------------

// The height of t = (RSS - least) / unit: linear up to 1, then a decade a
// level, folded above kTop. Not a number where RSS is not finite.
double heightOf(const Quad& t) {
    if (!isFinite(t)) {
        return std::nan("");
    }
    if (!(t > fromInt(1))) {
        return std::max(0.0, toDouble(t));
    }
    const double h = 1.0 + toDouble(LOG10LF(t));
    return h <= kTop ? h : kTop + 1.0 - 1.0 / (h - kTop + 1.0);
}

// ---- drawing ---------------------------------------------------------------

struct Picture {
    State& s;
    Axis a1, a2;
    Quad least{}, unit{};

    void point(int c, double x, double y, double z, float width = 1.0f) {
        TLREC tl;
        tl.IC = c;
        tl.TH = width;
        tl.XYZ(1) = fromDouble(x);
        tl.XYZ(2) = fromDouble(y);
        tl.XYZ(3) = fromDouble(z);
        DRAW3DJTL(s, tl, 0);
    }
    void segment(int c, double x0, double y0, double z0, double x1, double y1, double z1) {
        point(kMove, x0, y0, z0);
        point(c, x1, y1, z1);
    }
    // A label with its lower-left corner at (x, y, z), along +x (yaw 0, read
    // from +y) or +y (yaw 90, read from -x).
    void label(const std::string& text, double x, double y, double z, double size, int yaw, int c,
               const Sink& sink) {
        Text<80> t;
        t = text;
        FixedArray1<Quad, 1, 3> at{}, rpy{};
        at(1) = fromDouble(x);
        at(2) = fromDouble(y);
        at(3) = fromDouble(z);
        rpy(3) = fromInt(yaw);
        alphaJsLayout(s, CHARDEF(), t, at, rpy, fromDouble(size), c, 1.0f, 0, sink);
    }
    Sink drawn() {
        return [this](const TLREC& tl) { DRAW3DJTL(s, tl, 0); };
    }
    double z(const Quad& rss) const { return -heightOf((rss - least) / unit); }
};

void drawLevels(Picture& p) {
    const double box = kLandscapeBox;
    Quad t{};
    for (int k = 0; k <= kLevels; ++k) {
        const double z = -k;
        const int c = k == 0 ? kBase : kLevel;
        p.point(kMove, 0, 0, z);
        p.point(c, box, 0, z);
        p.point(c, box, box, z);
        p.point(c, 0, box, z);
        p.point(c, 0, 0, z);
        const std::string text = k == 0 ? "RSS min " + shortText(p.least) : "min + " + levelText(p.unit * t);
        // Right-aligned to the box's left, just above its level.
        const double width = static_cast<double>(text.size()) * kLevelSize;
        p.label(text, 0, -0.1 - width, z - 0.02, kLevelSize, 90, kBase, p.drawn());
        t = k == 0 ? fromInt(1) : t * fromInt(10);
    }
}

void drawAxis(Picture& p, int axis, const Axis& a) {
    const double edge = axis == 1 ? kLandscapeBox : 0.0;
    for (const LandscapeTick& tick : landscapeTicks(a.lo(), a.hi())) {
        if (axis == 1) {
            p.segment(kAxis, tick.at, edge, 0, tick.at, edge, kTickMark);
        } else {
            p.segment(kAxis, edge, tick.at, 0, edge, tick.at, kTickMark);
        }
        layTickLabel(p.s, axis, tick, p.drawn());
    }
    // The name under the tick values, centred, with the direction of growth.
    const std::string name = trimmedName(p.s.PR(a.kp)) + " +>";
    const double from = kLandscapeBox / 2.0 - static_cast<double>(name.size()) * kNameSize / 2;
    const double z = kTickGap + kTickSize + 0.1 + kNameSize;
    if (axis == 1) {
        p.label(name, from, edge, z, kNameSize, 0, kAxis, p.drawn());
    } else {
        p.label(name, edge, from, z, kNameSize, 90, kAxis, p.drawn());
    }
}

// The grid's RSS at (i, j) of n by n, where a line needs it (NaN elsewhere).
std::vector<Quad> gridValues(State& s, const Axis& a1, const Axis& a2, int n) {
    const int every = n / kLines;
    std::vector<Quad> rss(static_cast<std::size_t>((n + 1) * (n + 1)), fromDouble(std::nan("")));
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            if (i % every != 0 && j % every != 0) {
                continue;
            }
            s.PR(a1.kp).P = a1.at(i, n);
            s.PR(a2.kp).P = a2.at(j, n);
            EVALFIT(s, rss[static_cast<std::size_t>(i * (n + 1) + j)], 0);
        }
    }
    return rss;
}

void drawLines(Picture& p, const std::vector<Quad>& rss, int n) {
    const int every = n / kLines;
    const double step = static_cast<double>(kLandscapeBox) / n;
    for (int family = 0; family < 2; ++family) {
        for (int line = 0; line <= n; line += every) {
            bool pen = false;
            for (int k = 0; k <= n; ++k) {
                const int i = family == 0 ? line : k, j = family == 0 ? k : line;
                const double z = p.z(rss[static_cast<std::size_t>(i * (n + 1) + j)]);
                if (std::isnan(z)) {
                    pen = false;  // the model is not defined here: a gap
                    continue;
                }
                p.point(pen ? kLine : kMove, i * step, j * step, z);
                pen = true;
            }
        }
    }
}

void drawMark(Picture& p, const std::array<double, 3>& at, int c, const std::string& text) {
    const auto [x, y, z] = at;
    const double h = kMarkSize / 2;
    p.segment(c, x - h, y, z, x + h, y, z);
    p.segment(c, x, y - h, z, x, y + h, z);
    p.segment(c, x, y, z, x, y, 0.0);
    // The word in the stroke font is for other viewers of the files: it
    // goes with the other stroke texts (kAxis), which the page hides at
    // first, as its own marker says more ("start: a = 1, b = 1").
    p.label(text, x, y + h, z - h, kMarkSize, 90, kAxis, p.drawn());
}

std::array<double, 3> pathPoint(const Picture& p, const PathPoint& q) {
    return {p.a1.coordinate(q.v1), p.a2.coordinate(q.v2), p.z(q.rss)};
}

// Half the box's width for parameter kp, centred on its value: a few
// standard errors, or the path with a margin, whichever is larger.
Quad halfWidth(const State& s, int kp, const std::vector<Quad>& path) {
    const Quad v = s.PR(kp).PBASE;
    Quad half{};
    if (s.uncertainty.computed && s.uncertainty.parameters.upper() >= kp) {
        const std::optional<Quad>& se = s.uncertainty.parameters(kp).standardError;
        if (se && isFinite(*se) && *se > Quad{}) {
            half = fromDouble(kErrors) * *se;
        }
    }
    if (!(half > Quad{})) {
        half = isFinite(v) && v != Quad{} ? abs(v) / fromInt(10) : fromInt(1);
    }
    for (const Quad& q : path) {
        const Quad d = abs(q - v) * fromDouble(kPathMargin);
        if (isFinite(d) && d > half) {
            half = d;
        }
    }
    // A width the values can resolve.
    if (!(v + half > v) || !(v - half < v)) {
        half = abs(v) * fromDouble(1e-25);
        if (!(half > Quad{})) {
            half = fromInt(1);
        }
    }
    return half;
}

int gridSteps(const State& s) {
    const double residuals = static_cast<double>(std::max(s.MDTOT, 1)) * std::max(s.LZTOT, 1);
    for (const int n : {100, 80, 60, 40}) {
        const double evaluations = 2.0 * (kLines + 1) * (n + 1) - (kLines + 1) * (kLines + 1);
        if (evaluations * residuals <= kGridBudget) {
            return n;
        }
    }
    return kLines;
}

// Why the two parameters cannot be drawn; empty when they can.
std::string refusal(const State& s, int KP1, int KP2) {
    for (const int kp : {KP1, KP2}) {
        if (kp < 1 || kp > s.KPTOT) {
            return "there is no parameter " + std::to_string(kp) + " (the model has " + std::to_string(s.KPTOT) + ")";
        }
        if (s.PR(kp).OFFON == Quad{}) {
            return "parameter " + std::to_string(kp) + " '" + trimmedName(s.PR(kp)) + "' is held";
        }
        if (!isFinite(s.PR(kp).PBASE)) {
            return "parameter " + std::to_string(kp) + " has no finite value";
        }
    }
    if (KP1 == KP2) {
        return "a landscape needs two different parameters (both are " + std::to_string(KP1) + ")";
    }
    return "";
}

void drawNow(State& s, int KP1, int KP2, const std::vector<PathPoint>& path) {
    std::vector<Quad> path1, path2;
    for (const PathPoint& q : path) {
        path1.push_back(q.v1);
        path2.push_back(q.v2);
    }
    Picture p{s, {KP1, s.PR(KP1).PBASE, halfWidth(s, KP1, path1)}, {KP2, s.PR(KP2).PBASE, halfWidth(s, KP2, path2)}};

    // The grid needs the error measure alone: no normal equations ahead
    // (the damped step's), no lines of every data point.
    const std::int32_t jstepmult = s.JSTEPMULT, jpd = s.JPD;
    s.JSTEPMULT = std::min(s.JSTEPMULT, 2);
    s.JPD = std::min(s.JPD, 4);
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }
    const int n = gridSteps(s);
    std::vector<Quad> rss;
    try {
        rss = gridValues(s, p.a1, p.a2, n);
    } catch (...) {
        s.JSTEPMULT = jstepmult;
        s.JPD = jpd;
        throw;
    }
    s.JSTEPMULT = jstepmult;
    s.JPD = jpd;
    for (int kp = 1; kp <= s.KPTOT; ++kp) {
        s.PR(kp).P = s.PR(kp).PBASE;
    }

    // The least RSS and the unit of the levels, from the grid.
    bool any = false;
    for (const Quad& r : rss) {
        if (isFinite(r) && (!any || r < p.least)) {
            p.least = r;
            any = true;
        }
    }
    Quad range{};
    for (const Quad& r : rss) {
        if (isFinite(r) && r - p.least > range) {
            range = r - p.least;
        }
    }
    const double spread = toDouble(range > Quad{} ? range : p.least > Quad{} ? p.least : fromInt(1000));
    const auto [m, e] = niceStep(spread / 1000, false);
    p.unit = decimalPower(m, e);

    drawLevels(p);
    drawAxis(p, 1, p.a1);
    drawAxis(p, 2, p.a2);
    drawLines(p, rss, n);
    if (!path.empty()) {
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto [x, y, z] = pathPoint(p, path[i]);
            p.point(i == 0 ? kMove : kBase, x, y, z, 2.0f);
        }
        drawMark(p, pathPoint(p, path.front()), kStart, "start");
        drawMark(p, pathPoint(p, path.back()), kEnd, "end");
    }

    ViewAxes& axes = s.viewAxes;
    axes = ViewAxes{};
    for (auto [view, a] : {std::pair{&axes.x, &p.a1}, std::pair{&axes.y, &p.a2}}) {
        view->name = trimmedName(s.PR(a->kp));
        view->origin = toDouble(a->lo());
        view->scale = toDouble((a->half + a->half) / fromInt(kLandscapeBox));
    }
    // At most 80 bytes, as the Axes line keeps them.
    axes.z = "RSS = " + shortText(p.least) + " + " + shortText(p.unit) + " x 0, 1, 10, 100, 1000";
    if (!path.empty()) {
        axes.start = pathPoint(p, path.front());
        axes.end = pathPoint(p, path.back());
    }
    // The base square, so that the viewer's axes lie on the edges that
    // carry the stroke ticks: x along the near edge y = 4 (hence y from 4
    // to 0), y along x = 0.
    axes.plane = std::array<double, 4>{0.0, kLandscapeBox, kLandscapeBox, 0.0};
    axes.legend.uses = {
        {kLevel, "levels RSS = min + u, + 10u, + 100u, + 1000u (u: see height)"},
        {kLine, "the landscape: RSS over the grid of the two parameters"},
        {kStart, "start of the path (start values): cross and post"},
        {kEnd, "end of the path (result): cross and post"},
        {kAxis, "stroke tick values, names, words start and end (for other viewers)"},
        {kBase, "base level (least RSS), level labels, the path"},
    };
    // The page and the SVG draw their own tick values, names and marker
    // texts, legible in every view: the stroke ones start hidden there.
    axes.legend.hidden[kAxis] = true;
    p.point(kEndRecord, 0, 0, 0);
}

void drawOrSkip(State& s, int KP1, int KP2, const std::vector<PathPoint>& path, const std::string& who) {
    std::string why = refusal(s, KP1, KP2);
    if (why.empty()) {
        // The request turns the 3D output on; a drawing that only counts
        // its points (JPU3D = 6) leaves no file and is never closed.
        if (s.JPU3D < 10 || s.JPU3D > 20) {
            s.JPU3D = 13;
        }
        if (s.draw3dJtl.INIT == 6) {
            s.draw3dJtl.INIT = 0;
        }
        if (s.draw3dJtl.INIT != 0) {
            why = "the model's own drawing is still open";
        }
    }
    if (why.empty()) {
        try {
            drawNow(s, KP1, KP2, path);
            return;
        } catch (const io::Stop& stop) {
            why = stop.message().empty() ? "the drawing files could not be written" : stop.message();
        } catch (const std::exception& e) {
            why = e.what();
        }
        // The files not written whole are dropped: the previous picture stays.
        try {
            if (s.draw3dJtl.INIT != 0) {
                s.units.close(s.draw3dJtl.INIT);
            }
            s.units.discard(JTLFILENAME);
            s.units.discard(EXPORT3DVFILENAME);
        } catch (const io::Stop&) {  // what is left is removed at the end of the run
        }
        s.draw3dJtl.INIT = 0;
        s.draw3dJtl.TLR.clear();
    }
    if (why.starts_with("Quorl: ")) {
        why.erase(0, 7);
    }
    s.units.endLine(io::kConsoleOut);
    write(s, io::kConsoleOut, "(a,': landscape skipped (the results are complete): ',a)", who, why);
}

}  // namespace

std::vector<LandscapeTick> landscapeTicks(const Quad& lo, const Quad& hi) {
    std::vector<LandscapeTick> best;
    const Quad width = hi - lo;
    const double span = toDouble(width);
    if (!(span > 0) || !std::isfinite(span)) {
        return best;
    }
    const Quad largest = abs(lo) > abs(hi) ? lo : hi;
    auto [m, e] = niceStep(span / 6, true);
    for (int tries = 0; tries < 12; ++tries) {
        const Quad step = decimalPower(m, e);
        std::vector<LandscapeTick> ticks;
        std::size_t longest = 0;
        for (Quad k = ceil(lo / step); k * step <= hi && ticks.size() < 20; k = k + fromInt(1)) {
            LandscapeTick t;
            t.value = k * step;
            t.text = valueText(t.value, largest, e);
            t.at = toDouble(fromInt(kLandscapeBox) * (t.value - lo) / width);
            longest = std::max(longest, t.text.size());
            ticks.push_back(std::move(t));
        }
        if (ticks.size() < 2) {
            break;  // keep the last step with two ticks or more
        }
        best = std::move(ticks);
        const double spacing = kLandscapeBox * toDouble(step / width);
        if (static_cast<double>(longest + 1) * kTickSize <= spacing) {
            break;
        }
        std::tie(m, e) = m == 1 ? std::pair{2, e} : m == 2 ? std::pair{5, e} : std::pair{1, e + 1};
    }
    return best;
}

void layTickLabel(State& s, int axis, const LandscapeTick& tick, const std::function<void(const TLREC&)>& sink) {
    Picture p{s, {}, {}};
    const double from = tick.at - static_cast<double>(tick.text.size()) * kTickSize / 2;
    const double z = kTickGap + kTickSize;
    if (axis == 1) {
        p.label(tick.text, from, kLandscapeBox, z, kTickSize, 0, kAxis, sink);
    } else {
        p.label(tick.text, 0, from, z, kTickSize, 90, kAxis, sink);
    }
}

void drawLandscape(State& s, int KP1, int KP2, std::string_view who) {
    auto path = std::make_shared<std::vector<PathPoint>>();
    auto before = std::move(s.afterIteration);
    s.afterIteration = [before, path, KP1, KP2](State& st) {
        if (before) {
            before(st);
        }
        if (KP1 >= 1 && KP1 <= st.KPTOT && KP2 >= 1 && KP2 <= st.KPTOT) {
            if (st.JITER == 0) {
                path->clear();
            }
            path->push_back({st.PR(KP1).PBASE, st.PR(KP2).PBASE, st.RSS});
        }
    };
    auto after = std::move(s.afterResults);
    s.afterResults = [after, path, KP1, KP2, name = std::string(who)](State& st) {
        if (after) {
            after(st);
        }
        drawOrSkip(st, KP1, KP2, *path, name);
    };
}

}  // namespace quorl
