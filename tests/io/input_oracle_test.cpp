// The namelist and free-form readers against gfortran: each case is a file
// that both read (ours through a unit, as the run reads its files), and the
// outcome (read whole or not) and, when whole, every value must agree.
// A few inputs are read differently on purpose; they are checked on their
// own below, each with the reason.
#include <gtest/gtest.h>

#include <quadmath.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "io/free_input.hpp"
#include "io/namelist.hpp"
#include "io/units.hpp"
#include "support/temp_dir.hpp"

using quorl::Quad;
using quorl::Text;
using quorl::testing::TempDir;

namespace {

// Namelist inputs: group search, separators, repeat counts, null values,
// quoted and undelimited texts over lines, substrings, every real form.
const char* const kNamelistCases[] = {
    "\xEF\xBB\xBF&QUORLNML JBON=2 /\n",
    "some text &QUORLNML JBON=7 /\n",
    "x&QUORLNML JBON=7 /\n",
    " junk $QUORLNML JBON=7 $end\n",
    "&OTHER A=1 / &QUORLNML JBON=2 /\n",
    "! &QUORLNML JBON=3 /\n&QUORLNML JBON=2 /\n",
    "&QUORLNMLX JBON=3 /\n&QUORLNML JBON=2 /\n",
    "&QUORLNML'x' JBON=1/\n",
    "&QUORLNML$END JBON=1/\n&QUORLNML JBON=2/\n",
    "&QUORLNML/\n",
    "&QUORLNML,JBON=1/\n",
    "&QUORLNML!c\nJBON=1/\n",
    "\t&QUORLNML\tJBON\t=\t3\t/\n",
    "&quorlnml jbon=3 /\n",
    "&QUORLNML JBON=1*5 /\n",
    "&QUORLNML JBON=2*5 /\n",
    "&QUORLNML JBON=0*5 /\n",
    "&QUORLNML JBON=1*, JPD=3 /\n",
    "&QUORLNML JBON=2*, JPD=3 /\n",
    "&QUORLNML JBON=1*,JPD=2/\n",
    "&QUORLNML JBON=1*+5 /\n",
    "&QUORLNML JBON=1* 5 /\n",
    "&QUORLNML JBON= 1 * 5 /\n",
    "&QUORLNML DELTA=1*NaN /\n",
    "&QUORLNML DELTA=1*-Inf /\n",
    "&QUORLNML WHAT='abc\ndef' /\n",
    "&QUORLNML WHAT='abc  \n  def' /\n",
    "&QUORLNML WHAT=\"it's\" /\n",
    "&QUORLNML WHAT='a''b' /\n",
    "&QUORLNML WHAT='ab'cd' /\n",
    "&QUORLNML WHAT='ab'\n'cd' /\n",
    "&QUORLNML WHAT='ab' 'cd' /\n",
    "&QUORLNML WHAT='ab'!c\n /\n",
    "&QUORLNML WHAT='ab'/\n",
    "&QUORLNML WHAT=abc /\n",
    "&QUORLNML WHAT=abc, JBON=3 /\n",
    "&QUORLNML WHAT=1abc /\n",
    "&QUORLNML WHAT=.abc /\n",
    "&QUORLNML WHAT=1*abc /\n",
    "&QUORLNML WHAT=1*'ab c' /\n",
    "&QUORLNML WHAT=1*ab/c /\n",
    "&QUORLNML WHAT=1*ab!c /\n",
    "&QUORLNML WHAT=1*ab,c /\n",
    "&QUORLNML WHAT=12!c\n/\n",
    "&QUORLNML WHAT=1*a&b /\n",
    "&QUORLNML WHAT=1*/\n",
    "&QUORLNML WHAT(2:3)='xy' /\n",
    "&QUORLNML WHAT(2:)='xy' /\n",
    "&QUORLNML WHAT(:2)='xy' /\n",
    "&QUORLNML WHAT(2:3)='x' /\n",
    "&QUORLNML WHAT(2:3)=1*'xy' /\n",
    "&QUORLNML what(2:3) = 'xyz' /\n",
    "&QUORLNML WHAT(3:2)='xy' /\n",
    "&QUORLNML WHAT(0:2)='xy' /\n",
    "&QUORLNML WHAT(2:13)='xy' /\n",
    "&QUORLNML WHAT (2:3)='xy' /\n",
    "&QUORLNML JBON(1)=3 /\n",
    "&QUORLNML DELTA=1-8 /\n",
    "&QUORLNML DELTA=1.5+3 /\n",
    "&QUORLNML DELTA=+.5e-1 /\n",
    "&QUORLNML DELTA=.5 /\n",
    "&QUORLNML DELTA=5. /\n",
    "&QUORLNML DELTA=1q5 /\n",
    "&QUORLNML DELTA=1.5q-3 /\n",
    "&QUORLNML DELTA=1.5Q+3 /\n",
    "&QUORLNML DELTA=1.5E+003 /\n",
    "&QUORLNML DELTA=1.5E003 /\n",
    "&QUORLNML DELTA=1.5 E3 /\n",
    "&QUORLNML DELTA=1.5e /\n",
    "&QUORLNML DELTA=1.5e+ /\n",
    "&QUORLNML DELTA=1.5--3 /\n",
    "&QUORLNML DELTA=1.5d0q /\n",
    "&QUORLNML DELTA=0.1e1_8 /\n",
    "&QUORLNML DELTA=1,5 /\n",
    "&QUORLNML DELTA=NaN /\n",
    "&QUORLNML DELTA=nan(abc) /\n",
    "&QUORLNML DELTA=NaN() /\n",
    "&QUORLNML DELTA=NaN(a b) /\n",
    "&QUORLNML DELTA=-Infinity /\n",
    "&QUORLNML DELTA=+inf /\n",
    "&QUORLNML DELTA=Infin /\n",
    "&QUORLNML DELTA=inf(x) /\n",
    "&QUORLNML DELTA=n /\n",
    "&QUORLNML DELTA=Infinity JBON=2 /\n",
    "&QUORLNML DELTA=nan JPD=2 /\n",
    "&QUORLNML DELTA=infinity=2 /\n",
    "&QUORLNML DELTA=1.5!c\n /\n",
    "&QUORLNML DELTA=1.5/\n",
    "&QUORLNML DELTA=0.1234567890123456789012345678901234567 /\n",
    "&QUORLNML DELTA=1.5 ,, JPD=2 /\n",
    "&QUORLNML JBON= JPD=2 /\n",
    "&QUORLNML DELTA= WHAT=\"x\" /\n",
    "&QUORLNML JBON=1,,JPD=2 /\n",
    "&QUORLNML JBON=,JPD=2 /\n",
    "&QUORLNML ,,JPD=2 /\n",
    "&QUORLNML JBON=5 6 /\n",
    "&QUORLNML JBON 5 /\n",
    "&QUORLNML JBON=5. /\n",
    "&QUORLNML JBON=+5 /\n",
    "&QUORLNML JBON=-0 /\n",
    "&QUORLNML JBON=NaN /\n",
    "&QUORLNML JBON=1e3 /\n",
    "&QUORLNML JBON=0x10 /\n",
    "&QUORLNML JBON=3000000000 /\n",
    "&QUORLNML JBON=-2147483648 /\n",
    "&QUORLNML JBON=2147483648 /\n",
    "&QUORLNML JBON=00000000000000000000000000000000000000007 /\n",
    "&QUORLNML jbon\n =\n 12 /\n",
    "&QUORLNML JBON=1 JPD=2/\n",
    "&QUORLNML JBON=1/JPD=2/\n",
    "&QUORLNML JBON=1,JPD=2,/\n",
    "&QUORLNML JBON=1 ! c\n JPD=2 /\n",
    "&QUORLNML JBON=1!c\n JPD=2 /\n",
    "&QUORLNML JBON=1 !c /\n JPD=2 /\n",
    "&QUORLNML jbon=1 JBON=2/\n",
    "&QUORLNML JBON=1\n\n\n/\n",
    "&QUORLNML JBON=3 / junk\n",
    "&QUORLNML JBON=3 &END\n",
    "&QUORLNML JBON=3 $END\n",
    "&QUORLNML JBON=1 &end\n",
    "&QUORLNML JBON=1 &ENDX\n",
    "&QUORLNML JBON=3 &\n",
    "&QUORLNML JBON=1 $\n",
    "&QUORLNML JBON=3 \n",
    "&QUORLNML J_BON=1 /\n",
    "&QUORLNML JPD=2\n'x' /\n",
    "no group here\n",
    "",
};

// Free-form inputs for one read of an integer, two reals and a text.
const char* const kFreeCases[] = {
    "3 NaN -Infinity +Inf\n",
    "3 inf infinity x\n",
    "3 nan(xyz) -nan x\n",
    "3 Infin 1 x\n",
    "3 1-8 1.5+3 x\n",
    "3 1q5 1.5d-2 x\n",
    "3 -0 .5 x\n",
    "3 1.5e 1 x\n",
    "3 - 1 x\n",
    "3 1*7 1* x\n",
    "3 2*5 x\n",
    "3 1,,x\n",
    "3 1 2 x y z\n",
    "3\n\n1\n2 x\n",
    "3 1 2 'ab\ncd'\n",
    "3 1 2 'ab  \n  cd'\n",
    "3 1 2 abc\n",
    "3 1 2 1*abc\n",
    "3 1 2 \"ab\"cd\n",
    "3 1 2 \"ab\"\n",
    "3.0 1 2 x\n",
    "3 1 2 /\n",
    "3 0.12345678901234567890123456789012345 1 x\n",
    " -7, 1.5D+2, -2.5E-3, 'it''s'\n",
};

// What a read gave: its status (0 read whole, -1 end of input or no group,
// 1 an error), the integers and texts as the oracle writes them, the reals.
struct Outcome {
    int status = 0;
    std::vector<std::string> values;
    std::vector<Quad> reals;
};

std::string bracketed(std::string_view text) { return "[" + std::string(text) + "]"; }

// gfortran's real(16), written with 41 digits, against the double-double:
// both to binary128, equal to within the last bits of a double-double.
bool sameReal(const std::string& theirs, Quad ours) {
    if (theirs == "NaN") {
        return std::isnan(ours.hi);
    }
    if (theirs == "Infinity" || theirs == "-Infinity") {
        return std::isinf(ours.hi) && (ours.hi < 0) == (theirs[0] == '-');
    }
    if (!std::isfinite(ours.hi)) {
        return false;
    }
    const __float128 t = strtoflt128(theirs.c_str(), nullptr);
    const __float128 o = static_cast<__float128>(ours.hi) + static_cast<__float128>(ours.lo);
    const __float128 diff = t > o ? t - o : o - t;
    return diff <= (t < 0 ? -t : t) * static_cast<__float128>(1e-31) && (t < 0) == (o < 0);
}

Outcome readOurs(char kind, const std::string& file) {
    std::istringstream in;
    std::ostringstream out;
    quorl::io::Units units(in, out);
    units.openRead(10, file);
    Outcome o;
    if (kind == 'N') {
        std::int32_t jbon = -1, jpd = -1;
        Quad delta{-1.0, 0.0};
        Text<12> what("start"), why("start");
        const auto r =
            quorl::io::readNamelist(units, 10, "QUORLNML",
                                    {{"JBON", jbon}, {"JPD", jpd}, {"DELTA", delta}, {"WHAT", what}, {"WHY", why}});
        const bool atEnd = r.status == quorl::io::NamelistStatus::NotFound ||
                           r.status == quorl::io::NamelistStatus::EndOfFile;
        o.status = r.ok() ? 0 : (atEnd ? -1 : 1);
        o.values = {std::to_string(jbon), std::to_string(jpd), bracketed(what.view()), bracketed(why.view())};
        o.reals = {delta};
    } else {
        std::int32_t n = -1;
        Quad x{-1.0, 0.0}, y{-1.0, 0.0};
        Text<8> c("start");
        const auto r = quorl::io::readFree(units, 10, n, x, y, c);
        o.status = r.ok() ? 0 : (r.status == quorl::io::ReadStatus::EndOfInput ? -1 : 1);
        o.values = {std::to_string(n), bracketed(c.view())};
        o.reals = {x, y};
    }
    return o;
}

}  // namespace

