// DataTable: the sizes, DATAE and names it gives a model from a text table,
// the point and weight of mode 3, the bad tables it refuses (status 9, the
// file, line and column named), a table changed between mode 0 and mode 1,
// the file named by CJUSERFILE, and whole runs of a model that uses it.
#include "engine/data_table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "io/stop.hpp"
#include "io/table_reader.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::DataTable;
using quorl::Quad;
using quorl::quadFromText;
using quorl::State;
using quorl::TableColumns;
using quorl::testing::TempDir;

bool same(Quad a, Quad b) { return a.hi == b.hi && a.lo == b.lo; }

// A State after declare (mode 0), allocation and load (mode 1).
void declareAndLoad(State& s, DataTable& table) {
    table.declare(s);
    s.KPTOT = 1;
    quorl::QUORLALLOCATEALL(s);
    table.load(s);
}

TEST(DataTable, FillsDataeNamesAndPoints) {
    const struct {
        const char* what;
        std::string text;
        TableColumns columns;
        int nxtot;
        std::vector<std::vector<std::string>> datae;  // per data point: rows 0 .. NXTOT+LZTOT
        std::vector<std::string> xnames, znames;      // XR(0:NXTOT), ZR(1:LZTOT)
    } cases[] = {
        {"by name, with id, sigma and an unused text column",
         "# decay\nid t y dy label\n7 0.5 2.25 0.1 a\n9 1.5 1.0000000000000000000000000000001 0.2 b\n",
         {.x = {"t"}, .y = {"y"}, .sigma = {"dy"}, .id = "id"},
         2,
         {{"7", "0.5", "0.1", "2.25"}, {"9", "1.5", "0.2", "1.0000000000000000000000000000001"}},
         {"id", "t", "dy"},
         {"y"}},
        {"by number, no header",
         "1 2 3\n4 5 6\n7 8 9\n",
         {.x = {"3", "1"}, .y = {"2"}},
         2,
         {{"1", "3", "1", "2"}, {"2", "6", "4", "5"}, {"3", "9", "7", "8"}},
         {"id", "x1", "x2"},
         {"y1"}},
        {"no x and no sigma: NXTOT 1, row 1 unused",
         "a,b\n1,2\n",
         {.y = {"b", "a"}},
         1,
         {{"1", "0", "2", "1"}},
         {"id", "", ""},
         {"b", "a"}},
        {"two y with their sigmas, no header",
         "1 10 0.5 20 0.25\n",
         {.x = {"1"}, .y = {"2", "4"}, .sigma = {"3", "5"}},
         3,
         {{"1", "1", "0.5", "0.25", "10", "20"}},
         {"id", "x1", "s1", "s2"},
         {"y1", "y2"}},
        {"a header name wins over a column number; long names cut whole",
         "2 \"aaaaaaaaaaaaaaa\xC3\xA9\" bbbbbbbbbbbbbbbbbbbb\n5 6 7\n",
         {.x = {"aaaaaaaaaaaaaaa\xC3\xA9", "3"}, .y = {"2"}},
         2,
         {{"1", "6", "7", "5"}},
         {"id", "aaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbb"},
         {"2"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", c.text);
        State s;
        DataTable table("t.txt", c.columns);
        declareAndLoad(s, table);
        const int ny = static_cast<int>(c.columns.y.size());
        ASSERT_EQ(s.MDTOT, static_cast<int>(c.datae.size())) << c.what;
        ASSERT_EQ(s.LZTOT, ny) << c.what;
        ASSERT_EQ(s.NXTOT, c.nxtot) << c.what;
        for (int md = 1; md <= s.MDTOT; ++md) {
            const auto& want = c.datae[static_cast<std::size_t>(md - 1)];
            for (int i = 0; i <= s.NXTOT + s.LZTOT; ++i) {
                EXPECT_TRUE(same(s.DATAE(i, md), quadFromText(want[static_cast<std::size_t>(i)])))
                    << c.what << " DATAE(" << i << "," << md << ")";
            }
        }
        for (int i = 0; i <= s.NXTOT; ++i) {
            EXPECT_EQ(s.XR(i).XNAME.trimmed(), c.xnames[static_cast<std::size_t>(i)]) << c.what;
        }
        for (int l = 1; l <= ny; ++l) {
            EXPECT_EQ(s.ZR(l).ZNAME.trimmed(), c.znames[static_cast<std::size_t>(l - 1)]) << c.what;
        }
        // Mode 3 of the last point: its column of DATAE, and 1/sigma as the
        // weight only where there are sigma columns.
        const Quad unset = quadFromText("-7");
        for (int l = 1; l <= ny; ++l) {
            s.ZR(l).WT = unset;
        }
        s.MD = s.MDTOT;
        table.point(s);
        for (int i = 0; i <= s.NXTOT; ++i) {
            EXPECT_TRUE(same(s.XR(i).XDATA, s.DATAE(i, s.MD))) << c.what;
        }
        const int nx = static_cast<int>(c.columns.x.size());
        for (int l = 1; l <= ny; ++l) {
            EXPECT_TRUE(same(s.ZR(l).ZDATA, s.DATAE(s.NXTOT + l, s.MD))) << c.what;
            const Quad wt = c.columns.sigma.empty() ? unset : quorl::fromInt(1) / s.DATAE(nx + l, s.MD);
            EXPECT_TRUE(same(s.ZR(l).WT, wt)) << c.what;
        }
    }
}

// Runs f; returns the stop's message after checking its status.
std::string stopOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const quorl::io::Stop& stop) {
        EXPECT_EQ(stop.status(), quorl::io::kDataTableStatus) << stop.message();
        return stop.message();
    }
    return "no stop";
}

