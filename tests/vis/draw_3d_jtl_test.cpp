#include "vis/draw_3d_jtl.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "io/stop.hpp"
#include "quad/decimal.hpp"
#include "support/file_size_limit.hpp"
#include "support/temp_dir.hpp"

namespace quorl {
namespace {

using testing::TempDir;

TLREC point(int ic, float th, const char* x, const char* y, const char* z) {
    TLREC tl;
    tl.IC = ic;
    tl.TH = th;
    tl.XYZ(1) = quadFromText(x);
    tl.XYZ(2) = quadFromText(y);
    tl.XYZ(3) = quadFromText(z);
    return tl;
}

TLREC endRecord(int ic = -1) { return point(ic, 1.0f, "0", "0", "0"); }

// A run in a fresh directory whose console answers every pause.
struct DrawRun {
    TempDir dir;
    std::istringstream in{"\n\n\n"};
    std::ostringstream out;
    State s{in, out};

    explicit DrawRun(int jpu3d) { s.JPU3D = jpu3d; }

    // The run must halt: returns the console text; the stop has blank text
    // and a failure status.
    std::string halts(const TLREC& tl, int ip = 0) {
        try {
            DRAW3DJTL(s, tl, ip);
        } catch (const io::Stop& stop) {
            EXPECT_EQ(stop.message(), "");
            EXPECT_NE(stop.status(), 0);
            EXPECT_NE(out.str().find("^^ Error message from Draw3dJTL. Press enter to halt.\n"), std::string::npos)
                << out.str();
            return out.str();
        }
        ADD_FAILURE() << "DRAW3DJTL did not halt";
        return out.str();
    }
};

// The last line of both files: the run that drew them.
std::string runLine(const State& s) { return "Run: " + s.runIdentity + "\n"; }

bool sameTl(const TLREC& a, const TLREC& b) {
    return a.IC == b.IC && a.TH == b.TH && a.XYZ(1) == b.XYZ(1) && a.XYZ(2) == b.XYZ(2) && a.XYZ(3) == b.XYZ(3);
}

TEST(Draw3dJtlTest, ThreePointDrawingWritesBothFiles) {
    DrawRun r(13);
    DRAW3DJTL(r.s, point(0, 0.5f, "1", "-0.25", "3.14159265358979323846264338327950"), 0);
    DRAW3DJTL(r.s, point(5, 2.5f, "12345.6789012", "-1e-30", "0"), 0);
    DRAW3DJTL(r.s, point(16, 25.0f, "0.1", "2", "-987654321.5"), 0);
    // The last accepted point, clamped: IC 16 is drawn as 13, TH 25 as 20.
    EXPECT_TRUE(sameTl(r.s.TLPREV, point(13, 20.0f, "0.1", "2", "-987654321.5")));
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 3);
    // Still open: neither file has its name yet; the list is written aside.
    r.s.units.flush(13);
    EXPECT_FALSE(TempDir::exists(JTLFILENAME));
    EXPECT_FALSE(TempDir::exists(EXPORT3DVFILENAME));
    ASSERT_EQ(TempDir::temporaries().size(), 1u);
    EXPECT_EQ(TempDir::readFile(TempDir::temporaries()[0]).substr(0, 10), "        0\n");