TEST(InputOracle, NamelistAndFreeFormReadAsGfortranReads) {
#ifndef QUORL_INPUT_ORACLE
    GTEST_SKIP() << "no Fortran compiler: the gfortran input oracle was not built";
#else
    TempDir dir;
    struct Case {
        char kind;
        std::string text;
        std::string file;
    };
    std::vector<Case> cases;
    for (const char* t : kNamelistCases) {
        cases.push_back({'N', t, "case" + std::to_string(cases.size()) + ".txt"});
    }
    for (const char* t : kFreeCases) {
        cases.push_back({'F', t, "case" + std::to_string(cases.size()) + ".txt"});
    }
    {
        std::ofstream list("cases.txt");
        for (const Case& c : cases) {
            TempDir::writeFile(c.file, c.text);
            list << c.kind << ' ' << c.file << '\n';
        }
    }
    const std::string cmd = std::string("'") + QUORL_INPUT_ORACLE + "' < cases.txt > oracle.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream got("oracle.txt");
    std::string line;
    int compared = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(std::getline(got, line) && line == "CASE") << "the oracle stopped before " << c.text;
        // The oracle's lines: status, then the values in the order of the
        // read (namelist: jbon, jpd, delta, what, why; free: n, x, y, c).
        Outcome theirs;
        std::vector<std::string> lines;
        for (int i = 0; i < (c.kind == 'N' ? 6 : 5); ++i) {
            std::getline(got, line);
            const auto first = line.find_first_not_of(' ');
            lines.push_back(first == std::string::npos ? "" : line.substr(first));
        }
        theirs.status = std::stoi(lines[0]);
        std::vector<std::string> theirReals;
        if (c.kind == 'N') {
            theirs.values = {lines[1], lines[2], lines[4], lines[5]};
            theirReals = {lines[3]};
        } else {
            theirs.values = {lines[1], lines[4]};
            theirReals = {lines[2], lines[3]};
        }
        const Outcome ours = readOurs(c.kind, c.file);
        // No group, or the end of the input inside it, is an end of file
        // for both, other faults are errors.
        EXPECT_EQ(ours.status, theirs.status) << c.text;
        if (ours.status == 0 && theirs.status == 0) {
            ++compared;
            EXPECT_EQ(ours.values, theirs.values) << c.text;
            for (std::size_t i = 0; i < theirReals.size(); ++i) {
                EXPECT_TRUE(sameReal(theirReals[i], ours.reals[i]))
                    << c.text << "gfortran " << theirReals[i] << ", ours " << ours.reals[i].hi << " + "
                    << ours.reals[i].lo;
            }
        }
    }
    std::cout << "[ oracle   ] " << cases.size() << " inputs, " << compared << " read whole by both\n";
