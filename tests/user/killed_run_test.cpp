// What a run of the sample leaves when it is killed at each rename of its
// files, and when links stand at the names it writes: every file whole,
// each telling by its run line which run it comes from, and nothing
// outside the directory changed.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "engine/verdict.hpp"
#include "support/temp_dir.hpp"
#include "user/power_law_sample.hpp"
#include "vis/view_drawing.hpp"

namespace {

using quorl::testing::TempDir;
namespace fs = std::filesystem;

// The files in the order the run renames them.
const std::vector<std::string> kFiles = {"Quorl-3dJTL.txt", "Quorl-3dDraw.3dv", "Quorl-3dView.html",
                                         "Quorl-params.txt", "Quorl-results.json"};

// The sample in-process; with `killAt` >= 0 in a child process that ends
// abruptly just before its rename number `killAt`. Returns the exit status.
int runSampleHere(int killAt = -1) {
    const pid_t child = killAt < 0 ? 0 : ::fork();
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    int renames = 0;
    if (killAt >= 0) {
        s.units.setBeforeRename([&](const std::string&) {
            if (renames++ == killAt) {
                ::_exit(99);
            }
        });
    }
    const int status = quorl::runQuorl(s, quorl::PowerLawSample{});
    if (killAt >= 0) {
        ::_exit(status);
    }
    return status;
}

// The run a file names, read as its reader would; empty when it names none
// or is not whole.
std::string runOf(const std::string& name) {
    const std::string text = TempDir::readFile(name);
    if (name == "Quorl-3dJTL.txt" || name == "Quorl-3dDraw.3dv") {
        return quorl::readViewDrawing(name).run;  // stops on a file that is not whole
    }
    auto after = [&](const std::string& key, char end) {
        const std::size_t at = text.find(key);
        if (at == std::string::npos) {
            return std::string();
        }
        const std::size_t from = at + key.size();
        return text.substr(from, text.find(end, from) - from);
    };
    if (name.ends_with(".html")) {
        return text.ends_with("</html>\n") ? after("<meta name=\"quorl-run\" content=\"", '"') : "";
    }
    if (name.ends_with(".json")) {
        return text.ends_with("}\n") ? after("\"run\": \"", '"') : "";
    }
    return after("\nRun: ", '\n');
}

TEST(KilledRun, AtEachRenameEveryFileIsWholeAndNamesItsRun) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JITERTOT=4 /\n");
    const int status = runSampleHere();
    ASSERT_TRUE(status == 0 || status == quorl::kNotConvergedStatus) << status;
    std::vector<std::string> first;
    for (const std::string& f : kFiles) {
        first.push_back(runOf(f));
        ASSERT_FALSE(first.back().empty()) << f;
        EXPECT_EQ(first.back(), first.front()) << f;
    }
    for (int k = 0; k < static_cast<int>(kFiles.size()); ++k) {
        SCOPED_TRACE("killed before rename " + std::to_string(k));
        EXPECT_EQ(runSampleHere(k), 99);
        // Renamed before the kill: the new run's files; the rest: the old.
        std::string killed;
        for (std::size_t i = 0; i < kFiles.size(); ++i) {
            const std::string run = runOf(kFiles[i]);
            ASSERT_FALSE(run.empty()) << kFiles[i];
            if (static_cast<int>(i) < k) {
                EXPECT_NE(run, first[i]) << kFiles[i];
                EXPECT_TRUE(killed.empty() || run == killed) << kFiles[i];
                killed = run;
            } else {
                EXPECT_EQ(run, first[i]) << kFiles[i];
            }
        }
        for (const std::string& t : TempDir::temporaries()) {
            fs::remove(t);  // what a killed run leaves aside
        }
    }
}

TEST(SafeFiles, LinksAtAnyNameAreReplacedNeverWrittenThrough) {
    TempDir outside;
    const fs::path victim = outside.path() / "victim.txt";
    TempDir::writeFile(victim.string(), "keep me\n");
    {
        TempDir dir;
        TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JITERTOT=2 /\n");
        std::vector<std::string> names = kFiles;
        names.push_back("Quorl-out.txt");
        for (const std::string& f : names) {
            fs::create_symlink(victim, f);
            fs::create_symlink(victim, f + ".tmp");  // the fixed name of earlier versions
        }
        const int status = runSampleHere();
        EXPECT_TRUE(status == 0 || status == quorl::kNotConvergedStatus) << status;
        for (const std::string& f : names) {
            EXPECT_FALSE(fs::is_symlink(f)) << f;
            EXPECT_TRUE(fs::is_regular_file(f)) << f;
        }
        EXPECT_EQ(TempDir::readFile(victim.string()), "keep me\n");
    }
}

}  // namespace
