// The formula model in-process: every fault of the configuration or the
// table stops the run in mode 0 with its position and writes nothing; a
// fit with two formulas, a measured expression, weights and a held
// parameter gives, bit for bit, the values of the same model written in C++.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "engine/data_table.hpp"
#include "engine/increments.hpp"
#include "engine/require_finite_error.hpp"
#include "engine/run_quorl.hpp"
#include "fit/fit_group.hpp"
#include "fit/formula_model.hpp"
#include "quad/decimal.hpp"
#include "support/mask_run.hpp"
#include "support/temp_dir.hpp"

namespace {

constexpr int kGroup = quorl::fit::kFitGroupStatus;

using quorl::Quad;
using quorl::testing::TempDir;

const char* const kTable =
    "# a decay\n"
    "x  y  s\n"
    "1  2  0.5\n"
    "2  3  0.5\n"
    "3  5  0.5\n"
    "4  7  0.5\n";

struct FitFiles {
    std::string formula = "a*exp(-b*x) + c";
    std::string parameters = "a = 1, b = 1, c = 0";
    std::string auxiliary = "x";
    std::string measured = "y";
    std::string weight;
    std::string hold;
    std::string other;                   // more members of &QUORLFIT
    std::string file = "data.txt";       // CJUSERFILE
    std::string table = kTable;
    bool group = true;                   // write &QUORLFIT
    bool config = true;                  // write Quorl-user.nml at all

    void write() const {
        TempDir::writeFile("data.txt", table);
        if (!config) {
            return;
        }
        std::string nml = "&QUORLNML JPD=1, CJUSERFILE='" + file + "' /\n";
        if (group) {
            nml += "&QUORLFIT FORMULA='" + formula + "', PARAMETERS='" + parameters + "',\n  AUXILIARY='" + auxiliary +
                   "', MEASURED='" + measured + "', WEIGHT='" + weight + "', HOLD='" + hold + "' " + other + " /\n";
        }
        TempDir::writeFile("Quorl-user.nml", nml);
    }
};

struct RunOutcome {
    int status = 0;
    std::string console;
};

RunOutcome runFormulaModel() {
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    RunOutcome r;
    r.status = quorl::runQuorl(s, quorl::fit::FormulaModel{});
    r.console = out.str();
    return r;
}

std::set<std::string> filesHere() {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        names.insert(e.path().filename().string());
    }
    return names;
}

// The column (1-based) of the caret under the member's echoed text, 0 when
// the message has none.
std::size_t caretColumn(const std::string& console) {
    const std::size_t echo = console.find(" = '");
    const std::size_t lineEnd = console.find('\n', echo);
    if (echo == std::string::npos || lineEnd == std::string::npos) {
        return 0;
    }
    const std::size_t lineStart = console.rfind('\n', echo) + 1;
    const std::size_t caret = console.find('^', lineEnd);
    return caret == std::string::npos ? 0 : caret - (lineEnd + 1) - (echo + 4 - lineStart) + 1;
}

