// The text-table reader: what it takes as fields, header and rows, that its
// numbers are the exact nearest quad reals, and that every bad input stops
// with status 9 and a message naming the file, the line and the column.
#include "io/table_reader.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "io/stop.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::io::TableReader;
using quorl::testing::TempDir;

struct Row {
    std::int64_t line;
    std::vector<std::string> fields;
    bool operator==(const Row&) const = default;
};

std::vector<Row> allRows(TableReader& t) {
    std::vector<Row> rows;
    while (t.next()) {
        Row r{t.line(), {}};
        for (int c = 1; c <= t.columns(); ++c) {
            r.fields.emplace_back(t.field(c));
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

TEST(TableReader, FieldsHeaderAndRows) {
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> header;
        std::vector<Row> rows;
    } cases[] = {
        {"blanks and tabs", "1 2\t3\n  4   5 6  \n", {}, {{1, {"1", "2", "3"}}, {2, {"4", "5", "6"}}}},
        {"commas with and without blanks", "x, y ,z\n1,2 , 3\n", {"x", "y", "z"}, {{2, {"1", "2", "3"}}}},
        {"comments and blank lines", "# title\n\n  # indented\nt y # names\n1 2 # first\n\n3 4#x\n", {"t", "y"},
         {{5, {"1", "2"}}, {7, {"3", "4"}}}},
        {"byte-order mark and CR-LF", "\xEF\xBB\xBF" "a,b\r\n1,2\r\n\r\n3,4\r\n", {"a", "b"},
         {{2, {"1", "2"}}, {4, {"3", "4"}}}},
        {"quoted names", "\"time (s)\", \"a,b\" \"#n\",\"say \"\"hi\"\"\"\n1,2,3,4\n",
         {"time (s)", "a,b", "#n", "say \"hi\""}, {{2, {"1", "2", "3", "4"}}}},
        {"one name makes a header", "1 x\n2 3\n", {"1", "x"}, {{2, {"2", "3"}}}},
        {"every number form is data", "1e3 -2.5D-1 +.5 7.\n", {}, {{1, {"1e3", "-2.5D-1", "+.5", "7."}}}},
        {"text fields in data rows", "n,label\n1,abc\n", {"n", "label"}, {{2, {"1", "abc"}}}},
        {"no newline at the end", "1 2\n3 4", {}, {{1, {"1", "2"}}, {2, {"3", "4"}}}},
        {"nothing but comments", "# a\n\n#b\n", {}, {}},
        {"header only", "a b\n", {"a", "b"}, {}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", c.text);
        TableReader t("t.txt");
        EXPECT_EQ(t.header(), c.header) << c.what;
        EXPECT_EQ(allRows(t), c.rows) << c.what;
        EXPECT_EQ(t.rows(), static_cast<std::int64_t>(c.rows.size())) << c.what;
    }
}

TEST(TableReader, NumbersAreTheNearestQuadOfTheirText) {
    const std::vector<std::string> texts = {
        "0.1",
        "3.14159265358979323846264338327950288",
        "-1.000000000000000000000000000000001e-300",
        "2.200000001D0",
        "123456789012345678901234567890123",
        "4.9406564584124654e-324",
    };
    TempDir dir;
    std::string line;
    for (const std::string& t : texts) {
        line += t + ", ";
    }
    line.resize(line.size() - 2);
    TempDir::writeFile("t.txt", line + "\n");
    TableReader t("t.txt");
    ASSERT_TRUE(t.next());
    for (std::size_t c = 0; c < texts.size(); ++c) {
        const quorl::Quad got = t.number(static_cast<int>(c + 1));
        const quorl::Quad want = quorl::quadFromText(texts[c]);
        EXPECT_EQ(got.hi, want.hi) << texts[c];
        EXPECT_EQ(got.lo, want.lo) << texts[c];
    }
}

// Reads every row and every field as a number; returns the stop's message.
std::string stopOf(const std::string& file) {
    try {
        TableReader t(file);
        while (t.next()) {
            for (int c = 1; c <= t.columns(); ++c) {
                (void)t.number(c);
            }
        }
    } catch (const quorl::io::Stop& stop) {
        EXPECT_EQ(stop.status(), quorl::io::kDataTableStatus) << stop.message();
        return stop.message();
    }
    return "no stop";
}

TEST(TableReader, BadInputStopsNamingFileLineAndColumn) {
    const struct {
        std::string text;
        std::string where;  // the part of the message that names the place
        std::string what;
    } cases[] = {
        {",1,2\n", "t.txt, line 1, column 1:", "empty field"},
        {"1 2\n1,,2\n", "t.txt, line 2, column 2:", "empty field"},
        {"a,b,c\n1,2,\n", "t.txt, line 2, column 3 (c):", "empty field"},
        {"a b\n1 2\n3\n", "t.txt, line 3, column 2 (b):", "missing: the row has 1 field where the table has 2"},
        {"1 2\n\n3 4 5\n", "t.txt, line 3, column 3:", "one field too many"},
        {"# c\na b\n1 x\n", "t.txt, line 3, column 2 (b):", "\"x\" is not a number"},
        {"1 2\n3 1.2.3\n", "t.txt, line 2, column 2:", "\"1.2.3\" is not a number"},
        {"x\n1e400\n", "t.txt, line 2, column 1 (x):", "beyond the range of a quad real"},
        {"\"a b\n", "t.txt, line 1, column 1:", "the quote is not closed"},
        {"a \"b\"c\n", "t.txt, line 1, column 2:", "text after the closing quote"},
        {"x\n" + std::string(100, '9') + "z\n", "t.txt, line 2, column 1 (x):", "99999...\" is not a number"},
        {std::string("\xFF\xFEx\0y\0", 6), "t.txt:", "UTF-16"},
        {std::string("x y\n1 \0\n", 9), "t.txt, line 2:", "NUL byte: it is not a text file"},
        {"x\n" + std::string(quorl::io::kMaxLineLength + 1, '1'), "t.txt, line 2:", "longer than 1048576 characters"},
        // Refused at the first field too many, however long the row.
        {"a b\n1 2 " + std::string(quorl::io::kMaxLineLength - 10, '3'), "t.txt, line 2, column 3:",
         "one field too many: the table has 2 fields per row (as on line 1)"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", c.text);
        const std::string m = stopOf("t.txt");
        EXPECT_NE(m.find("Quorl: data table " + c.where), std::string::npos) << m;
        EXPECT_NE(m.find(c.what), std::string::npos) << m;
    }
}

TEST(TableReader, FilesThatCannotBeReadStop) {
    TempDir dir;
    std::filesystem::create_directory("adir");
    EXPECT_EQ(stopOf("none.txt"), "Quorl: data table none.txt: no such file.");
    EXPECT_EQ(stopOf("adir"), "Quorl: data table adir: is a directory, not a file.");
    // Neither a FIFO (which would block) nor a device (which may never end).
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    for (const char* name : {"fifo", "/dev/zero"}) {
        EXPECT_NE(stopOf(name).find(": is not a regular file"), std::string::npos) << name;
    }
    if (geteuid() != 0) {  // root reads any file
        TempDir::writeFile("locked.txt", "1\n");
        std::filesystem::permissions("locked.txt", std::filesystem::perms::none);
        EXPECT_EQ(stopOf("locked.txt"), "Quorl: data table locked.txt: cannot be read: Permission denied.");
    }
}

}  // namespace
