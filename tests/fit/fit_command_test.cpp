// quorl-fit as a command-line program: what it answers without running,
// what it refuses, the folder it runs in, the console it never waits at,
// and a faulty &QUORLNML refused before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "fit/fit_command.hpp"
#include "fit/fit_group.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::testing::TempDir;

const char* const kTable = "x y\n0 2\n1 1.2130613194252668\n2 0.7357588823428847\n3 0.4462603202080\n4 0.2706705664732\n";
const char* const kFit =
    "&QUORLFIT FORMULA='a*exp(-b*x)', PARAMETERS='a = 1, b = 1', AUXILIARY='x', MEASURED='y' /\n";

// Standard input that counts every attempt to read it.
struct CountingInput : std::streambuf {
    int reads = 0;
    int_type underflow() override {
        ++reads;
        return traits_type::eof();
    }
};

struct Command {
    CountingInput console;
    std::istream in{&console};
    std::ostringstream out, err;
    int status = -1;
    explicit Command(const std::vector<std::string>& args) {
        status = quorl::fit::runFitCommand(args, in, out, err);
    }
};

std::set<std::string> filesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

TEST(FitCommand, AnswersAndRefusesWithoutRunning) {
    TempDir dir;
    TempDir::writeFile("data.txt", kTable);
    TempDir::writeFile("Quorl-user.nml", std::string("&QUORLNML CJUSERFILE='data.txt' /\n") + kFit);
    const std::set<std::string> before = filesIn(".");
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* out;  // a part of standard output
        const char* err;  // a part of standard error
    } cases[] = {
        {{"--help"}, 0, "usage: quorl-fit [options] [FOLDER]", ""},
        {{"-h", "--bogus"}, quorl::fit::kUsageStatus, "", "unknown option '--bogus'"},
        {{"--version"}, 0, "quorl-fit: Quorl.Exe, version:", ""},
        {{"-x"}, quorl::fit::kUsageStatus, "", "unknown option '-x'"},
        {{"one", "two"}, quorl::fit::kUsageStatus, "", "one folder only"},
        {{"no-such-folder"}, quorl::fit::kUsageStatus, "", "cannot work in 'no-such-folder'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const Command r(c.args);
        EXPECT_EQ(r.status, c.status) << r.err.str();
        EXPECT_NE(r.out.str().find(c.out), std::string::npos) << r.out.str();
        EXPECT_NE(r.err.str().find(c.err), std::string::npos) << r.err.str();
        EXPECT_EQ(filesIn("."), before);
    }
}

TEST(FitCommand, RunsInItsFolderWithTheDampedStepAndNeverReadsTheConsole) {
    TempDir dir;
    std::filesystem::create_directory("fit");
    TempDir::writeFile("fit/data.txt", kTable);
    TempDir::writeFile("fit/Quorl-user.nml", std::string("&QUORLNML CJUSERFILE='data.txt' /\n") + kFit);
    const std::filesystem::path folder = std::filesystem::absolute("fit");
    const Command r({folder.string()});
    std::filesystem::current_path(dir.path());
    EXPECT_EQ(r.status, 0) << r.out.str();
    EXPECT_EQ(r.console.reads, 0);
    EXPECT_EQ(r.out.str().find("Press `Enter`"), std::string::npos) << r.out.str();
    EXPECT_TRUE(TempDir::exists("fit/Quorl-results.json"));
    const std::string summary = TempDir::readFile("fit/Quorl-out.txt");
    EXPECT_NE(summary.find(" jStepMult=     3"), std::string::npos);
    EXPECT_NE(summary.find(" jBOn     =     1"), std::string::npos);
    EXPECT_NE(summary.find(" jItertot =  1000"), std::string::npos);
}

TEST(FitCommand, AFaultOfTheEnginesGroupStopsBeforeAnythingIsWritten) {
    TempDir dir;
    TempDir::writeFile("data.txt", kTable);
    // The misspelt member, also before CJUSERFILE, is named with its line,
    // not the table.
    for (const auto& [group, says] :
         {std::pair{"&QUORLNML JDP=3, CJUSERFILE='data.txt' /\n", "line 1 of group &QUORLNML: unknown name 'JDP'"},
          std::pair{"&QUORLNML CJUSERFILE='data.txt',\n  JITERTOTAL=100 /\n",
                    "line 2 of group &QUORLNML: unknown name 'JITERTOTAL'"}}) {
        SCOPED_TRACE(group);
        TempDir::writeFile("Quorl-user.nml", std::string(group) + kFit);
        const std::set<std::string> before = filesIn(".");
        const Command r({});
        EXPECT_EQ(r.status, quorl::fit::kFitGroupStatus);
        EXPECT_NE(r.out.str().find(std::string("quorl-fit: Quorl-user.nml, &QUORLNML: ") + says), std::string::npos)
            << r.out.str();
        EXPECT_EQ(filesIn("."), before);
    }
}

}  // namespace
