// ALPHAJS: lays a label out in the stroke font and sends its points to the
// drawing writer (see the header).
//
// The local plane is x-z: each column is one character size SIZEH wide
// and each line 1.5 SIZEH apart; a glyph fills its cell from grid x = -30
// at the left edge, and its base line lies on z = 1.5 M SIZEH. Local x
// runs along the text; glyph tops lie toward -z and successive lines
// toward +z, so that with roll 90 the label lies in the scene's x-y plane
// and reads upright seen from +z.
#include "vis/alpha_js.hpp"

#include <string_view>

#include "io/stop.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "vis/model_7dof.hpp"

namespace quorl {

namespace {
constexpr int kCellLeft = -30;     // grid x of a cell's left edge
constexpr int kBaseLine = -30;     // grid y of the base line
constexpr double kGridWidth = 60;  // grid units per character size
constexpr double kLineStep = 1.5;  // line spacing in character sizes

constexpr int kBackspace = 8, kTab = 9, kLineFeed = 10, kVerticalTab = 11, kFormFeed = 12, kReturn = 13;

// Moves the column N and line M for a layout control code (1 to 31);
// codes without a layout meaning are ignored.
void layoutControl(int c, std::int32_t& N, std::int32_t& M) {
    switch (c) {
        case kBackspace: N = N - 1; break;
        case kTab: N = ((N + 1) / 8) * 8 + 7; break;  // next character in the next multiple of 8
        case kLineFeed: M = M + 1; break;
        case kVerticalTab: M = (M / 5) * 5 + 5; break;
        case kFormFeed: M = M + 80; break;
        case kReturn: N = -1; break;
        default: break;
    }
}
}  // namespace

int checkedPen(int pen) {
    if (pen != kPenMove && pen != kPenDraw) {
        io::stop("Huge problem!");
    }
    return pen;
}

void alphaJsLayout(State& s, const FontTable& font, const Text<80>& CLABELL, const FixedArray1<Quad, 1, 3>& POSLLCQ,
                   const FixedArray1<Quad, 1, 3>& RPYDQ, const Quad& SIZEHQ, int ICOL, float FLINEWIDTH, int IP,
                   const StrokeSink& sink) {
    State::AlphaJs& a = s.alphaJs;
    for (int i = 1; i <= 3; ++i) {
        a.POSLLC(i) = toDouble(POSLLCQ(i));
        a.RPYD(i) = toDouble(RPYDQ(i));
        a.PXYZ(i) = a.POSLLC(i);
        a.ARPY(i) = a.RPYD(i);
    }
    a.SIZEH = toDouble(SIZEHQ);
    a.PXYZ(4) = 1.0;
    a.ARPY(4) = 1.0;
    MODEL7DOF(a.PXYZ, a.ARPY, 1.0, a.HXR, IP, &s.units);

    const std::string_view text = CLABELL.view();
    const int length = static_cast<int>(CLABELL.trimmed().size());
    write(s, IP, "('AlphaJS: ',i2,1x,a80)", length, text);

    a.M = 0;
    a.N = -1;
    a.K = 0;
    for (int i = 1; i <= length; ++i) {
        const std::string_view ch = text.substr(static_cast<std::size_t>(i - 1), 1);
        a.NCH = static_cast<unsigned char>(ch[0]);
        if (a.NCH == 0) {
            break;
        }
        write(s, IP, "('i= ',i2,1x,a1,1x,i3)", i, ch, a.NCH);
        if (a.NCH < 32) {
            layoutControl(a.NCH, a.N, a.M);
            continue;
        }
        a.N = a.N + 1;  // every printable code takes a column, drawn or not
        a.J1 = font.CHARLOC(a.NCH);
        if (a.J1 == 0) {
            continue;
        }
        a.NPTS = font.POINTLOC(a.J1 + 2);
        if (a.NPTS <= 0) {
            continue;
        }
        write(s, IP, "('i= ',i2,1x,a1,1x,i3,i3,i2)", i, ch, a.NCH, a.NPTS, 0);
        for (int p = 0; p < a.NPTS; ++p) {
            const int j = a.J1 + 3 + 3 * p;
            const int pen = checkedPen(font.POINTLOC(j));
            const double x = font.POINTLOC(j + 1);
            const double y = font.POINTLOC(j + 2);
            a.K = pen == kPenMove ? 1 : a.K + 1;

            a.PIN(1) = ((x - kCellLeft) / kGridWidth + a.N) * a.SIZEH;
            a.PIN(2) = 0.0;
            a.PIN(3) = (kLineStep * a.M - (y - kBaseLine) / kGridWidth) * a.SIZEH;
            for (int r = 1; r <= 3; ++r) {
                a.POUT(r) = a.HXR(r, 1) * a.PIN(1) + a.HXR(r, 2) * a.PIN(2) + a.HXR(r, 3) * a.PIN(3) + a.HXR(r, 4);
            }

            TLREC tl;
            tl.IC = a.K == 1 ? 0 : ICOL;  // the first point of a stroke moves the pen
            tl.TH = FLINEWIDTH;
            for (int r = 1; r <= 3; ++r) {
                tl.XYZ(r) = fromDouble(a.POUT(r));
            }
            sink(tl);
        }
    }
}

void ALPHAJS(State& s, const Text<80>& CLABELL, const FixedArray1<Quad, 1, 3>& POSLLCQ,
             const FixedArray1<Quad, 1, 3>& RPYDQ, const Quad& SIZEHQ, int ICOL, float FLINEWIDTH, int IP) {
    alphaJsLayout(s, CHARDEF(), CLABELL, POSLLCQ, RPYDQ, SIZEHQ, ICOL, FLINEWIDTH, IP,
                  [&s](const TLREC& tl) { DRAW3DJTL(s, tl, 0); });
}

}  // namespace quorl
