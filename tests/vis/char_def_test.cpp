#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "io/stop.hpp"
#include "vis/char_def.hpp"

namespace {

using quorl::CHARDEF;
using quorl::FontTable;

struct Point {
    int pen, x, y;
    bool operator==(const Point&) const = default;
};

std::vector<Point> glyph(int code) {
    const FontTable& f = CHARDEF();
    const int j1 = f.CHARLOC(code);
    std::vector<Point> pts;
    for (int k = 0; k < f.POINTLOC(j1 + 2); ++k) {
        const int j = j1 + 3 + 3 * k;
        pts.push_back({f.POINTLOC(j), f.POINTLOC(j + 1), f.POINTLOC(j + 2)});
    }
    return pts;
}

std::set<int> expectedCoverage() {
    std::set<int> codes;
    auto add = [&](int lo, int hi) {
        for (int c = lo; c <= hi; ++c) codes.insert(c);
    };
    add(7, 13);
    add(27, 27);
    add(32, 127);
    for (int c : {149, 153, 169, 174, 176, 177, 221, 238, 239}) codes.insert(c);
    add(192, 217);
    add(224, 228);
    return codes;
}

TEST(CharDef, CoversExactlyTheListedCodes) {
    std::set<int> present;
    for (int c = 0; c < quorl::kCharLocSize; ++c) {
        if (CHARDEF().CHARLOC(c) != 0) present.insert(c);
    }
    EXPECT_EQ(present, expectedCoverage());
    EXPECT_EQ(present.size(), 144u);
}

// Walks POINTLOC record by record: every record sits where CHARLOC says,
// the records follow in code order and fill the table to its last element.
TEST(CharDef, RecordsFollowEachOtherAndFillTheTable) {
    const FontTable& f = CHARDEF();
    ASSERT_EQ(f.pointlocSize(), quorl::kPointLocSize);
    int j = 1, records = 0, points = 0, previous = -1;
    while (j <= f.pointlocSize()) {
        ASSERT_EQ(f.POINTLOC(j), 0) << "record start " << j;
        const int code = f.POINTLOC(j + 1);
        const int n = f.POINTLOC(j + 2);
        EXPECT_GT(code, previous);
        EXPECT_EQ(f.CHARLOC(code), j) << "code " << code;
        EXPECT_GE(n, 0);
        previous = code;
        ++records;
        points += n;
        j += 3 + 3 * n;
    }
    EXPECT_EQ(j, f.pointlocSize() + 1);
    EXPECT_EQ(records, 144);
    EXPECT_EQ(points, 1589);
}

TEST(CharDef, StrokesStartWithAMoveAndStayOnTheGrid) {
    for (int code : expectedCoverage()) {
        const std::vector<Point> pts = glyph(code);
        for (std::size_t k = 0; k < pts.size(); ++k) {
            SCOPED_TRACE("code " + std::to_string(code) + " point " + std::to_string(k + 1));
            const Point& p = pts[k];
            ASSERT_TRUE(p.pen == 1 || p.pen == 2);
            if (k == 0) {
                EXPECT_EQ(p.pen, 1);
            }
            // A move must be followed by a line: a lone moved-to point draws nothing.
            if (p.pen == 1) {
                EXPECT_TRUE(k + 1 < pts.size() && pts[k + 1].pen == 2);
            }
            EXPECT_GE(p.x, -30);
            EXPECT_LE(p.x, 30);
            EXPECT_GE(p.y, -45);
            EXPECT_LE(p.y, 30);
        }
        // Every glyph but the blank draws something.
        if (code != ' ') {
            EXPECT_FALSE(pts.empty()) << code;
        }
    }
}

TEST(CharDef, TellingRecords) {
    EXPECT_EQ(glyph('A'), (std::vector<Point>{{1, -20, -30}, {2, 0, 30}, {2, 20, -30}, {1, -12, -9}, {2, 12, -9}}));
    EXPECT_EQ(glyph('^'), (std::vector<Point>{{1, -16, 0}, {2, 0, 18}, {2, 16, 0}}));
    EXPECT_TRUE(glyph(' ').empty());
    EXPECT_EQ(CHARDEF().POINTLOC(CHARDEF().CHARLOC(' ') + 1), 32);

    // 224: a closed circle around a capital F (stem with top bar, middle bar).
    const std::vector<Point> f = glyph(224);
    ASSERT_EQ(f.size(), 24u);
    int strokes = 0;
    for (const Point& p : f) strokes += p.pen == 1;
    EXPECT_EQ(strokes, 3);
    EXPECT_EQ(f.front().x, f[18].x);
    EXPECT_EQ(f.front().y, f[18].y);
}

TEST(CharDef, AccessOutsideTheTablesStops) {
    EXPECT_THROW((void)CHARDEF().CHARLOC(256), quorl::io::Stop);
    EXPECT_THROW((void)CHARDEF().CHARLOC(-1), quorl::io::Stop);
    EXPECT_THROW((void)CHARDEF().POINTLOC(0), quorl::io::Stop);
    EXPECT_THROW((void)CHARDEF().POINTLOC(5200), quorl::io::Stop);
    EXPECT_EQ(CHARDEF().POINTLOC(1), 0);
}

// The checked-in table is what the generator writes today.
TEST(CharDef, TableIsTheGeneratorsOutput) {
    const std::string src = QUORL_SOURCE_DIR;
    const std::string out = std::string(QUORL_BINARY_DIR) + "/char_def_regenerated.cpp";
    const std::string cmd = "python3 " + src + "/vis/make_char_def.py > " + out + " 2>/dev/null";
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 not available";
    }
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto slurp = [](const std::string& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    };
    EXPECT_EQ(slurp(out), slurp(src + "/vis/char_def.cpp"));
    std::remove(out.c_str());
}

}  // namespace