TEST(FormulaModel, EveryFaultStopsBeforeTheFitWithItsPosition) {
    const struct {
        const char* what;
        std::function<void(FitFiles&)> change;
        int status;
        const char* says;
        std::size_t column;  // of the caret, 1-based; 0: no caret
    } cases[] = {
        {"no configuration", [](FitFiles& s) { s.config = false; }, kGroup, "no Quorl-user.nml here", 0},
        {"no group", [](FitFiles& s) { s.group = false; }, kGroup, "&QUORLFIT: no such group", 0},
        {"unknown member", [](FitFiles& s) { s.other = "FORMULAS='x'"; }, kGroup, "FORMULAS", 0},
        {"syntax", [](FitFiles& s) { s.formula = "a*exp(-b*x + c"; }, kGroup, "the '(' of exp at column 6 is not closed", 15},
        {"unknown name", [](FitFiles& s) { s.formula = "a*exp(-bb*x) + c"; }, kGroup,
         "unknown name \"bb\": a formula uses the parameters a, b and c and the auxiliary columns x", 8},
        {"second formula", [](FitFiles& s) { s.formula = "a*x; b*x +* c"; s.measured = "y; y"; }, kGroup,
         "\"*\" where a value is expected", 11},
        {"no starting value", [](FitFiles& s) { s.parameters = "a = 1, b, c = 0"; }, kGroup,
         "the parameter \"b\" has no starting value", 8},
        {"starting value", [](FitFiles& s) { s.parameters = "a = 1, b = one, c = 0"; }, kGroup,
         "the starting value \"one\" is not a number", 12},
        {"parameter twice", [](FitFiles& s) { s.parameters = "a = 1, b = 1, c = 0, a = 2"; }, kGroup,
         "the parameter \"a\" is listed twice", 22},
        {"reserved name", [](FitFiles& s) { s.parameters = "a = 1, b = 1, c = 0, pi = 3"; s.hold = "pi"; }, kGroup,
         "\"pi\" is the name of a function or of pi", 22},
        {"unused parameter", [](FitFiles& s) { s.parameters = "a = 1, b = 1, c = 0, d = 1"; }, kGroup,
         "the parameter \"d\" appears in no formula", 22},
        {"hold", [](FitFiles& s) { s.hold = "c, d"; }, kGroup, "\"d\" is not a parameter (the parameters: a, b and c)", 4},
        {"partials", [](FitFiles& s) { s.other = "PARTIALS='analytic'"; }, kGroup,
         "PARTIALS: is 'analytic': 'exact' (from the formulas, the default), 'differences'", 0},
        {"empty entry", [](FitFiles& s) { s.parameters = "a = 1,, b = 1, c = 0"; }, kGroup, "an empty entry", 7},
        {"no column", [](FitFiles& s) { s.auxiliary = "t"; s.formula = "a*exp(-b*t) + c"; }, kGroup,
         "no column \"t\" in the data table (the columns of data.txt: x, y and s)", 1},
        {"column number", [](FitFiles& s) { s.auxiliary = "x = 4"; }, kGroup, "no column \"4\"", 5},
        {"measured count", [](FitFiles& s) { s.measured = "y; s"; }, kGroup, "2 measured values for 1 formula", 0},
        {"measured name", [](FitFiles& s) { s.measured = "log(z)"; }, kGroup,
         "unknown name \"z\": neither a column nor an auxiliary name", 5},
        {"weight of a parameter", [](FitFiles& s) { s.weight = "1/a"; }, kGroup,
         "a weight cannot depend on the parameter \"a\"", 3},
        {"no data file named", [](FitFiles& s) { s.file = " "; }, kGroup, "no data table: set CJUSERFILE", 0},
        {"no data file", [](FitFiles& s) { s.file = "none.txt"; }, 9, "none.txt: no such file", 0},
        {"weight not positive", [](FitFiles& s) { s.table = "x y s\n1 2 0.5\n2 3 0\n"; s.weight = "1/s"; }, 9,
         "data.txt, line 3: the weight \"1/s\" is", 0},
        {"weight negative", [](FitFiles& s) { s.table = "x y s\n1 2 0.5\n2 3 0.5\n3 4 -2\n"; s.weight = "s"; }, 9,
         "data.txt, line 4: the weight \"s\" is -2.00000: a weight must be positive", 0},
        {"measured not finite", [](FitFiles& s) { s.table = "x y s\n1 2 0.5\n2 -3 0.5\n"; s.measured = "log(y)"; }, 9,
         "data.txt, line 3: the measured value \"log(y)\" is", 0},
        {"text without quotes", [](FitFiles& s) { s.other = "HOLD=3"; }, kGroup,
         "HOLD takes a text in quotes, not '3': write HOLD = '3'", 0},
        {"quote not doubled", [](FitFiles& s) { s.formula = "a*x'b"; }, kGroup,
         "the closing quote of the text for FORMULA is followed by 'b''", 0},
        {"quote never closed", [](FitFiles& s) { s.other = "WEIGHT='1/s"; }, kGroup,
         "the quote ' that opens the text for WEIGHT is never closed", 0},
        {"constant not finite", [](FitFiles& s) { s.formula = "a*exp(-b*x) + c*log(0)"; }, kGroup,
         "\"log(0)\" is -infinity", 17},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        TempDir dir;
        FitFiles files;
        t.change(files);
        files.write();
        const std::set<std::string> before = filesHere();
        const RunOutcome r = runFormulaModel();
        EXPECT_EQ(r.status, t.status) << r.console;
        EXPECT_NE(r.console.find(t.says), std::string::npos) << r.console;
        EXPECT_EQ(caretColumn(r.console), t.column) << r.console;
        EXPECT_EQ(filesHere(), before);
    }
}