TEST(DataTable, BadTablesStopInDeclare) {
    const TableColumns ty{.x = {"t"}, .y = {"y"}};
    const struct {
        std::string text;
        TableColumns columns;
        std::string message;  // a part of the message after "Quorl: data table t.txt"
    } cases[] = {
        {"t y\n1 2\n", {.x = {"t"}, .y = {"z"}},
         ", line 1: no column named \"z\" for the y 1 column (the header's names: t, y)"},
        {"# c\n1 2\n", {.y = {"3"}}, ", line 2: no column 3 for the y 1 column: the table has columns 1 to 2"},
        {"1 2\n", {.y = {"0"}}, ", line 1: no column 0"},
        {"1 2\n", ty, ", line 1: no column named \"t\" for the x 1 column: the table has no header line"},
        {"t t y\n1 2 3\n", ty, ", line 1: the header names two columns \"t\" (1 and 2)"},
        {"1 2\n", {.y = {"1"}, .id = "id"},
         ", line 1: no column named \"id\" for the id column: the table has no header line"},
        {"y s\n1 0.1\n2 0\n", {.y = {"y"}, .sigma = {"s"}},
         ", line 3, column 2 (s): the standard error \"0\" is not positive"},
        {"1 -1e-3\n", {.y = {"1"}, .sigma = {"2"}}, ", line 1, column 2: the standard error \"-1e-3\" is not positive"},
        {"t y\n1 2\n3 x\n", ty, ", line 3, column 2 (y): \"x\" is not a number"},
        {"t y\n1 2\n3\n", ty, ", line 3, column 2 (y): missing"},
        {"t y i\n1 2 ?\n", {.y = {"y"}, .id = "i"}, ", line 2, column 3 (i): \"?\" is not a number"},
        {"# nothing\n\n", ty, ": no data rows (the file is empty"},
        {"t y\n# no rows\n", ty, ": no data rows (2 lines, none of them a data row)"},
        {"1 2\n", {.x = {"1"}}, ": no y column given"},
        {"1 2 3\n", {.y = {"1", "2"}, .sigma = {"3"}}, ": 1 sigma columns for 2 y columns"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", c.text);
        State s;
        DataTable table("t.txt", c.columns);
        const std::string m = stopOf([&] { table.declare(s); });
        EXPECT_NE(m.find("Quorl: data table t.txt" + c.message), std::string::npos) << m;
    }
}

// The table is read once, in mode 0, into DATAE: a file changed after it
// does not change the run. A model that made DATAE anew has it read again,
// and that reading stops when the file changed.
TEST(DataTable, ATableChangedAfterDeclareStopsTheLoad) {
    const struct {
        std::string after;
        std::string message;
    } cases[] = {
        {"x y\n1 2\n3 4\n5 6\n", "line 4: a data row beyond the 2 counted in mode 0"},
        {"x y\n1 2\n", "the file ends after 1 data rows, where mode 0 counted 2"},
        {"x y\n1 2\n3 4.000000000000000000000000000001\n", "its values or names differ from those read in mode 0"},
        {"x Y\n1 2\n3 4\n", "no column named \"y\""},
        {"x y\n1 2\n3 0x4\n", "line 3, column 2 (y): \"0x4\" is not a number"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        TempDir::writeFile("t.txt", "x y\n1 2\n3 4\n");
        State s;
        DataTable table("t.txt", {.x = {"x"}, .y = {"y"}});
        table.declare(s);
        s.KPTOT = 1;
        quorl::QUORLALLOCATEALL(s);
        TempDir::writeFile("t.txt", c.after);
        table.load(s);
        EXPECT_TRUE(same(s.DATAE(2, 2), quorl::fromInt(4)) && s.ZR(1).ZNAME.trimmed() == "y") << c.after;
        s.DATAE.fill(Quad{});
        const std::string m = stopOf([&] { table.load(s); });
        EXPECT_NE(m.find(c.message), std::string::npos) << m;
    }
    // A load without the declare of the same table.
    TempDir dir;
    TempDir::writeFile("t.txt", "1 2\n");
    State s;
    EXPECT_NE(stopOf([&] { DataTable("t.txt", {.y = {"1"}}).load(s); }).find("before declare"), std::string::npos);
}

TEST(DataTable, TheFileNamedByCjuserfileAsTheConfigurationLeavesIt) {
    TempDir dir;
    TempDir::writeFile("default.txt", "1\n2\n");
    TempDir::writeFile("other.txt", "1\n2\n3\n");
    const TableColumns y{.y = {"1"}};
    {
        State s;
        s.CJUSERFILE = "default.txt";
        DataTable table(y);
        table.declare(s);
        EXPECT_EQ(table.file(), "default.txt");
        EXPECT_EQ(s.MDTOT, 2);
    }
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JPD=3, CJUSERFILE='other.txt' /\n");
    {
        std::ostringstream out;
        std::istringstream in;
        State s(in, out);
        s.CJUSERFILE = "default.txt";
        DataTable table(y);
        table.declare(s);
        EXPECT_EQ(table.file(), "other.txt");
        EXPECT_EQ(s.MDTOT, 3);
        EXPECT_EQ(s.JPD, 4);  // the run's own state is left to the driver's reading
        EXPECT_EQ(out.str(), "");
    }
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML CJUSERFILE=' ' /\n");
    State s;
    s.CJUSERFILE = "default.txt";
    EXPECT_NE(stopOf([&] { DataTable(y).declare(s); }).find("CJUSERFILE is blank"), std::string::npos);
}

// Z = P1 + P2 * X with weights 1/sigma, the table named by CJUSERFILE.
struct WeightedLine {
    DataTable table{{.x = {"x"}, .y = {"y"}, .sigma = {"s"}}};
    struct Final {
        Quad p1, p2;
        std::string zname;
    }* final = nullptr;  // what mode 6 finds
    void operator()(State& s, int mode) {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.JPU = 11;
            s.JPD = 4;
            s.JITERTOT = 12;
            s.CJUSERFILE = "line.txt";
            table.declare(s);
        } else if (mode == 1) {
            table.load(s);
        } else if (mode == 3) {
            table.point(s);
        } else if (mode == 4) {
            const Quad model = s.PR(1).P + s.PR(2).P * s.XR(1).XDATA;
            s.ZR(1).Z = (s.ZR(1).ZDATA - model) * s.ZR(1).WT;
        } else if (mode == 6 && final != nullptr) {
            *final = {s.PR(1).PBASE, s.PR(2).PBASE, std::string(s.ZR(1).ZNAME.trimmed())};
        }
    }
};

TEST(DataTable, WholeRunFitsWithTheWeights) {
    TempDir dir;
    TempDir::writeFile("line.txt", "x, y, s\n0, 1, 0.5\n1, 3, 1\n2, 4, 2\n3, 7, 0.25\n");
    // The weighted straight line in closed form.
    const double x[] = {0, 1, 2, 3}, y[] = {1, 3, 4, 7}, sg[] = {0.5, 1, 2, 0.25};
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < 4; ++i) {
        const double w = 1 / (sg[i] * sg[i]);
        sw += w, sx += w * x[i], sy += w * y[i], sxx += w * x[i] * x[i], sxy += w * x[i] * y[i];
    }
    const double b = (sw * sxy - sx * sy) / (sw * sxx - sx * sx);
    const double a = (sy - b * sx) / sw;
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    WeightedLine model;
    WeightedLine::Final final;
    model.final = &final;
    ASSERT_EQ(quorl::runQuorl(s, model), 0) << out.str();
    EXPECT_NEAR(final.p1.hi, a, 1e-13);
    EXPECT_NEAR(final.p2.hi, b, 1e-13);
    EXPECT_EQ(final.zname, "y");
    EXPECT_TRUE(TempDir::exists("Quorl-params.txt"));
}

