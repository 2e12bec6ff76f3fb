// The command quorl-view on good and bad files: the page it makes from
// either drawing file of a run equals the run's own page; a file that is
// not a drawing is refused with its name and line and a failure status.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "support/three_point_drawing.hpp"
#include "vis/view_page.hpp"

namespace {

using quorl::testing::TempDir;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result quorlView(const std::string& args) {
    const std::string cmd = std::string("'") + QUORL_VIEW_PROGRAM + "' " + args + " > out.txt 2> err.txt";
    const int rc = std::system(cmd.c_str());
    return {WIFEXITED(rc) ? WEXITSTATUS(rc) : 128, TempDir::readFile("out.txt"), TempDir::readFile("err.txt")};
}

TEST(QuorlViewTest, PageFromEitherDrawingFileEqualsTheRunsOwn) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=2 /\n");
    ASSERT_EQ(quorl::testing::runSample(), 0) << TempDir::readFile("console.txt");
    const std::string own = TempDir::readFile(quorl::VIEWPAGEFILENAME);
    ASSERT_GT(own.size(), 100000u);
    std::filesystem::create_directory("later");
    for (const char* file : {"Quorl-3dJTL.txt", "Quorl-3dDraw.3dv"}) {
        SCOPED_TRACE(file);
        std::filesystem::copy_file(file, std::string("later/") + file);
        const Result r = quorlView(std::string("later/") + file);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("wrote later/Quorl-3dView.html"), std::string::npos) << r.out;
        EXPECT_TRUE(TempDir::readFile("later/Quorl-3dView.html") == own);
        std::filesystem::remove_all("later");
        std::filesystem::create_directory("later");
    }
}

TEST(QuorlViewTest, GoodFiles) {
    TempDir dir;
    TempDir::writeFile("three.txt", quorl::testing::threePointList());
    TempDir::writeFile("three.3dv",
                       "        3\n   0.0E+00   0.0E+00   0.0E+00\n   0.2E+01   0.0E+00   0.5E+00\n"
                       "   0.2E+01   0.1E+01  -0.1E+01\n        3\n        1  0\n        2 12\n        3 10\n");
    // A closed drawing without points, in either form; CRLF line ends.
    TempDir::writeFile("none.txt", "        0\r\n");
    TempDir::writeFile("none.3dv", "        0\n        0\n");
    struct Case {
        const char* args;
        const char* output;
        const char* expect;  // a piece of the output file
    };
    const Case cases[] = {
        {"three.txt", "Quorl-3dView.html", "\"count\": 3,"},
        {"three.3dv -o page.html", "page.html", "\"count\": 3,"},
        {"none.txt -o none.html", "none.html", "\"count\": 0,"},
        {"none.3dv -o none2.html", "none2.html", "\"count\": 0,"},
        {"--svg --view top --size 640x480 three.txt", "Quorl-3dView.svg", "viewBox=\"0 0 640 480\""},
        {"three.3dv --svg --zup -o face.svg", "face.svg", "viewBox=\"0 0 1200 800\""},
        // The SVG for papers is white with a legend; --dark keeps the screen's look.
        {"--svg three.txt -o paper.svg", "paper.svg", "<text x=\"848.00\" y=\"24.00\" font-weight=\"bold\""},
        {"--svg --dark --no-legend --hide 10 three.txt -o dark.svg", "dark.svg", "fill=\"#000000\"/>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const Result r = quorlView(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(TempDir::readFile(c.output).find(c.expect), std::string::npos) << TempDir::readFile(c.output);
    }
    const Result toStdout = quorlView("--svg three.txt -o -");
    EXPECT_EQ(toStdout.out.substr(0, 5), "<?xml");
    EXPECT_EQ(quorlView("--help").status, 0);
    const Result version = quorlView("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quorl-view: Quorl.Exe, version:", 0), 0u) << version.out;
}

// What is no text file at all stops at once, before the rest is read, and
// any fault is told in one short line, whatever the size of the input.
TEST(QuorlViewTest, WhatIsNoTextFileStopsAtOnceWithAShortMessage) {
    TempDir dir;
    ASSERT_EQ(::mkfifo("fifo", 0600), 0);
    TempDir::writeFile("long.txt", "        1\n" + std::string(20 << 20, '1') + "\n");
    TempDir::writeFile("binary.3dv", std::string("        1\n\0\x01\x02\n", 14));
    TempDir::writeFile("wide.txt", "        1\n 1 1.0 1 2 " + std::string(1000, '9') + "x\n");
    const std::pair<const char*, std::string> cases[] = {
        {"fifo", "fifo: not a regular file (a FIFO)"},
        {"/dev/zero", "/dev/zero: not a regular file (a device)"},
        {"long.txt", "long.txt:2:1025: a line longer than 1024 characters"},
        {"binary.3dv", "binary.3dv:2:1: a byte 0x00 that no text holds"},
        {"wide.txt", "wide.txt:2:12: coordinate '" + std::string(40, '9') + "'... (1001 characters) is not"},
    };
    for (const auto& [file, message] : cases) {
        SCOPED_TRACE(file);
        const Result r = quorlView(std::string(file) + " -o page.html");
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("quorl-view: ") + message), std::string::npos) << r.err.substr(0, 300);
        EXPECT_LT(r.err.size(), 200u);
        EXPECT_FALSE(TempDir::exists("page.html"));
    }
}