// A formula that is not finite at a point of the fit stops the run with
// the formula and the line of the table it met there.
TEST(FormulaModel, AResidualThatIsNotFiniteNamesItsFormulaAndLine) {
    TempDir dir;
    FitFiles files;
    files.formula = "log(a - x)";
    files.parameters = "a = 1";
    files.write();
    const RunOutcome r = runFormulaModel();
    EXPECT_EQ(r.status, quorl::kNonFiniteErrorStatus) << r.console;
    EXPECT_NE(r.console.find("at data point 1 (the formula \"log(a - x)\" at line 3 of data.txt), is Infinity"),
              std::string::npos)
        << r.console;
}

// y1 = a*exp(-k*t) + c, weights 1/s; log(y2) = log(a) - k*t, weights
// 1/sqrt(y2); c held. The formula model and the C++ model below must agree
// to the last bit: the same operations on the same values with the same
// increments.
const char* const kTwoQuantities =
    "t   y1      y2     s\n"
    "0   3.10    2.02   0.10\n"
    "1   2.31    1.20   0.12\n"
    "2   1.85    0.74   0.09\n"
    "3   1.52    0.46   0.11\n"
    "4   1.37    0.26   0.10\n"
    "5   1.29    0.17   0.13\n"
    "6   1.21    0.10   0.10\n";

struct TwoQuantities {
    quorl::DataTable table{"data.txt", {.x = {"t", "s"}, .y = {"y1", "y2"}}};
    void operator()(quorl::State& s, int mode) {
        const Quad one = quorl::fromInt(1);
        if (mode <= 0) {
            table.declare(s);
            s.KPTOT = 3;
            s.DELTA = Quad{};
        } else if (mode == 1) {
            table.load(s);
            const Quad start[] = {quorl::fromInt(2), quorl::quadFromText("0.5"), quorl::quadFromText("1.1")};
            for (int kp = 1; kp <= 3; ++kp) {
                s.PR(kp).PBASE = start[kp - 1];
            }
            s.PR(3).OFFON = Quad{};
        } else if (mode == 2) {
            quorl::setRelativeIncrements(s, quorl::quadFromText("1e-14"),
                                         {quorl::fromInt(2), quorl::quadFromText("0.5"), quorl::quadFromText("1.1")});
        } else if (mode == 3) {
            table.point(s);
            s.ZR(1).WT = one / s.XR(2).XDATA;
            s.ZR(2).WT = one / sqrt(s.ZR(2).ZDATA);
            s.ZR(2).ZDATA = log(s.ZR(2).ZDATA);
        } else if (mode == 4) {
            const Quad t = s.XR(1).XDATA, a = s.PR(1).P, k = s.PR(2).P, c = s.PR(3).P;
            s.ZR(1).Z = (s.ZR(1).ZDATA - (a * exp((-k) * t) + c)) * s.ZR(1).WT;
            s.ZR(2).Z = (s.ZR(2).ZDATA - (log(a) - k * t)) * s.ZR(2).WT;
        }
    }
};

// The lines of Quorl-params.txt up to the listing: the values at full precision.
std::string valueLines() {
    const std::string text = TempDir::readFile("Quorl-params.txt");
    std::istringstream in(text);
    std::string line, values;
    for (int n = 0; n < 4 && std::getline(in, line); ++n) {
        values += line.substr(0, line.find_first_of(' ', line.find_first_not_of(' '))) + "\n";
    }
    return values;
}