    DRAW3DJTL(r.s, endRecord(-5), 0);  // any negative code ends the drawing
    EXPECT_EQ(TempDir::readFile(JTLFILENAME),
              "        3\n"
              " 0   1.0   0.100000000E+01  -0.250000000E+00   0.314159265E+01\n"
              " 5   2.5   0.123456789E+05  -0.100000000E-29   0.000000000E+00\n"
              "13  20.0   0.100000000E+00   0.200000000E+01  -0.987654322E+09\n" +
                  runLine(r.s));
    EXPECT_EQ(TempDir::readFile(EXPORT3DVFILENAME),
              "        3\n"
              "   0.100000000E+01  -0.250000000E+00   0.314159265E+01\n"
              "   0.123456789E+05  -0.100000000E-29   0.000000000E+00\n"
              "   0.100000000E+00   0.200000000E+01  -0.987654322E+09\n"
              "        3\n"
              "        1  0\n"
              "        2  5\n"
              "        3 13\n" +
                  runLine(r.s));
    EXPECT_TRUE(TempDir::temporaries().empty());
    EXPECT_EQ(r.s.draw3dJtl.INIT, 0);
    EXPECT_EQ(r.s.draw3dJtl.NPTOT2, 3);
    EXPECT_TRUE(r.s.draw3dJtl.TLR.empty());
    EXPECT_FALSE(r.s.units.isConnected(13));
    EXPECT_EQ(r.out.str(), "");  // IP = 0: no notes
}

TEST(Draw3dJtlTest, HeaderIsOverwrittenInPlaceForLargeCounts) {
    DrawRun r(20);
    for (int i = 0; i < 1234; ++i) {
        DRAW3DJTL(r.s, point(i % 16, 1.0f, "1", "2", "3"), 0);
    }
    DRAW3DJTL(r.s, endRecord(), 0);
    const std::string list = TempDir::readFile(JTLFILENAME);
    EXPECT_EQ(list.substr(0, 10), "     1234\n");
    EXPECT_EQ(list.size(), 10u + 1234u * 63u + runLine(r.s).size());  // the point lines kept their length
    const std::string drawing = TempDir::readFile(EXPORT3DVFILENAME);
    EXPECT_NE(drawing.find("\n     1234\n        1  0\n"), std::string::npos);
    EXPECT_TRUE(drawing.ends_with("     1234  1\n" + runLine(r.s)));
}

TEST(Draw3dJtlTest, InertAndIgnoringUnits) {
    for (const int jpu3d : {0, 5, 7, 8, 9, 21, 25}) {
        SCOPED_TRACE(jpu3d);
        DrawRun r(jpu3d);
        r.s.TLPREV = point(3, 4.0f, "9", "9", "9");
        for (int i = 0; i < 3; ++i) {
            DRAW3DJTL(r.s, point(1, 1.0f, "1", "2", "3"), 6);
        }
        DRAW3DJTL(r.s, endRecord(), 6);
        EXPECT_EQ(r.s.draw3dJtl.INIT, 0);
        EXPECT_EQ(r.s.draw3dJtl.NPTOT, 0);
        EXPECT_TRUE(sameTl(r.s.TLPREV, point(3, 4.0f, "9", "9", "9")));
        EXPECT_TRUE(std::filesystem::is_empty(r.dir.path()));
        EXPECT_EQ(r.out.str(), "");
    }
}

TEST(Draw3dJtlTest, CountingOnlyDrawing) {
    DrawRun r(6);
    DRAW3DJTL(r.s, point(1, 1.0f, "1", "1", "1"), 0);  // opens, not counted
    EXPECT_EQ(r.s.draw3dJtl.INIT, 6);
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 0);
    EXPECT_EQ(r.s.TLPREV.IC, 0);  // not updated by the opening call
    DRAW3DJTL(r.s, point(2, 1.0f, "2", "2", "2"), 0);
    DRAW3DJTL(r.s, point(99, 0.0f, "3", "3", "3"), 0);
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 2);
    EXPECT_TRUE(sameTl(r.s.TLPREV, point(13, 1.0f, "3", "3", "3")));
    // An end record closes nothing: the counting goes on.
    DRAW3DJTL(r.s, endRecord(), 0);
    DRAW3DJTL(r.s, point(4, 1.0f, "4", "4", "4"), 0);
    EXPECT_EQ(r.s.draw3dJtl.INIT, 6);
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 3);
    EXPECT_TRUE(std::filesystem::is_empty(r.dir.path()));
}

TEST(Draw3dJtlTest, EndRecordWithoutDrawingWritesEmptyDrawing) {
    DrawRun r(10);
    DRAW3DJTL(r.s, endRecord(), 0);
    EXPECT_EQ(TempDir::readFile(JTLFILENAME), "        0\n" + runLine(r.s));
    EXPECT_EQ(TempDir::readFile(EXPORT3DVFILENAME), "        0\n        0\n" + runLine(r.s));
    EXPECT_EQ(r.s.draw3dJtl.INIT, 0);
}

TEST(Draw3dJtlTest, NextDrawingReplacesBothFilesAndNotesGoToIp) {
    DrawRun r(13);
    for (int i = 0; i < 4; ++i) {
        DRAW3DJTL(r.s, point(1, 1.0f, "1", "1", "1"), 6);
    }
    DRAW3DJTL(r.s, endRecord(), 6);
    DRAW3DJTL(r.s, point(7, 3.0f, "-2", "0.5", "1e10"), 6);
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 1);
    // The new list is still open: the first drawing's files stay whole.
    EXPECT_EQ(TempDir::readFile(JTLFILENAME).substr(0, 10), "        4\n");
    DRAW3DJTL(r.s, endRecord(), 6);
    EXPECT_EQ(TempDir::readFile(JTLFILENAME),
              "        1\n 7   3.0  -0.200000000E+01   0.500000000E+00   0.100000000E+11\n" + runLine(r.s));
    EXPECT_EQ(TempDir::readFile(EXPORT3DVFILENAME),
              "        1\n  -0.200000000E+01   0.500000000E+00   0.100000000E+11\n        1\n        1  7\n" +
                  runLine(r.s));
    const std::string opened = " Draw3dJTL- opened:Quorl-3dJTL.txt\n";
    const std::string closed = " Draw3dJTL- closed:Quorl-3dDraw.3dv\n";
    EXPECT_EQ(r.out.str(), opened + closed + opened + closed);
}

