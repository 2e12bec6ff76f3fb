// LineFile: lines of every length around the read buffer's size come back
// whole, with "\n" or "\r\n" ends, a byte-order mark skipped only at the
// start, the last line without an end; a long line is held in a string of
// its own length, not of a grown capacity.
#include "io/line_file.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.hpp"

using quorl::io::LineFile;
using quorl::testing::TempDir;

namespace {

std::vector<std::string> readAll(const std::string& name) {
    LineFile::Refusal why = LineFile::Refusal::None;
    auto f = LineFile::open(name, why);
    EXPECT_NE(f, nullptr);
    std::vector<std::string> lines;
    if (f == nullptr) {
        return lines;
    }
    while (auto line = f->readLine()) {
        if (line->size() > 65536) {
            EXPECT_LE(line->capacity(), line->size() + 16) << line->size();
        }
        lines.push_back(std::move(*line));
    }
    return lines;
}

TEST(LineFile, LinesOfEveryLengthComeBackWhole) {
    TempDir dir;
    std::vector<std::string> want;
    std::string text = "\xEF\xBB\xBF";
    int n = 0;
    for (const std::size_t length : {0u, 1u, 65534u, 65535u, 65536u, 65537u, 131073u, 300000u, 2u}) {
        std::string line(length, static_cast<char>('a' + n % 26));
        if (length > 0) {
            line.front() = '<';
            line.back() = '>';
        }
        text += line + (n % 2 == 0 ? "\n" : "\r\n");
        want.push_back(line);
        ++n;
    }
    text += "\xEF\xBB\xBF" "last, no end";
    want.push_back("\xEF\xBB\xBF" "last, no end");  // a mark inside the file is text
    TempDir::writeFile("lines.txt", text);
    EXPECT_EQ(readAll("lines.txt"), want);

    TempDir::writeFile("empty.txt", "");
    EXPECT_TRUE(readAll("empty.txt").empty());
    TempDir::writeFile("one.txt", "\n");
    EXPECT_EQ(readAll("one.txt"), std::vector<std::string>{""});
}

TEST(LineFile, OnlyARegularFileIsOpened) {
    TempDir dir;
    LineFile::Refusal why = LineFile::Refusal::None;
    EXPECT_EQ(LineFile::open("missing.txt", why), nullptr);
    EXPECT_EQ(why, LineFile::Refusal::Missing);
    EXPECT_FALSE(LineFile::present("missing.txt"));
    EXPECT_EQ(LineFile::open(".", why), nullptr);
    EXPECT_EQ(why, LineFile::Refusal::NotAFile);
    EXPECT_TRUE(LineFile::present("."));
}

}  // namespace