#endif
}

// Inputs read differently from gfortran on purpose, each with its reason.
TEST(InputOracle, DeliberateDifferences) {
    TempDir dir;
    struct Case {
        char kind;
        const char* text;
        int status;
        const char* why;
    };
    const Case cases[] = {
        // gfortran stops at the byte-order mark some editors put first; the
        // parameter file is read with it skipped, like the configuration.
        {'F', "\xEF\xBB\xBF" "3 1 2 a\n", 0, "byte-order mark"},
        // A comment after '=' ends the record; the value may follow on the
        // next one (gfortran takes the comment for a null value and then
        // fails on the value).
        {'N', "&QUORLNML JBON= !c\n 12 /\n", 0, "comment after '='"},
        // A lone sign is no value (gfortran takes it for a null value and
        // leaves the member as it was, hiding the slip).
        {'N', "&QUORLNML DELTA=- /\n", 1, "lone sign"},
        {'N', "&QUORLNML JBON=+ /\n", 1, "lone sign"},
        // A semicolon separates values only in decimal-comma mode; gfortran
        // 12 also takes it in decimal-point mode, later versions do not.
        {'N', "&QUORLNML JBON=3; JPD=4 /\n", 1, "semicolon"},
        {'F', "3;1;2;abc\n", 1, "semicolon"},
    };
    for (const Case& c : cases) {
        TempDir::writeFile("case.txt", c.text);
        const Outcome o = readOurs(c.kind, "case.txt");
        EXPECT_EQ(o.status, c.status) << c.why << ": " << c.text;
        if (o.status == 0) {
            EXPECT_EQ(o.values[0], c.kind == 'N' ? "12" : "3") << c.why;
        }
    }
}
