#include "user/you_quorl_3d.hpp"

#include <array>
#include <string>

#include "engine/eval_fit.hpp"
#include "io/format.hpp"
#include "quad/decimal.hpp"
#include "text/fdate23.hpp"
#include "vis/alpha_js.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/morph_3d_jtl.hpp"

namespace quorl {

namespace {

using namespace quorl::literals;

// Colour codes of the picture; 0 moves the pen, -1 ends the drawing.
constexpr int kMove = 0;
constexpr int kBase = 15;     // base level and texts
constexpr int kLevel = 8;     // other levels and the posts of every fifth line
constexpr int kLine = 9;      // landscape lines
constexpr int kMarker = 11;   // iteration markers
constexpr int kTable = 13;    // axis labels and the iteration table
constexpr int kNotice = 7;    // the notice line
constexpr int kEnd = -1;

constexpr float kLineWidth = 1.0f;

// The grid: lines 0.2 apart across, points 0.01 apart along, 0..4 both ways.
constexpr int kLines = 20;
constexpr int kSteps = 400;

Quad q(int i) { return fromInt(i); }

void setXyz(FixedArray1<Quad, 1, 3>& a, const Quad& x, const Quad& y, const Quad& z) {
    a(1) = x;
    a(2) = y;
    a(3) = z;
}

// Draws (x, y, z) in colour c through the shared record TL.
void drawPoint(State& s, int c, const Quad& x, const Quad& y, const Quad& z) {
    s.TL.IC = c;
    setXyz(s.TL.XYZ, x, y, z);
    DRAW3DJTL(s, s.TL, 0);
}

void drawLabel(State& s, YouQuorl3dState& v, int colour) {
    ALPHAJS(s, v.CLABEL, v.POSLLCQ, v.RPYDQ, v.SIZEHQ, colour, kLineWidth, 0);
}

// One landscape point at the current PR(1).P, PR(2).P: its RSS, negated and
// morphed. A line starts with a move; every fifth line of a family stands on
// posts from z = 0 at both ends, so the landscape's height reads against the
// base level.
void landscapePoint(State& s, YouQuorl3dState& v, bool firstOfLine, bool lastOfLine, bool posted) {
    s.TL.IC = v.ICOLOR;
    EVALFIT(s, v.RSSL, 0);
    setXyz(s.TL.XYZ, s.PR(1).P, s.PR(2).P, -v.RSSL);
    MORPH3DJTL(s, s.TL);
    if (firstOfLine && posted) {
        s.TLSAVE = s.TL;
        s.TLSAVE.XYZ(3) = Quad{};
        DRAW3DJTL(s, s.TLSAVE, 0);
        v.ICOLOR = kLevel;
        s.TL.IC = kLevel;
    }
    DRAW3DJTL(s, s.TL, 0);
    v.ICOLOR = kLine;
    if (lastOfLine && posted) {
        s.TL.IC = kLevel;
        s.TL.XYZ(3) = Quad{};
        DRAW3DJTL(s, s.TL, 0);
    }
}

}  // namespace

void recordPathPoint(State& s) {
    s.TL.IC = kBase;
    s.TL.TH = 2.0f;
    setXyz(s.TL.XYZ, s.PR(1).PBASE, s.PR(2).PBASE, -s.RSS);
    MORPH3DJTL(s, s.TL);
    // The first point of the path starts a new line. The viewer marks the
    // path's first point (the start values) and its last (the result).
    const std::array<double, 3> at{toDouble(s.TL.XYZ(1)), toDouble(s.TL.XYZ(2)), toDouble(s.TL.XYZ(3))};
    if (s.JITER == 0) {
        s.TL.IC = kMove;
        s.viewAxes.start = at;
    }
    s.viewAxes.end = at;
    DRAW3DJTL(s, s.TL, 0);
    if (s.JITER <= s.TLITER.upper()) {
        s.TLITER(s.JITER) = s.TLPREV;
    }
}

void YOUQUORL3D(State& s, YouQuorl3dState& v) {
    const Quad zero{};
    const Quad half = 0.5_q;
    const Quad tenth = 0.1_q;
    const Quad rowHeight = 0.15_q;
    const Quad tableSize = 0.09_q;
    const Quad tableX = fromInt(4);
    const Quad tableY = 4.1_q;
    const int lastRow = s.TLITER.upper();

    // What the axes stand for, for the viewer: x and y are the values of
    // parameters 1 and 2 themselves, over the grid 0..4 both ways; the
    // height is -RSS, morphed.
    s.viewAxes.x = ViewAxis{std::string(s.PR(1).PNAME.trimmed()), 0.0, 1.0};
    s.viewAxes.y = ViewAxis{std::string(s.PR(2).PNAME.trimmed()), 0.0, 1.0};
    s.viewAxes.z = "-RSS, log scale beyond 1: levels at RSS = 0, 1, 10, ..., 10000";
    s.viewAxes.plane = std::array<double, 4>{0.0, 4.0, 0.0, 4.0};

    // Where the level labels go, and the line width.
    setXyz(v.POSLLCQ, zero, half, zero);
    setXyz(v.RPYDQ, zero, zero, q(90));
    v.SIZEHQ = tenth;
    s.TL.TH = 1.0f;

    // Six reference levels, 4 by 4 squares at z = 0 .. -5: with the default
    // morphing RSS = 0, 1, 10, 100, 1000, 10000 land exactly on them.
    static const char* const kLevelLabels[] = {
        "RSS=    0. Linear ^",  "RSS=    1. Log10LF ^", "RSS=   10. Log10LF ^",
        "RSS=  100. Log10LF ^", "RSS= 1000. Log10LF ^", "RSS=10000. Log10LF ^",
    };
    const Quad labelDrop = 0.03_q;
    for (v.I = 0; v.I <= 5; ++v.I) {
        const Quad z = -q(v.I);
        const int c = v.I == 0 ? kBase : kLevel;
        drawPoint(s, kMove, zero, zero, z);
        drawPoint(s, c, q(4), zero, z);
        drawPoint(s, c, q(4), q(4), z);
        drawPoint(s, c, zero, q(4), z);
        drawPoint(s, c, zero, zero, z);
        v.CLABEL = kLevelLabels[v.I];
        setXyz(v.POSLLCQ, zero, half, z - labelDrop);
        ALPHAJS(s, v.CLABEL, v.POSLLCQ, v.RPYDQ, v.SIZEHQ, kBase, s.TL.TH, 0);
    }

    // Axis labels.
    const Quad axisAt = 0.2_q;
    const Quad axisHeight = 0.3_q;
    v.SIZEHQ = rowHeight;
    v.CLABEL = "Parameter#1 +>";
    setXyz(v.POSLLCQ, axisAt, zero, axisHeight);
    setXyz(v.RPYDQ, zero, zero, zero);
    drawLabel(s, v, kTable);
    v.CLABEL = "Parameter#2 +>";
    setXyz(v.POSLLCQ, zero, axisAt, axisHeight);
    setXyz(v.RPYDQ, zero, zero, q(90));
    drawLabel(s, v, kTable);

    // A marker at every point of the path: a short tick up and across
    // from the point, labelled with the iteration number at its end.
    setXyz(v.RPYDQ, zero, q(45), q(90));
    v.SIZEHQ = tenth;
    for (v.I = 0; v.I <= s.JITER - 1 && v.I <= lastRow; ++v.I) {
        s.TL = s.TLITER(v.I);
        s.TL.IC = kMove;
        DRAW3DJTL(s, s.TL, 0);
        s.TL.XYZ(2) = s.TL.XYZ(2) + half;
        s.TL.XYZ(3) = s.TL.XYZ(3) - half;
        s.TL.IC = kMarker;
        DRAW3DJTL(s, s.TL, 0);
        v.CLABEL = io::format("('Iter',i3)", v.I);
        v.POSLLCQ = s.TL.XYZ;
        drawLabel(s, v, kMarker);
    }

    // The table of the iterations' order-of-magnitude changes; the
    // iteration that first takes the inverter's step is marked.
    setXyz(v.RPYDQ, zero, zero, q(90));
    setXyz(v.POSLLCQ, tableX, tableY, zero);
    v.SIZEHQ = tableSize;
    v.CLABEL = io::format("('    ^iter ^om change')");
    drawLabel(s, v, kTable);
    for (v.I = 0; v.I <= s.JITER - 1 && v.I <= lastRow; ++v.I) {
        setXyz(v.POSLLCQ, tableX, tableY, -(q(v.I + 1) * rowHeight));
        if (v.I == s.JBON) {
            v.CLABEL = io::format("(i5,2x,a9,' -jBon')", v.I, s.OMJSAVE(v.I));
        } else {
            v.CLABEL = io::format("(i5,2x,a9)", v.I, s.OMJSAVE(v.I));
        }
        drawLabel(s, v, kTable);
    }

    // The run's descriptive texts, stacked above the far edge.
    setXyz(v.RPYDQ, zero, 1.0_q, zero);
    v.SIZEHQ = tenth;
    const Text<60>* const descriptions[] = {&s.WHAT, &s.WHY, &s.HOW, &s.WHO, &s.WHEN, &s.WHERE1};
    const Quad heights[] = {0.2_q, 0.4_q, 0.6_q, 0.8_q, 1.0_q, 1.2_q};
    for (int k = 0; k < 6; ++k) {
        v.CLABEL = descriptions[k]->view();
        setXyz(v.POSLLCQ, zero, q(4), heights[k]);
        drawLabel(s, v, kBase);
    }

    // The notice: the emblem, then two lines (carriage return, line feed).
    setXyz(v.POSLLCQ, zero, tenth, 0.6_q);
    setXyz(v.RPYDQ, zero, zero, q(90));
    v.SIZEHQ = 0.2_q;
    v.CLABEL = std::string(1, static_cast<char>(224)) + std::string(kNoticeLine1) + "\r\n" + std::string(kNoticeLine2);
    drawLabel(s, v, kNotice);

    // The run time: date, hours and minutes; code 0 ends the text.
    setXyz(v.POSLLCQ, zero, tenth, 1.2_q);
    v.SIZEHQ = 0.11_q;
    Text<23> stamp;
    FDATE23(stamp);
    v.CLABEL = "Runtime: " + std::string(stamp.view().substr(0, 16)) + std::string(1, '\0');
    drawLabel(s, v, kBase);

    // Landscape lines of constant parameter 1.
    s.TL.TH = 1.0f;
    for (v.I = 0; v.I <= kLines; ++v.I) {
        v.ICOLOR = kMove;
        for (v.J = 0; v.J <= kSteps; ++v.J) {
            s.PR(1).P = q(4) * q(v.I) / q(kLines);
            s.PR(2).P = q(3) * q(v.J) / q(300);
            landscapePoint(s, v, v.J == 0, v.J == kSteps, v.I % 5 == 0);
        }
    }
    // Landscape lines of constant parameter 2.
    for (v.J = 0; v.J <= kLines; ++v.J) {
        v.ICOLOR = kMove;
        for (v.I = 0; v.I <= kSteps; ++v.I) {
            s.PR(1).P = q(4) * q(v.I) / q(kSteps);
            s.PR(2).P = q(3) * q(v.J) / q(15);
            landscapePoint(s, v, v.I == 0, v.I == kSteps, v.J % 5 == 0);
        }
    }

    // The end record closes the drawing.
    s.TL.TH = 0.0f;
    drawPoint(s, kEnd, zero, zero, zero);
}

}  // namespace quorl
