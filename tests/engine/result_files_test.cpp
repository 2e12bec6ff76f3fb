// The result files: Quorl-params.txt written at the end of a run and read
// back by the next, the start banner, and what bad parameter files and a
// failed write do. Whole runs of a small straight-line model, in-process in
// a fresh directory.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/result_files.hpp"
#include "engine/run_quorl.hpp"
#include "engine/verdict.hpp"
#include "io/format.hpp"
#include "model/constants.hpp"
#include "quad/decimal.hpp"
#include "support/file_size_limit.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::State;
using quorl::testing::TempDir;

// Z = P1 + P2 * X fitted to (0, 1), (1, 3), (2, 4): the fit is 7/6 + 3/2 X,
// so the final values have no short decimal form. The second parameter has
// a blank name. With JPREV = 1 mode 1 adopts the values read, P, as PBASE.
// A run without iterations (jitertot = -1) from values that are no minimum
// ends unconverged, with its files written as after any run that reaches
// its end.
constexpr int kNoIterations = quorl::kNotConvergedStatus;

struct LineFit {
    int jprev = -1;
    int jpu = 6;
    int jitertot = 8;
    std::vector<Quad> initial = {Quad{}, Quad{}};  // PBASE at the start unless JPREV = 1
    std::vector<Quad>* startP = nullptr;            // PR(:).P as mode 1 finds it

    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.LZTOT = 1;
            s.MDTOT = 3;
            s.NXTOT = 1;
            s.JPU = jpu;
            s.JPD = 1;
            s.JPREV = jprev;
            s.JITERTOT = jitertot;
            s.WHAT = "Straight line through three points";
            s.HOW = "Least squares, test model";
        } else if (mode == 1) {
            const int x[] = {0, 1, 2};
            const int y[] = {1, 3, 4};
            for (int md = 1; md <= 3; ++md) {
                s.DATAE(0, md) = quorl::fromInt(md);
                s.DATAE(1, md) = quorl::fromInt(x[md - 1]);
                s.DATAE(2, md) = quorl::fromInt(y[md - 1]);
            }
            s.XR(0).XNAME = "0:Id#";
            s.XR(1).XNAME = "1:X";
            s.ZR(1).ZNAME = "1:Y";
            s.PR(1).PNAME = "Intercept";
            if (startP != nullptr) {
                startP->assign({s.PR(1).P, s.PR(2).P});
            }
            for (int kp = 1; kp <= 2; ++kp) {
                s.PR(kp).PBASE = s.JPREV == 1 ? s.PR(kp).P : initial[static_cast<std::size_t>(kp - 1)];
            }
        } else if (mode == 4) {
            const Quad fit = s.PR(1).P + s.PR(2).P * s.DATAE(1, s.MD);
            s.ZR(1).Z = (fit - s.DATAE(2, s.MD)) * s.ZR(1).WT;
        }
    }
};

struct RunOf {
    std::istringstream in;
    std::ostringstream out;
    State s{in, out};
    int status = -1;
    std::vector<Quad> startP;

