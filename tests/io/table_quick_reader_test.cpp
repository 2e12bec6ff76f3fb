// The quick table reader against the checked one: where it reads a table it
// reads the same rows and the same numbers, bit for bit, in one part or cut
// at any line; where the checked reader stops, it gives up.
#include "io/table_quick_reader.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "io/stop.hpp"
#include "io/table_reader.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::io::QuickTableReader;
using quorl::io::TableReader;
using quorl::testing::TempDir;

// Every row's numbers of `wanted` as bits, or empty when the checked reader
// stops; `skip` receives the lines before the first data row.
std::vector<std::uint64_t> checkedRows(const std::vector<int>& wanted, std::int64_t& skip, int& columns) {
    std::vector<std::uint64_t> bits;
    try {
        TableReader t("t.txt");
        columns = t.columns();
        skip = t.firstRowLine() - (t.header().empty() ? 1 : 0);
        while (t.next()) {
            for (const int c : wanted) {
                const Quad q = t.number(c);
                bits.push_back(std::bit_cast<std::uint64_t>(q.hi));
                bits.push_back(std::bit_cast<std::uint64_t>(q.lo));
            }
        }
    } catch (const quorl::io::Stop&) {
        bits.clear();
    }
    return bits;
}

// The same by the quick reader over parts cut at `cuts` (line starts);
// empty when it gives up.
std::vector<std::uint64_t> quickRows(const std::vector<int>& wanted, std::int64_t skip, int columns,
                                     std::vector<std::uint64_t> cuts) {
    std::vector<std::uint64_t> bits;
    QuickTableReader r("t.txt", columns, wanted);
    cuts.insert(cuts.begin(), 0);
    cuts.push_back(UINT64_MAX);
    std::vector<Quad> v(wanted.size());
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        r.start(cuts[k], cuts[k + 1], k == 0 ? skip : 0);
        while (r.next(v.data())) {
            for (const Quad& q : v) {
                bits.push_back(std::bit_cast<std::uint64_t>(q.hi));
                bits.push_back(std::bit_cast<std::uint64_t>(q.lo));
            }
        }
        if (r.gaveUp()) {
            return {};
        }
    }
    return bits;
}

TEST(QuickTableReader, ReadsWhatTheCheckedReaderReadsAndGivesUpWhereItStops) {
    const struct {
        std::string text;
        std::vector<int> wanted;
        bool read;  // the quick reader takes it (else it gives up)
    } cases[] = {
        {"x y\n1 2\n3.5 -4e-3\n", {1, 2}, true},
        {"\xEF\xBB\xBF" "1 2\n3 4", {2, 1}, true},  // a byte-order mark, no final line end
        {"# c\n\n x , y # n\r\n 1,2\r\n\t3 ,\t4 # 5 6\r\n\n", {1, 2}, true},
        {"\"a b\" \"c,#\"\n\"1\" 2\nlabel 0.1234567890123456789\n", {2}, true},
        {"a b\n\"x\"\"y\" 2\n", {2}, true},  // "" inside a column not read
        {"a b\n1 2 3\n", {1}, false},         // one field too many
        {"a b\n1\n", {1}, false},             // missing
        {"a b\n1,,2\n", {1}, false},          // empty field
        {"a b\n,1 2\n", {1}, false},
        {"a b\n1, # c\n", {1}, false},
        {"a b\n\"1 2\n", {1}, false},         // unclosed quote
        {"a b\n\"1\"x 2\n", {2}, false},      // text after the quote
        {"a b\n1 x\n", {2}, false},           // not a number
        {"a b\n1 1e400\n", {2}, false},       // beyond the range
        {std::string("a b\n1 2\n3 4 # \0\n", 16), {1}, false},
        {std::string("a b\n1 2\0\n", 9), {1}, false},
        {"a b\n1 2\n" + std::string(300000, ' ') + "3 4\n", {1}, false},  // a line longer than a block
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", c.text);
        std::int64_t skip = 0;
        int columns = 0;
        const std::vector<std::uint64_t> want = checkedRows(c.wanted, skip, columns);
        const std::vector<std::uint64_t> got = quickRows(c.wanted, skip, columns, {});
        EXPECT_EQ(!got.empty(), c.read) << c.text.substr(0, 60);
        if (!got.empty()) {
            EXPECT_EQ(got, want) << c.text.substr(0, 60);
        }
    }
}

TEST(QuickTableReader, ReadsTheSameRowsInPartsCutAtAnyLine) {
    TempDir dir;
    std::string text = "# head\n\"t\" y,s\n";
    for (int i = 0; i < 60; ++i) {
        text += std::to_string(i * 0.37) + (i % 4 == 0 ? " , " : "\t") + "0.1" + std::to_string(i) + "e-30 " +
                (i % 3 == 0 ? "\"7\"" : "1.25") + (i % 5 == 0 ? " # n\r\n\n" : "\n");
    }
    TempDir::writeFile("t.txt", text);
    std::int64_t skip = 0;
    int columns = 0;
    const std::vector<std::uint64_t> want = checkedRows({3, 1, 2}, skip, columns);
    ASSERT_EQ(want.size(), 60U * 6);
    for (std::size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1) {
        const std::size_t next = text.find('\n', at + 1) + 1;
        if (at > text.find("t\"")) {
            EXPECT_EQ(quickRows({3, 1, 2}, skip, columns, {at, next}), want) << at;
        }
    }
}

}  // namespace