TEST(DataTable, ABadTableStopsTheRunBeforeAnyFileIsWritten) {
    TempDir dir;
    TempDir::writeFile("line.txt", "x, y, s\n0, 1, 0.5\n1, 3, 0\n");
    TempDir::writeFile("Quorl-params.txt", "the previous run's values\n");
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    EXPECT_EQ(quorl::runQuorl(s, WeightedLine{}), quorl::io::kDataTableStatus);
    const std::string message =
        "Quorl: data table line.txt, line 3, column 3 (s): the standard error \"0\" is not positive (the weight is "
        "1/sigma).";
    EXPECT_NE(out.str().find(message), std::string::npos) << out.str();
    EXPECT_FALSE(TempDir::exists("Quorl-out.txt"));
    EXPECT_FALSE(TempDir::exists("Quorl-results.json"));
    EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), "the previous run's values\n");
    std::filesystem::remove("Quorl-params.txt");
    State s2(in, out);
    EXPECT_EQ(quorl::runQuorl(s2, WeightedLine{}), quorl::io::kDataTableStatus);
    EXPECT_FALSE(TempDir::exists("Quorl-params.txt"));
}

}  // namespace

// A table of some MiB is read in parts at once, one a thread: the same
// DATAE, bit for bit, as one reader's, and the same first fault with its
// line, wherever it lies.
TEST(DataTable, ReadInPartsAsOneReaderReadsIt) {
    std::string text = "\xEF\xBB\xBF# comment\n\"x, in s\"  y,sigma\n";
    for (int i = 0; i < 150000; ++i) {
        const std::string v = std::to_string(i * 1.2345678901234567e-3);
        text += (i % 97 == 0 ? "\n  # a comment line\r\n\t\n" : "");
        text += v + "  " + std::to_string(1.0 / (i + 1)) + "7," + (i % 3 == 0 ? "\"0.5\"" : "0.25e0") +
                (i % 5 == 0 ? " # note\r\n" : "\n");
    }
    auto read = [&](const std::string& table, int threads, State& s) {
        TempDir::writeFile("t.txt", table);
        s.JTHREADS = threads;
        DataTable t("t.txt", {.x = {"x, in s"}, .y = {"y"}, .sigma = {"sigma"}});
        return stopOf([&] { t.declare(s); });
    };
    TempDir dir;
    State one, many;
    ASSERT_EQ(read(text, 1, one), "no stop");
    ASSERT_EQ(read(text, 4, many), "no stop");
    ASSERT_EQ(one.MDTOT, 150000);
    ASSERT_EQ(many.MDTOT, one.MDTOT);
    const auto a = one.DATAE.all(), b = many.DATAE.all();
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(), same));
    // A fault near the end, then one near the start as well: one reader's
    // message, the first in the file.
    for (const std::size_t at : {text.size() - 40, std::size_t{5000}}) {
        text.insert(text.find('\n', at) + 1, "1 2 -3\n");
        State s1, s4;
        const std::string m = read(text, 1, s1);
        EXPECT_NE(m.find("is not positive"), std::string::npos) << m;
        EXPECT_EQ(read(text, 4, s4), m);
    }
}
