// A faulty configuration file next to the parameter file of an earlier run:
// the real sample program, run twice in one directory.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/run_sample.hpp"
#include "support/mask_run.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::testing::runSample;
using quorl::testing::TempDir;


bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

const char* const kReadError = "Error reading Quorl-user.nml. Press enter to continue.";

// An unknown member, a value of the wrong type and a text that never ends,
// each before JUSERCONFIG: the pause comes, the selector keeps its initial
// 0, the sample refuses to run, and the earlier result is left byte for byte.
TEST(BadConfiguration, AFaultBeforeTheModelSelectorLeavesTheEarlierResultWhole) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JITERTOT=3 /\n");
    ASSERT_TRUE(quorl::testing::ranToItsEnd(runSample())) << TempDir::readFile("console.txt");
    const std::string earlier = TempDir::readFile("Quorl-params.txt");
    ASSERT_FALSE(earlier.empty());

    const char* const faulty[] = {
        "&QUORLNML JPD=3, JSTEPMAGIC=1, JUSERCONFIG=1 /\n",
        "&QUORLNML JITERTOT='many', JUSERCONFIG=1 /\n",
        "&QUORLNML WHAT='no closing quote, JUSERCONFIG=1 /\n",
        "&QUORLNML JUSERCONFIG=\n",
    };
    for (const char* text : faulty) {
        TempDir::writeFile("Quorl-user.nml", text);
        EXPECT_NE(runSample(), 0) << text;
        const std::string console = TempDir::readFile("console.txt");
        EXPECT_TRUE(has(console, kReadError)) << text << console;
        EXPECT_EQ(TempDir::readFile("Quorl-params.txt"), earlier) << text;
        EXPECT_TRUE(TempDir::temporaries().empty()) << text;
    }
}

// A fault after the selector: the members before it count, the run goes
// on from its pause and replaces the earlier result with a complete one.
TEST(BadConfiguration, AFaultAfterTheSelectorPausesAndTheRunGoesOn) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JITERTOT=1 /\n");
    ASSERT_TRUE(quorl::testing::ranToItsEnd(runSample())) << TempDir::readFile("console.txt");
    const std::string earlier = TempDir::readFile("Quorl-params.txt");

    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JITERTOT=6, JBON=2, JSTEPMAGIC=1 /\n");
    EXPECT_TRUE(quorl::testing::ranToItsEnd(runSample())) << TempDir::readFile("console.txt");
    EXPECT_TRUE(has(TempDir::readFile("console.txt"), kReadError));
    const std::string later = TempDir::readFile("Quorl-params.txt");
    EXPECT_NE(later, earlier);
    // The complete file ends with its project context, like the earlier one
    // (from the line after the timestamp).
    const std::size_t tail = earlier.find('\n', earlier.rfind("Project Context:"));
    const std::size_t laterTail = later.find('\n', later.rfind("Project Context:"));
    ASSERT_NE(tail, std::string::npos);
    ASSERT_NE(laterTail, std::string::npos);
    EXPECT_EQ(quorl::testing::maskRunIdentity(later.substr(laterTail)),
              quorl::testing::maskRunIdentity(earlier.substr(tail)));
    EXPECT_TRUE(has(TempDir::readFile("Quorl-out.txt"), "Iteration:  6"));
}

}  // namespace
