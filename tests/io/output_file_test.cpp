// io::OutputFile: whatever stands at a file's name (a link to a file
// elsewhere, a hard link, a link planted at a name a temporary file might
// take), writing never changes anything but the file's own name.
#include "io/output_file.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "io/stop.hpp"
#include "support/temp_dir.hpp"

namespace quorl::io {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

// One case per way something can stand at the name, for each mode: the
// file outside keeps its text, and the name ends up a file of its own with
// the new text (Append refuses a link with a message and changes nothing).
TEST(OutputFileTest, ALinkAtTheNameIsReplacedNeverWrittenThrough) {
    struct Plant {
        const char* what;
        void (*make)(const std::string& outside);
    };
    const Plant plants[] = {
        {"symbolic link", [](const std::string& outside) { fs::create_symlink(outside, "out.txt"); }},
        {"hard link", [](const std::string& outside) { fs::create_hard_link(outside, "out.txt"); }},
        {"dangling link", [](const std::string&) { fs::create_symlink("nowhere/at/all", "out.txt"); }},
    };
    for (const auto mode : {OutputFile::Mode::Whole, OutputFile::Mode::Fresh, OutputFile::Mode::Append}) {
        for (const Plant& p : plants) {
            SCOPED_TRACE(std::string(p.what) + " mode " + std::to_string(static_cast<int>(mode)));
            TempDir dir;
            const std::string outside = (dir.path() / "outside.txt").string();
            TempDir::writeFile(outside, "keep me\n");
            p.make(outside);
            try {
                auto f = OutputFile::open("out.txt", mode);
                f->write("new\n");
                f->commit();
                EXPECT_NE(mode, OutputFile::Mode::Append);
                EXPECT_FALSE(fs::is_symlink("out.txt"));
                EXPECT_EQ(TempDir::readFile("out.txt"), "new\n");
            } catch (const Stop& stop) {
                EXPECT_EQ(mode, OutputFile::Mode::Append) << stop.message();
                EXPECT_NE(stop.message().find("cannot write out.txt: "), std::string::npos);
            }
            EXPECT_EQ(TempDir::readFile(outside), "keep me\n");
            EXPECT_TRUE(TempDir::temporaries().empty());
        }
    }
}

// A Whole file takes its name only on commit; dropped before, it leaves the
// old file and no temporary. A failure names the file and the reason.
TEST(OutputFileTest, AWholeFileAppearsCompleteOrNotAtAll) {
    TempDir dir;
    TempDir::writeFile("out.txt", "old\n");
    {
        auto f = OutputFile::open("out.txt", OutputFile::Mode::Whole);
        f->write(std::string(200000, 'x'));
        f->finish();
        EXPECT_EQ(TempDir::readFile("out.txt"), "old\n");
        EXPECT_EQ(TempDir::readFile(f->writtenPath()).size(), 200000u);
    }
    EXPECT_EQ(TempDir::readFile("out.txt"), "old\n");
    EXPECT_TRUE(TempDir::temporaries().empty());

    try {
        OutputFile::open("no/such/dir/out.txt", OutputFile::Mode::Whole, 7);
        ADD_FAILURE() << "opened";
    } catch (const Stop& stop) {
        EXPECT_EQ(stop.status(), 7);
        EXPECT_EQ(stop.message(),
                  "cannot write no/such/dir/out.txt: cannot create a file in no/such/dir (No such file or directory)");
    }
}

}  // namespace
}  // namespace quorl::io
