#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "io/stop.hpp"
#include "model/state.hpp"
#include "vis/alpha_js.hpp"
#include "vis/char_def.hpp"
#include "vis/draw_3d_jtl.hpp"
#include "support/temp_dir.hpp"
#include "io/format.hpp"

namespace {

using quorl::FixedArray1;
using quorl::Quad;
using quorl::State;
using quorl::TLREC;

struct Pt {
    int ic;
    double x, y, z;
};

FixedArray1<Quad, 1, 3> q3(double a, double b, double c) {
    FixedArray1<Quad, 1, 3> v;
    v(1) = quorl::fromDouble(a);
    v(2) = quorl::fromDouble(b);
    v(3) = quorl::fromDouble(c);
    return v;
}

struct Layout {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    std::vector<Pt> pts;
    std::vector<float> widths;

    // Size 60 makes one grid unit one scene unit: local points are exact.
    void run(std::string_view text, FixedArray1<Quad, 1, 3> pos = q3(0, 0, 0),
             FixedArray1<Quad, 1, 3> rpy = q3(0, 0, 0), int ip = 0,
             const quorl::FontTable& font = quorl::CHARDEF()) {
        quorl::alphaJsLayout(s, font, quorl::Text<80>(text), pos, rpy, quorl::fromDouble(60.0), 7, 2.5f, ip,
                             [this](const TLREC& t) {
                                 pts.push_back({t.IC, quorl::toDouble(t.XYZ(1)), quorl::toDouble(t.XYZ(2)),
                                                quorl::toDouble(t.XYZ(3))});
                                 widths.push_back(t.TH);
                             });
    }
};

// The five points of "A" in column `col`, line `line`, with the origin at
// (ox, oy, oz): x = grid x + 30 + 60 col, z = 90 line - (grid y + 30).
std::vector<std::array<double, 4>> letterA(int col, int line, double ox = 0, double oy = 0, double oz = 0) {
    const int g[5][3] = {{0, -20, -30}, {7, 0, 30}, {7, 20, -30}, {0, -12, -9}, {7, 12, -9}};
    std::vector<std::array<double, 4>> v;
    for (const auto& p : g) {
        v.push_back({double(p[0]), ox + p[1] + 30 + 60.0 * col, oy, oz + 90.0 * line - (p[2] + 30)});
    }
    return v;
}

// Equal to a few units in the last place: a column offset is added in
// fractions of the character size.
void expectPoints(const std::vector<Pt>& got, std::size_t from, const std::vector<std::array<double, 4>>& want) {
    ASSERT_GE(got.size(), from + want.size());
    for (std::size_t k = 0; k < want.size(); ++k) {
        SCOPED_TRACE("point " + std::to_string(from + k));
        EXPECT_EQ(got[from + k].ic, int(want[k][0]));
        EXPECT_DOUBLE_EQ(got[from + k].x, want[k][1]);
        EXPECT_DOUBLE_EQ(got[from + k].y, want[k][2]);
        EXPECT_DOUBLE_EQ(got[from + k].z, want[k][3]);
    }
}

TEST(AlphaJs, LetterAtAKnownPlaceGivesItsExactPoints) {
    Layout l;
    l.run("A", q3(100, 200, 300));
    ASSERT_EQ(l.pts.size(), 5u);
    const auto want = letterA(0, 0, 100, 200, 300);
    for (std::size_t k = 0; k < 5; ++k) {  // in column 0 every step is exact
        EXPECT_EQ(l.pts[k].ic, int(want[k][0]));
        EXPECT_EQ(l.pts[k].x, want[k][1]);
        EXPECT_EQ(l.pts[k].y, want[k][2]);
        EXPECT_EQ(l.pts[k].z, want[k][3]);
    }
    for (float w : l.widths) EXPECT_EQ(w, 2.5f);
    // The label's values stay with the label writer.
    EXPECT_EQ(l.s.alphaJs.SIZEH, 60.0);
    EXPECT_EQ(l.s.alphaJs.HXR(2, 4), 200.0);
}

TEST(AlphaJs, EachStrokeStartsWithColourZero) {
    Layout l;
    l.run("H");  // three strokes of two points
    ASSERT_EQ(l.pts.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(l.pts[k].ic, k % 2 == 0 ? 0 : 7);
}

TEST(AlphaJs, ReturnAndLineFeedStartTheNextLineAtColumnZero) {
    Layout l;
    l.run("AA\r\nA");
    ASSERT_EQ(l.pts.size(), 15u);
    expectPoints(l.pts, 5, letterA(1, 0));
    expectPoints(l.pts, 10, letterA(0, 1));  // 1.5 sizes further along +z
}

TEST(AlphaJs, LayoutControlsMoveColumnAndLine) {
    Layout l;
    l.run("\tA");
    expectPoints(l.pts, 0, letterA(8, 0));

    Layout tab2;
    tab2.run("AAA\tA");  // columns 0..2, then the next multiple of 8
    expectPoints(tab2.pts, 15, letterA(8, 0));

    Layout back;
    back.run("AA\bA");  // backspace: the third A overprints the second
    expectPoints(back.pts, 10, letterA(1, 0));

    Layout vt;
    vt.run("\n\n\vA\fA");  // vertical tab to the next multiple of 5 lines; form feed 80 lines on
    expectPoints(vt.pts, 0, letterA(0, 5));
    expectPoints(vt.pts, 5, letterA(1, 85));

    Layout other;
    other.run(std::string_view("\x01\x1b" "A", 3));  // other control codes are ignored
    expectPoints(other.pts, 0, letterA(0, 0));
}

TEST(AlphaJs, CodeZeroEndsTheLabel) {
    Layout l;
    l.run(std::string_view("A\0A", 3));
    EXPECT_EQ(l.pts.size(), 5u);
}

TEST(AlphaJs, BlanksAndCodesWithoutGlyphTakeAColumnWithoutDrawing) {
    Layout l;
    l.run("A A");
    ASSERT_EQ(l.pts.size(), 10u);
    expectPoints(l.pts, 5, letterA(2, 0));

    Layout none;
    none.run("\x80" "A");  // 128 has no glyph
    expectPoints(none.pts, 0, letterA(1, 0));
}

TEST(AlphaJs, TrailingBlanksAreNotPartOfTheLabel) {
    Layout l;
    l.run("A    ", q3(0, 0, 0), q3(0, 0, 0), 6);
    EXPECT_EQ(l.pts.size(), 5u);
    const std::string trace = l.out.str();
    const std::string label = "AlphaJS:  1 A" + std::string(79, ' ') + "\n";
    EXPECT_NE(trace.find(label + "i=  1 A  65\ni=  1 A  65  5 0\n"), std::string::npos) << trace;
}

TEST(AlphaJs, LabelWithoutVisibleCharactersSendsNothing) {
    for (std::string_view text : {std::string_view(""), std::string_view("      "), std::string_view("\r\n\t \b")}) {
        Layout l;
        l.run(text);
        EXPECT_TRUE(l.pts.empty()) << text;
    }
}

TEST(AlphaJs, NothingIsPrintedForUnitZero) {
    Layout l;
    l.run("A\tB", q3(1, 2, 3), q3(10, 20, 30), 0);
    EXPECT_EQ(l.out.str(), "");
}

// Glyph tops lie toward -z of the local plane: rolled by 90 degrees the
// label stands upright in the x-y plane, its first line's base line on y = 0.
TEST(AlphaJs, RollNinetyStandsTheLabelUprightInXY) {
    Layout l;
    l.run("A", q3(0, 0, 0), q3(90, 0, 0));
    ASSERT_EQ(l.pts.size(), 5u);
    EXPECT_NEAR(l.pts[1].x, 30.0, 1e-12);  // the apex (0, 30)
    EXPECT_NEAR(l.pts[1].y, 60.0, 1e-12);
    EXPECT_NEAR(l.pts[1].z, 0.0, 1e-12);
    EXPECT_NEAR(l.pts[0].y, 0.0, 1e-12);  // the foot (-20, -30)
}

TEST(AlphaJs, DamagedPenValueStops) {
    EXPECT_EQ(quorl::checkedPen(1), 1);
    EXPECT_EQ(quorl::checkedPen(2), 2);
    for (int pen : {3, 0, -1}) {
        try {
            quorl::checkedPen(pen);
            ADD_FAILURE() << "pen " << pen << " accepted";
        } catch (const quorl::io::Stop& stop) {
            EXPECT_EQ(stop.message(), "Huge problem!");
            EXPECT_NE(stop.status(), 0);
        }
    }

    // A table whose "A" has a pen 3 as its second point: the first point is
    // sent, then the run stops.
    std::array<std::int16_t, quorl::kCharLocSize> charloc{};
    charloc['A'] = 1;
    const std::int16_t pointloc[] = {0, 'A', 2, 1, -20, -30, 3, 0, 30};
    const quorl::FontTable damaged(charloc, pointloc);
    Layout l;
    EXPECT_THROW(l.run("A", q3(0, 0, 0), q3(0, 0, 0), 0, damaged), quorl::io::Stop);
    EXPECT_EQ(l.pts.size(), 1u);
}

// The label writer itself sends its points to the drawing writer: the "A"
// lands in the point list with its colour, moves at stroke starts.
TEST(AlphaJs, SendsItsStrokesToTheDrawingWriter) {
    quorl::testing::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    s.JPU3D = 13;
    quorl::ALPHAJS(s, quorl::Text<80>("A"), q3(100, 200, 300), q3(0, 0, 0), quorl::fromDouble(60.0), 7, 1.0f, 0);
    TLREC end;
    end.IC = -1;
    quorl::DRAW3DJTL(s, end, 0);
    std::string want = "        5\n";
    for (const auto& p : letterA(0, 0, 100, 200, 300)) {
        want += quorl::io::format("(i2,1x,f5.1,3e18.9)", p[0] == 0 ? 0 : 7, 1.0f, quorl::fromDouble(p[1]),
                                  quorl::fromDouble(p[2]), quorl::fromDouble(p[3]));
    }
    EXPECT_EQ(quorl::testing::TempDir::readFile(quorl::JTLFILENAME), want + "Run: " + s.runIdentity + "\n");
}

}  // namespace