TEST(QuorlViewTest, BadFilesAreRefusedWithTheirLine) {
    TempDir dir;
    const std::string point = " 9   1.0   0.100000000E+01   0.200000000E+01  -0.300000000E+01\n";
    struct Case {
        const char* name;
        std::string text;
        const char* message;  // what stderr must hold
    };
    const Case cases[] = {
        {"empty.txt", "", "empty.txt:1:1: empty file"},
        {"prose.txt", "Dear reader,\nthis is a letter.\n", "prose.txt:1:1: expected the point count"},
        {"results.json", "{\"status\": \"ended\"}\n", "results.json:1:1: expected the point count"},
        {"more.txt", "        1\n" + point + point, "more.txt:1:1: the count says 1 point, but the file has 2 point lines"},
        {"fewer.txt", "        3\n" + point + point, "fewer.txt:1:1: the count says 3 points, but the file has 2 point lines"},
        {"open.txt", "        0\n" + point, "open.txt:1:1: the count says 0 points, but the file has 1 point line (a drawing that was never closed?)"},
        {"nolines.txt", "        2\n", "nolines.txt:1:1: the count says 2 points, but no point lines follow"},
        {"short.txt", "        2\n" + point + " 9   1.0   0.1E+01   0.2E+01\n", "short.txt:3:1: malformed point line"},
        {"word.txt", "        2\n" + point + " 9   1.0   0.1E+01   abc   0.3E+01\n", "word.txt:3:22: coordinate 'abc'"},
        {"code.txt", "        1\n16   1.0   0.1E+01   0.2E+01   0.3E+01\n", "code.txt:2:1: colour code 16 is outside 0 to 15"},
        {"width.txt", "        1\n 1   x.0   0.1E+01   0.2E+01   0.3E+01\n", "width.txt:2:6: line width 'x.0'"},
        {"mixed.txt", "        1\n 1 2\n", "mixed.txt:2:1: neither a point line"},
        {"count2.3dv", "        1\n 1 2 3\n        2\n        1  9\n", "count2.3dv:3:1: the second count (2) disagrees"},
        {"coords.3dv", "        2\n 1 2 3\n        2\n        1  9\n        2  9\n",
         "coords.3dv:1:1: the count says 2 points, but the file has 1 coordinate line"},
        {"codes.3dv", "        2\n 1 2 3\n 4 5 6\n        2\n        1  9\n", "codes.3dv:5:1: expected 2 colour lines"},
        {"number.3dv", "        2\n 1 2 3\n 4 5 6\n        2\n        1  9\n        3  9\n",
         "number.3dv:6:9: point number 3 where 2 was expected"},
        {"cut.3dv", "        1\n 1 2 3\n", "cut.3dv:3:1: the file ends before the second point count"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::writeFile(c.name, c.text);
        const Result r = quorlView(c.name);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(std::string("quorl-view: ") + c.message), std::string::npos) << r.err;
        EXPECT_FALSE(TempDir::exists("Quorl-3dView.html"));
    }
    const Result missing = quorlView("nowhere/Quorl-3dDraw.3dv");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nowhere/Quorl-3dDraw.3dv: cannot open"), std::string::npos) << missing.err;
    // An output that cannot be written: a failure, and no page.
    TempDir::writeFile("three.txt", quorl::testing::threePointList());
    const Result unwritable = quorlView("three.txt -o nowhere/page.html");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("cannot write nowhere/page.html"), std::string::npos) << unwritable.err;
    // Command-line faults: status 2 with the usage.
    for (const char* args : {"", "three.txt other.txt", "--view sideways three.txt", "--size 10 three.txt",
                             "--azimuth east three.txt", "--bogus three.txt", "three.txt -o", "--hide 16 three.txt",
                             "--hide 7,,9 three.txt"}) {
        SCOPED_TRACE(args);
        const Result r = quorlView(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("usage: quorl-view"), std::string::npos) << r.err;
    }
}

}  // namespace
