// Units scripted in-process: console streams are string streams, files go
// to a fresh temporary directory per test.
#include "io/units.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using quorl::io::OpenMode;
using quorl::io::Stop;
using quorl::io::Units;

namespace {

class UnitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("quorl_units_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static std::string slurp(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    fs::path dir_;
};

TEST_F(UnitsTest, OpenLineContinuesAndConsoleInputClosesIt) {
    std::istringstream in("42\n");
    std::ostringstream out;
    Units u(in, out);
    u.put(6, "Count? ");
    EXPECT_TRUE(u.lineOpen(6));
    u.put(6, "(1-99) ");
    EXPECT_EQ(out.str(), "Count? (1-99) ");
    EXPECT_EQ(u.readLine(5), "42");
    // The user's Enter ended the prompt's line: nothing is written for it.
    EXPECT_FALSE(u.lineOpen(6));
    u.put(6, "read\n");
    EXPECT_EQ(out.str(), "Count? (1-99) read\n");
    EXPECT_FALSE(u.lineOpen(6));
    EXPECT_EQ(u.readLine(5), std::nullopt);
}

TEST_F(UnitsTest, SilentUnitsWriteNothingAndFormatNothing) {
    std::istringstream in;
    std::ostringstream out;
    Units u(in, out);
    for (int unit : {-3, 0, 1, 4, 5}) {
        u.put(unit, "lost\n");
        u.write(unit, "(not a format", 1);
        EXPECT_FALSE(u.lineOpen(unit));
    }
    EXPECT_EQ(out.str(), "");
}

TEST_F(UnitsTest, FilesWrittenReplacedAppendedAndReadBack) {
    std::istringstream in;
    std::ostringstream out;
    Units u(in, out);
    const std::string f = path("result.txt");
    u.openWrite(11, f);
    EXPECT_TRUE(u.isConnected(11));
    EXPECT_EQ(u.fileName(11), f);
    u.put(11, "first\nsecond ");
    u.put(11, "continued");
    EXPECT_TRUE(u.lineOpen(11));
    u.close(11);  // ends the open line
    EXPECT_FALSE(u.isConnected(11));
    EXPECT_EQ(slurp(f), "first\nsecond continued\n");

    u.openWrite(11, f, OpenMode::Append);
    u.put(11, "third\n");
    u.close(11);
    EXPECT_EQ(slurp(f), "first\nsecond continued\nthird\n");

    u.openWrite(12, path("other.txt"));
    u.put(12, "x");
    u.openWrite(12, f);  // reconnecting closes the old file first
    u.put(12, "replaced\n");
    u.closeAll();
    EXPECT_EQ(slurp(path("other.txt")), "x\n");
    EXPECT_EQ(slurp(f), "replaced\n");

    std::ofstream(path("dos.txt"), std::ios::binary) << "a b\r\n\r\nlast";
    ASSERT_TRUE(Units::exists(path("dos.txt")));
    EXPECT_FALSE(Units::exists(path("missing.txt")));
    EXPECT_FALSE(Units::exists(dir_.string()));  // a directory is no file
    u.openRead(20, path("dos.txt"));
    EXPECT_EQ(u.readLine(20), "a b");
    EXPECT_EQ(u.readLine(20), "");
    EXPECT_EQ(u.readLine(20), "last");
    EXPECT_EQ(u.readLine(20), std::nullopt);
    EXPECT_EQ(u.readLine(20), std::nullopt);
}

TEST_F(UnitsTest, CloseAllAndTheDestructorEndOpenLines) {
    std::istringstream in;
    std::ostringstream out;
    {
        Units u(in, out);
        u.openWrite(8, path("a.txt"));
        u.put(8, "open");
        u.put(6, "progress ...");
        u.closeAll();
        EXPECT_FALSE(u.lineOpen(6));
        EXPECT_EQ(slurp(path("a.txt")), "open\n");
        u.openWrite(9, path("b.txt"));
        u.put(9, "left open");
        u.put(6, "again");
    }
    EXPECT_EQ(out.str(), "progress ...\nagain\n");
    EXPECT_EQ(slurp(path("b.txt")), "left open\n");
}

TEST_F(UnitsTest, UnconnectedUnitWritesToFortFileInCurrentDirectory) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    {
        std::istringstream in;
        std::ostringstream out;
        Units u(in, out);
        u.put(17, "default\n");
        EXPECT_TRUE(u.isConnected(17));
        EXPECT_EQ(u.fileName(17), "fort.17");
    }
    fs::current_path(before);
    EXPECT_EQ(slurp(path("fort.17")), "default\n");
}