    explicit RunOf(LineFit m, const std::string& answers = "") : in(answers) {
        m.startP = &startP;
        status = quorl::runQuorl(s, m);
    }
    std::string console() const { return out.str(); }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

std::string banner() { return quorl::Text<60>(quorl::constants::versionBanner()).str(); }

// The value of an e41.32 value line.
Quad valueOf(const std::string& line) {
    const std::string field = line.substr(0, 41);
    return quorl::quadFromText(field.substr(field.find_first_not_of(' ')));
}

// Whether `text` matches `mask` character by character: '9' stands for a
// digit, '?' for any character, everything else for itself.
bool matchesMask(const std::string& text, const std::string& mask) {
    if (text.size() != mask.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool ok = mask[i] == '?' || (mask[i] == '9' ? text[i] >= '0' && text[i] <= '9' : text[i] == mask[i]);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(VersionBanner, NamesTheReleaseAndFitsItsField) {
    const std::string_view b = quorl::constants::versionBanner();
    EXPECT_EQ(b.substr(0, 35), "Quorl.Exe, version:1.0, 2018.10.09,");
    EXPECT_LE(b.size(), 60u);
}

TEST(ParameterFile, EveryRecordHasItsLayout) {
    TempDir dir;
    RunOf r(LineFit{.jpu = 11});
    ASSERT_EQ(r.status, 0) << r.console();
    EXPECT_TRUE(TempDir::temporaries().empty());
    const std::vector<std::string> got = lines(TempDir::readFile("Quorl-params.txt"));
    ASSERT_GT(got.size(), 12u);

    // The counts, free-form, then the value lines: e41.32, i5, two blanks,
    // the name up to its last non-blank (nothing after the blanks when the
    // name is blank).
    EXPECT_EQ(got[0], "           2           1");
    const std::string valueMask = "  ?0." + std::string(32, '9') + "E?99";
    ASSERT_TRUE(matchesMask(got[1].substr(0, 41), valueMask)) << got[1];
    ASSERT_TRUE(matchesMask(got[2].substr(0, 41), valueMask)) << got[2];
    EXPECT_EQ(got[1].substr(41), "    1  Intercept");
    EXPECT_EQ(got[2].substr(41), "    2  ");
    const Quad v1 = valueOf(got[1]);
    const Quad v2 = valueOf(got[2]);
    // The fit converged to 7/6 and 3/2 well within the written digits' reach.
    EXPECT_LT(abs(v1 - quorl::fromInt(7) / quorl::fromInt(6)), quorl::quadFromText("1e-25"));
    EXPECT_LT(abs(v2 - quorl::quadFromText("1.5")), quorl::quadFromText("1e-25"));

    // Heading, empty line, listing, ruler.
    EXPECT_EQ(got[3], "   ^These are the last-iteration`s values at full precision.");
    EXPECT_EQ(got[4], "");
    // The listing holds the same values with every digit FLOATWRITE gives;
    // the value lines are those rounded to 32 digits.
    for (int kp = 1; kp <= 2; ++kp) {
        const std::string& line = got[static_cast<std::size_t>(4 + kp)];
        ASSERT_EQ(line.size(), 46u) << line;
        EXPECT_EQ(line.substr(0, 6), "    " + std::to_string(kp) + " ");
        EXPECT_LT(abs(valueOf(line.substr(6)) - (kp == 1 ? v1 : v2)), quorl::quadFromText("1e-31"));
    }
    EXPECT_EQ(got[7], "");
    EXPECT_EQ(got[8], "             .12345678901234567890123456789012345");
    EXPECT_EQ(got[9], "                       1         2         3      -Floats decimal place counter");

    // The evaluation summary is the same block the final evaluation wrote
    // into the run summary: same values, same state.
    const std::vector<std::string> summary = lines(TempDir::readFile("Quorl-out.txt"));
    std::size_t from = 0;
    while (from < summary.size() && summary[from] != "EvalErr:") {
        ++from;
    }
    ASSERT_LT(from, summary.size());
    ASSERT_EQ(got[10], "");
    std::size_t at = 11;
    for (std::size_t i = from; i < summary.size() && at < got.size(); ++i, ++at) {
        EXPECT_EQ(got[at], summary[i]) << "summary line " << i;
        if (summary[i].find("  Iterations") != std::string::npos) {
            ++at;
            break;
        }
    }
    EXPECT_TRUE(contains(got[at - 1], "  Iterations"));

    // Project context with the end timestamp, its non-blank lines, the
    // banner, the run (the same as in the results file).
    const std::vector<std::string> tail(got.begin() + static_cast<long>(at), got.end());
    ASSERT_EQ(tail.size(), 7u);
    EXPECT_EQ(tail[6], "Run: " + r.s.runIdentity);
    EXPECT_TRUE(contains(TempDir::readFile("Quorl-results.json"), "\"run\": \"" + r.s.runIdentity + "\""));
    EXPECT_EQ(tail[0], "");
    EXPECT_TRUE(matchesMask(tail[1], "Project Context:" + std::string(40, ' ') + "9999.99.99 99:99:99:999")) << tail[1];
    EXPECT_EQ(tail[2], "Straight line through three points");
    EXPECT_EQ(tail[3], "Least squares, test model");
    EXPECT_EQ(tail[4], "");
    EXPECT_EQ(tail[5], banner());
}

TEST(ParameterFile, TheNextRunStartsFromTheWrittenValues) {
    TempDir dir;
    RunOf first(LineFit{});
    ASSERT_EQ(first.status, 0) << first.console();
    const std::vector<std::string> written = lines(TempDir::readFile("Quorl-params.txt"));
    ASSERT_GT(written.size(), 2u);

    // No passes: the second run's final values are its starting values.
    RunOf second(LineFit{.jprev = 1, .jitertot = -1});
    ASSERT_EQ(second.status, 0) << second.console();
    EXPECT_TRUE(second.s.previousValuesRead);
    EXPECT_FALSE(first.s.previousValuesRead);
    ASSERT_EQ(second.startP.size(), 2u);
    for (int kp = 1; kp <= 2; ++kp) {
        const Quad expected = valueOf(written[static_cast<std::size_t>(kp)]);
        EXPECT_TRUE(second.startP[static_cast<std::size_t>(kp - 1)] == expected) << "KP = " << kp;
    }
    // And it writes them back as it read them.
    const std::vector<std::string> again = lines(TempDir::readFile("Quorl-params.txt"));
    ASSERT_GT(again.size(), 2u);
    EXPECT_EQ(again[1], written[1]);
    EXPECT_EQ(again[2], written[2]);
}

TEST(ParameterFile, ValuesWithThreeDigitExponentsComeBack) {
    TempDir dir;
    const Quad tiny = quorl::quadFromText("1.2345678901234567890123456789012e-120");
    const Quad huge = quorl::quadFromText("-9.8765432109876543210987654321098e+150");
    RunOf first(LineFit{.jitertot = -1, .initial = {tiny, huge}});
    ASSERT_EQ(first.status, kNoIterations) << first.console();
    const std::vector<std::string> written = lines(TempDir::readFile("Quorl-params.txt"));
    ASSERT_GT(written.size(), 2u);
    EXPECT_EQ(written[1].substr(0, 41), "   0.12345678901234567890123456789012-119");
    EXPECT_EQ(written[2].substr(0, 41), "  -0.98765432109876543210987654321098+151");

    RunOf second(LineFit{.jprev = 1, .jitertot = -1});
    ASSERT_EQ(second.status, kNoIterations) << second.console();
    ASSERT_EQ(second.startP.size(), 2u);
    EXPECT_TRUE(second.startP[0] == tiny);
    EXPECT_TRUE(second.startP[1] == huge);
}

// A value that is not finite is written as e41.32 writes it (NaN,
// -Infinity), and the next run reads it back as such.
TEST(ParameterFile, ValuesThatAreNotFiniteComeBack) {
    TempDir dir;
    const double inf = std::numeric_limits<double>::infinity();
    TempDir::writeFile("Quorl-params.txt",
                       quorl::io::formatFreeOf(2, 1) + quorl::io::format("(e41.32,i5,'  ')", Quad{-inf, 0.0}, 1) +
                           quorl::io::format("(e41.32,i5,'  ')", Quad{std::nan(""), 0.0}, 2));
    RunOf r(LineFit{.jprev = 1, .jitertot = -1});
    ASSERT_EQ(r.startP.size(), 2u) << r.console();
    EXPECT_EQ(r.startP[0].hi, -inf);
    EXPECT_TRUE(std::isnan(r.startP[1].hi));
}

TEST(ParameterFile, AskedAtStartUpWithJPrevZero) {
    TempDir dir;
    // Whatever follows the value on its line is skipped, quotes and slashes too.
    TempDir::writeFile("Quorl-params.txt", "2 1\n\n 0.25E+01 1 it's/\"x\n -0.5 2\n");
    RunOf r(LineFit{.jprev = 0, .jitertot = -1}, "x\n1\n");
    ASSERT_EQ(r.status, kNoIterations) << r.console();
    ASSERT_EQ(r.startP.size(), 2u);
    EXPECT_TRUE(r.startP[0] == quorl::quadFromText("2.5"));
    EXPECT_TRUE(r.startP[1] == quorl::quadFromText("-0.5"));
}

// The file a failed run must leave alone: counts, then two value lines.
const std::string kGoodValues = "           2           1\n   0.25E+01 1  A\n  -0.5E+00 2\n";

struct BadFile {
    const char* what;
    std::string text;
    std::string message;
};

TEST(PreviousValues, FaultyValueLinesAndEarlyEndsStopTheRunWithAnInputError) {
    const std::vector<BadFile> cases = {
        {"malformed value line", "2 1\n 0.25E+01 1 A\n 0.5E+0x 2\n", "value line 2 cannot be read"},
        {"ends early", "2 1\n 0.25E+01 1 A\n", "the file ends after 1 of its 2 value lines"},
        {"empty", "", "the file ends before its counts"},
        {"counts only", "2 1\n", "the file ends after 0 of its 2 value lines"},
    };
    for (const BadFile& c : cases) {
        TempDir dir;
        TempDir::writeFile("Quorl-params.txt", c.text);
        RunOf r(LineFit{.jprev = 1});
        EXPECT_EQ(r.status, quorl::kParameterInputStatus) << c.what;
        EXPECT_TRUE(contains(r.console(), "Quorl: input error in Quorl-params.txt: " + c.message))
            << c.what << ":\n" << r.console();
        // Stopped before the model's mode 1, the file as it was.
        EXPECT_TRUE(r.startP.empty()) << c.what;
        EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), c.text) << c.what;
    }
}

TEST(PreviousValues, UnusableCountsAreReportedAndChangeNothing) {
    const std::vector<BadFile> cases = {
        {"other KPTOT", "3 1\n 1.0 1\n 2.0 2\n 3.0 3\n", ""},
        {"other LZTOT", "2 2\n 1.0 1\n 2.0 2\n", ""},
        {"unreadable counts", "two one\n 1.0 1\n 2.0 2\n", ""},
        {"one count only", "2 /\n 1.0 1\n 2.0 2\n", ""},
    };
    for (const BadFile& c : cases) {
        TempDir dir;
        TempDir::writeFile("Quorl-params.txt", c.text);
        RunOf r(LineFit{.jprev = 1, .jitertot = -1});
        EXPECT_EQ(r.status, kNoIterations) << c.what;
        EXPECT_TRUE(contains(r.console(), "Error reading Quorl-params.txt. Press enter to continue.\n"))
            << c.what << ":\n" << r.console();
        ASSERT_EQ(r.startP.size(), 2u) << c.what;
        EXPECT_TRUE(r.startP[0] == Quad{} && r.startP[1] == Quad{}) << c.what;
        EXPECT_EQ(r.s.KPTOT, 2) << c.what;
        EXPECT_EQ(r.s.LZTOT, 1) << c.what;
    }
}

TEST(PreviousValues, AMissingFileIsReportedAndTheRunGoesOn) {
    TempDir dir;
    RunOf r(LineFit{.jprev = 1, .jitertot = -1});
    EXPECT_EQ(r.status, kNoIterations);
    EXPECT_TRUE(contains(r.console(), "jPrev==1, but Quorl-params.txt not found. 'Enter` to continue.\n"));
    ASSERT_EQ(r.startP.size(), 2u);
    EXPECT_TRUE(r.startP[0] == Quad{});
    EXPECT_TRUE(TempDir::exists("Quorl-params.txt"));  // written at the end as always
}

// Something that stands at an input file's name but cannot be read (a
// directory, a FIFO, a file without read permission) is an error of that
// file, reported with its pause, never "not found" or silence; a FIFO is
// not waited on (the alarm ends a run that blocks).
TEST(InputFiles, OnesThatCannotBeReadAreReportedAsReadErrors) {
    struct Kind {
        const char* what;
        std::function<void(const char*)> make;
    };
    const Kind kinds[] = {
        {"directory", [](const char* name) { std::filesystem::create_directory(name); }},
        {"FIFO", [](const char* name) { ASSERT_EQ(::mkfifo(name, 0600), 0); }},
        {"no permission",
         [](const char* name) {
             TempDir::writeFile(name, "&QUORLNML JPD=0 /\n");
             std::filesystem::permissions(name, std::filesystem::perms::none);
         }},
    };
    const std::pair<const char*, const char*> files[] = {
        {"Quorl-user.nml", "Quorl-user.nml variable changes included...\n"
                           "Error reading Quorl-user.nml. Press enter to continue.\n"},
        {"Quorl-params.txt", "Error reading Quorl-params.txt. Press enter to continue.\n"},
    };
    for (const Kind& kind : kinds) {
        if (std::string(kind.what) == "no permission" && ::geteuid() == 0) {
            continue;  // root reads every file
        }
        for (const auto& [name, pause] : files) {
            TempDir dir;
            kind.make(name);
            ::alarm(20);
            const bool params = std::string(name) == "Quorl-params.txt";
            RunOf r(LineFit{.jprev = params ? 1 : -1, .jitertot = -1});
            ::alarm(0);
            EXPECT_TRUE(contains(r.console(), pause)) << kind.what << " " << name << ":\n" << r.console();
            EXPECT_FALSE(contains(r.console(), "not found")) << kind.what << " " << name;
            ASSERT_EQ(r.startP.size(), 2u) << kind.what << " " << name;
            EXPECT_TRUE(r.startP[0] == Quad{}) << kind.what << " " << name;
        }
    }
}

// A parameter file that cannot be written whole (a full disk) or put in
// place (a directory at its name): the run stops with status 7 and the
// system's reason, and the old files stay as they were, no temporary left.
TEST(ParameterFile, AFailedWriteLeavesTheOldFilesWholeAndExitsNonZero) {
    struct Case {
        const char* what;
        const char* reason;
    };
    for (const Case c : {Case{"full disk", "(File too large)"}, Case{"directory", "a directory stands at its name"}}) {
        TempDir dir;
        TempDir::writeFile("Quorl-params.txt", kGoodValues);
        TempDir::writeFile("Quorl-results.json", "{}\n");
        const bool full = std::string(c.what) == "full disk";
        if (!full) {
            std::filesystem::remove("Quorl-results.json");
            std::filesystem::create_directory("Quorl-results.json");
        }
        int status = 0;
        std::string console;
        {
            std::optional<quorl::testing::FileSizeLimit> limit;
            if (full) {
                limit.emplace(1000);
            }
            RunOf r(LineFit{});
            status = r.status;
            console = r.console();
        }
        EXPECT_EQ(status, quorl::kParameterWriteStatus) << c.what;
        EXPECT_TRUE(contains(console, full ? "Quorl: cannot write Quorl-params.txt: " : "Quorl: cannot write "))
            << console;
        EXPECT_TRUE(contains(console, c.reason)) << console;
        EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), kGoodValues) << c.what;
        EXPECT_TRUE(TempDir::temporaries().empty()) << c.what;
    }
}

}  // namespace