TEST(Draw3dJtlTest, UnitChangedWhileDrawingIsOpenHalts) {
    DrawRun r(13);
    DRAW3DJTL(r.s, point(0, 1.0f, "1", "1", "1"), 0);
    r.s.JPU3D = 14;
    const std::string console = r.halts(point(1, 1.0f, "2", "2", "2"));
    EXPECT_NE(console.find("jpU3d's value changed: "), std::string::npos) << console;
    EXPECT_NE(console.find("14 /="), std::string::npos) << console;
    EXPECT_EQ(r.s.draw3dJtl.NPTOT, 1);  // the point was not taken
    EXPECT_EQ(r.in.tellg(), 1);         // the pause took one answer

    // The same for an end record, and for a counting drawing whose unit
    // becomes a file unit.
    DrawRun e(6);
    DRAW3DJTL(e.s, point(0, 1.0f, "1", "1", "1"), 0);
    e.s.JPU3D = 12;
    EXPECT_NE(e.halts(endRecord()).find("jpU3d's value changed: "), std::string::npos);
    EXPECT_FALSE(TempDir::exists(EXPORT3DVFILENAME));
}

// A file that cannot be put in place halts, and no file of the drawing
// takes its name: the previous picture stays whole.
TEST(Draw3dJtlTest, FilesThatCannotBeReplacedHaltAndLeaveThePreviousPicture) {
    for (const char* blocked : {JTLFILENAME, EXPORT3DVFILENAME}) {
        DrawRun r(13);
        const char* other = blocked == JTLFILENAME ? EXPORT3DVFILENAME : JTLFILENAME;
        std::filesystem::create_directory(blocked);
        TempDir::writeFile(other, "previous\n");
        DRAW3DJTL(r.s, point(0, 1.0f, "1", "1", "1"), 0);
        const std::string console = r.halts(endRecord());
        EXPECT_NE(console.find("Error replacing: "), std::string::npos) << console;
        EXPECT_NE(console.find(std::string(blocked) + ": a directory stands at its name"), std::string::npos)
            << console;
        EXPECT_EQ(TempDir::readFile(other), "previous\n");
        r.s.units.closeAll();  // the end of the run drops what waits
        EXPECT_TRUE(TempDir::temporaries().empty());
    }
}

TEST(Draw3dJtlTest, UnitHoldingAnotherFileIsNotTaken) {
    DrawRun r(11);
    r.s.units.openWrite(11, "Quorl-out.txt");
    r.s.units.put(11, "summary line\n");
    const std::string console = r.halts(point(0, 1.0f, "1", "1", "1"));
    EXPECT_NE(console.find("Error opening: Quorl-3dJTL.txt"), std::string::npos) << console;
    EXPECT_NE(console.find("unit 11 is in use for Quorl-out.txt"), std::string::npos) << console;
    EXPECT_EQ(r.s.units.fileName(11), "Quorl-out.txt");  // still connected, still ours to write
    EXPECT_FALSE(TempDir::exists(JTLFILENAME));
}

TEST(Draw3dJtlTest, DamagedPointLineIsAReadError) {
    DrawRun r(13);
    DRAW3DJTL(r.s, point(0, 1.0f, "1", "1", "1"), 0);
    DRAW3DJTL(r.s, point(2, 1.0f, "2", "2", "2"), 0);
    r.s.units.flush(13);
    {
        // Something else spoils the second point's colour code.
        ASSERT_EQ(TempDir::temporaries().size(), 1u);
        std::fstream f(TempDir::temporaries()[0], std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(10 + 63);
        f.put('x');
    }
    const std::string console = r.halts(endRecord());
    EXPECT_NE(console.find("Formatted read error. nP=:"), std::string::npos) << console;
    EXPECT_NE(console.find(" 2\n"), std::string::npos) << console;
    EXPECT_FALSE(TempDir::exists(EXPORT3DVFILENAME));
}

// A point list that cannot be written (a full disk): the failed write is
// reported with the system's reason, never a drawing from half a list.
TEST(Draw3dJtlTest, PointListThatCannotBeWrittenHalts) {
    DrawRun r(13);
    std::string console;
    {
        const testing::FileSizeLimit full(4096);
        for (int i = 0; i < 100000 && console.empty(); ++i) {
            try {
                DRAW3DJTL(r.s, point(1, 2.0f, "1", "2", "3"), 0);
            } catch (const io::Stop&) {
                console = r.out.str();
            }
        }
    }
    EXPECT_NE(console.find("Error writing TL. TL=           1   2.00000000    "), std::string::npos) << console;
    EXPECT_NE(console.find("File too large"), std::string::npos) << console;
    EXPECT_FALSE(TempDir::exists(JTLFILENAME));
    EXPECT_FALSE(TempDir::exists(EXPORT3DVFILENAME));
}

}  // namespace
}  // namespace quorl