// A unit's default file replaces an older file on its first use; once the
// run has written it, a write after a close appends instead of wiping it.
TEST_F(UnitsTest, DefaultFileReplacesOnFirstUseAndAppendsAfterAClose) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    {
        std::ofstream("summary.txt") << "an older run\n";
        std::ofstream("fort.18") << "an older run\n";
        std::istringstream in;
        std::ostringstream out;
        Units u(in, out);
        u.setDefaultFile(17, "summary.txt");
        u.put(17, "first\n");
        EXPECT_EQ(u.fileName(17), "summary.txt");
        u.close(17);
        u.put(17, "after the close\n");
        u.put(18, "eighteen\n");
        u.close(18);
        u.put(18, "again\n");
    }
    fs::current_path(before);
    EXPECT_EQ(slurp(path("summary.txt")), "first\nafter the close\n");
    EXPECT_EQ(slurp(path("fort.18")), "eighteen\nagain\n");
}

TEST_F(UnitsTest, MisuseStopsWithAMessageNamingUnitAndFile) {
    std::istringstream in;
    std::ostringstream out;
    Units u(in, out);
    auto message = [](auto&& action) {
        try {
            action();
        } catch (const Stop& s) {
            EXPECT_NE(s.status(), 0);
            return s.message();
        }
        return std::string("no stop");
    };
    EXPECT_NE(message([&] { u.openRead(10, path("none.cfg")); }).find("none.cfg"), std::string::npos);
    EXPECT_FALSE(u.isConnected(10));
    EXPECT_NE(message([&] { u.openWrite(10, path("no/such/dir/x.txt")); }).find("x.txt"), std::string::npos);
    EXPECT_NE(message([&] { u.openWrite(6, path("c.txt")); }).find("unit 6"), std::string::npos);
    EXPECT_NE(message([&] { u.readLine(30); }).find("unit 30"), std::string::npos);
    EXPECT_NE(message([&] { u.readLine(6); }).find("unit 6"), std::string::npos);

    std::ofstream(path("in.txt")) << "x\n";
    u.openRead(31, path("in.txt"));
    EXPECT_NE(message([&] { u.put(31, "y\n"); }).find("in.txt"), std::string::npos);
    u.openWrite(32, path("out.txt"));
    EXPECT_NE(message([&] { u.readLine(32); }).find("out.txt"), std::string::npos);
    EXPECT_NE(message([&] { u.write(6, "(i5"); }).find("bad format"), std::string::npos);
}

TEST_F(UnitsTest, ReportStopEndsTheRunAndReturnsTheStatus) {
    std::istringstream in;
    std::ostringstream out;
    Units u(in, out);
    u.openWrite(8, path("log.txt"));
    u.put(8, "partial");
    u.put(6, "Iterating ");
    EXPECT_EQ(quorl::io::reportStop(u, Stop("singular matrix", 3)), 3);
    EXPECT_EQ(out.str(), "Iterating \nsingular matrix\n");
    EXPECT_FALSE(u.isConnected(8));
    EXPECT_EQ(slurp(path("log.txt")), "partial\n");
    EXPECT_EQ(quorl::io::reportStop(u, Stop("", 0)), 0);
    EXPECT_EQ(out.str(), "Iterating \nsingular matrix\n");
}

}  // namespace