TEST(FormulaModel, FitsAsTheSameModelWrittenInCpp) {
    std::string formulaValues, cppValues;
    {
        TempDir dir;
        FitFiles files;
        files.table = kTwoQuantities;
        files.formula = "a*exp(-k*t) + c; log(a) - k*t";
        files.parameters = "a = 2, k = 0.5, c = 1.1";
        files.auxiliary = "t";
        files.measured = "y1; log(y2)";
        files.weight = "1/s; 1/sqrt(y2)";
        files.hold = "c";
        files.other = "PARTIALS='differences'";  // the increments of the C++ model
        files.write();
        const RunOutcome r = runFormulaModel();
        ASSERT_EQ(r.status, 0) << r.console;
        formulaValues = valueLines();
    }
    {
        TempDir dir;
        TempDir::writeFile("data.txt", kTwoQuantities);
        TempDir::writeFile("Quorl-user.nml", "&QUORLNML JPD=1, JSTEPMULT=3, JBON=1, JUNCLAMP=1, JITERTOT=1000 /\n");
        std::istringstream in;
        std::ostringstream out;
        quorl::State s(in, out);
        ASSERT_EQ(quorl::runQuorl(s, TwoQuantities{}), 0) << out.str();
        cppValues = valueLines();
    }
    EXPECT_EQ(formulaValues, cppValues);
    EXPECT_NE(formulaValues.find("0.11000000000000000000000000000000E+01"), std::string::npos) << formulaValues;
}

// The weights are kept in the rows of DATAE that only WEIGHT reads, or,
// when WEIGHT reads only auxiliary columns, in a table of their own: the
// same fit either way.
TEST(FormulaModel, TheWeightsWhereverTheyAreKept) {
    std::string values[2];
    for (int kept = 0; kept < 2; ++kept) {
        TempDir dir;
        FitFiles files;
        files.table = "x y s\n0 6.2 0.1\n1 3.4 0.2\n2 2.1 0.1\n3 1.6 0.3\n4 1.4 0.1\n5 1.3 0.2\n";
        files.formula = kept == 0 ? "a*exp(-b*x) + c" : "a*exp(-b*x) + c + 0*s";
        files.auxiliary = kept == 0 ? "x" : "x, s";
        files.weight = "1/s";
        files.write();
        const RunOutcome r = runFormulaModel();
        ASSERT_EQ(r.status, 0) << r.console;
        values[kept] = valueLines();
    }
    EXPECT_EQ(values[0], values[1]);
}

}  // namespace

// Passes over more than one chunk of data points go over threads: the
// values and every figure of the results are the same to the last bit at
// 1, 2 and 4 threads.
TEST(FormulaModel, TheSameResultAtAnyNumberOfThreads) {
    std::ostringstream table;
    table.precision(17);
    table << "x y s\n";
    for (int i = 0; i < 5 * quorl::kChunkPoints + 17; ++i) {
        const double x = 0.001 * i;
        table << x << ' ' << 5 * std::exp(-0.8 * x) + 1.2 + 0.05 * std::sin(7.3 * i) << ' ' << 0.05 + 0.01 * (i % 7)
              << '\n';
    }
    std::string first;
    for (const int threads : {1, 2, 4}) {
        SCOPED_TRACE(threads);
        TempDir dir;
        TempDir::writeFile("data.txt", table.str());
        TempDir::writeFile("Quorl-user.nml", "&QUORLNML CJUSERFILE='data.txt', JPD=1, JTHREADS=" +
                                                 std::to_string(threads) +
                                                 " /\n&QUORLFIT FORMULA='a*exp(-b*x) + c', PARAMETERS='a = 1, b = 1, "
                                                 "c = 0', AUXILIARY='x', MEASURED='y', WEIGHT='1/s' /\n");
        const RunOutcome r = runFormulaModel();
        ASSERT_EQ(r.status, 0) << r.console;
        const std::string results =
            valueLines() + quorl::testing::maskRunIdentity(TempDir::readFile("Quorl-results.json"));
        if (first.empty()) {
            first = results;
        }
        EXPECT_EQ(results, first);
    }
}
