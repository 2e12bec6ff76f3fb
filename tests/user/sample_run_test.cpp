// The sample program end to end: the real executable in a fresh directory,
// fed from standard input, and the sample model in-process for the exact
// content of the run summary.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/run_quorl.hpp"
#include "model/constants.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "user/power_law_sample.hpp"

namespace {

using quorl::testing::runSample;
using quorl::testing::TempDir;


std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

TEST(SampleProgram, RunsUnattendedToTheEndWithItsShippedConfiguration) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1 /\n");
    EXPECT_EQ(runSample(), 0) << TempDir::readFile("console.txt");
    // The announcement, the report before the quit question (answered by
    // the end of input), and the closing lines.
    const std::string console = TempDir::readFile("console.txt");
    const std::string closing =
        "`Quorl-out.txt` has your run summary.\n"
        "`Quorl-params.txt` has the parametric values.\n"
        "Press `Enter` to exit.\n";
    EXPECT_EQ(console.substr(0, 44), "Quorl-user.nml variable changes included...\n");
    EXPECT_NE(console.find(" Want to quit (N/n or Y/y)?"), std::string::npos);
    ASSERT_GE(console.size(), closing.size());
    EXPECT_EQ(console.substr(console.size() - closing.size()), closing);
    EXPECT_TRUE(TempDir::exists("Quorl-out.txt"));
}

TEST(SampleProgram, ExitsNonZeroWhenTheModelCannotRun) {
    TempDir dir;
    // Without a configuration JUSERCONFIG stays 0: the first data point halts.
    EXPECT_NE(runSample(), 0);
    EXPECT_NE(TempDir::readFile("console.txt").find("YouQuorl: jUserConfig not = [1,2]. Press enter to halt."),
              std::string::npos);
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=3 /\n");
    EXPECT_NE(runSample(), 0);
}

// With JPD = 0 the run summary is not opened at start-up, yet the model's
// listing and the final evaluation are addressed to it: they replace an
// older summary, as the closing line says, and no stray file appears. At
// the highest detail the trace of the parameter file's evaluation, after the
// summary is closed, is appended to it too.
TEST(SampleProgram, EverythingAddressedToTheRunSummaryLandsInIt) {
    TempDir dir;
    TempDir::writeFile("Quorl-out.txt", "AN OLDER SUMMARY\n");
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JPD=0, JITERTOT=2 /\n");
    ASSERT_TRUE(quorl::testing::ranToItsEnd(runSample())) << TempDir::readFile("console.txt");
    std::string summary = TempDir::readFile("Quorl-out.txt");
    EXPECT_EQ(summary.find("AN OLDER SUMMARY"), std::string::npos);
    EXPECT_EQ(summary.rfind("YouQuorl(1):", 1), 1u) << summary.substr(0, 200);
    EXPECT_NE(summary.find("EvalFit Summary:"), std::string::npos);
    EXPECT_NE(TempDir::readFile("console.txt").find("`Quorl-out.txt` has your run summary."), std::string::npos);
    EXPECT_FALSE(TempDir::exists("fort.11"));

    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=1, JPD=8, JITERTOT=1 /\n");
    ASSERT_TRUE(quorl::testing::ranToItsEnd(runSample())) << TempDir::readFile("console.txt");
    summary = TempDir::readFile("Quorl-out.txt");
    const std::size_t closing = summary.find("Quorl: saving results & deallocating arrays...");
    ASSERT_NE(closing, std::string::npos);
    EXPECT_NE(summary.find("YouQuorl(3): Md=10", closing), std::string::npos);
    EXPECT_FALSE(TempDir::exists("fort.11"));
}

TEST(SampleProgram, SummaryFileHoldsTheRunInOrder) {
    TempDir dir;
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=2, JITERTOT=1 /\n");
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    ASSERT_EQ(quorl::runQuorl(s, quorl::PowerLawSample{}), quorl::kNotConvergedStatus) << out.str();
    const std::vector<std::string> got = lines(TempDir::readFile("Quorl-out.txt"));
    // With P1 = P2 = 0 every residual is log10 of the measured value.
    const std::vector<std::string> head = {
        quorl::Text<60>(quorl::constants::versionBanner()).str(),
        "",
        "Project Context:",
        "Non-Linear Fit:   Z = P1 * X**P2",
        "Introduces the analytical power of `Quorl-Engine`.",
        "Uses Quorl`s `'YouQuorl()' interface.",
        "Model & Datae: the Quorl power-law sample, ten exact points",
        "Tue Oct 09,2018 08:00",
        "Engine: Quorl, double-double quad reals of ~32 digits",
        "",
        "YouQuorl(1):",
        " Pr( ).Pbase=  Value:                                    Name:",
        "    1    0.00000000000000000000000000000000E+00    1:Coe1",
        "    2    0.00000000000000000000000000000000E+00    2:Coe2",
        "",
        "Quorl`s initial values, after calling YouQuorl(1):",
        " jBOn     =     4       = [     1: ]",
        " jUnClamp =     4       = [     1: ]",
        " jStepMult=     2       = [     1,2]",
        " jPrev    =    -1       = [-1,0,1  ]",
        "",
        " jpU      =    11       = [   0,6,11]",
        " jpD      =     6       = [   0-8   ]",
        " jpU10    =    10       = [       10]",
        " jpU3D    =    13       = [   0  ,13]",
        "",
        " jItertot =     1       = [   0:    ]",
        "",
        " Weight   =   0.100E+01 = [ nom: 1.] ",
        " Delta    =   0.100E-05 = [small>0.] ",
        " offon    =   0.100E+01 = [  0., 1.] ",
        "",
        " jMintot  =     2       = [   1:    ]",
        "",
        " Kptot    =     2       = [   1:    ]",
        " Lztot    =     1       = [   1:    ]",
        " Mdtot    =    10       = [   1:    ]",
        " Nxtot    =     1       = [   1:    ]",
        "",
        "Iteration:  0",
        "Delta=0.100000E-05",
    };
    ASSERT_GE(got.size(), head.size());
    for (std::size_t i = 0; i < head.size(); ++i) {
        EXPECT_EQ(got[i], head[i]) << "line " << i + 1;
    }
    // Then, in this order: the baseline report, the model's iteration hook,
    // the next pass with its step, the final evaluation.
    const std::vector<std::string> rest(got.begin() + static_cast<long>(head.size()), got.end());
    const std::vector<std::string> marks = {
        "                                   om = an order-of-magnitude change scale.",
        "RSS = ",
        "YouQuorl(5): RSS  =",
        "             Delta=0.100000E-05",
        "Iteration:  1",
        "RSSPartials:  PstepMag =",
        "Kp#   BtB(Kptot,Kptot) | BtZ(Kptot)=  (normalized)",
        "Inverter`s full Pr(Kp).Pstep(2,1):",
        "Pr.Pstep(1,1) RSS values: Clamped:",
        "SelectStepMult minimization pass  1:",
        "Pass  1 of   1  RSS partials -clamped  om = ",
        "YouQuorl(5): RSS  =",
        "EvalFit final printout:",
        "EvalErr:",
        "EvalFit Summary:",
        "            2  Iterations",
        "Uncertainties of the accepted values:",
        " Correlations of the parameters used:",
    };
    std::size_t at = 0;
    for (const std::string& mark : marks) {
        while (at < rest.size() && rest[at].compare(0, mark.size(), mark) != 0) {
            ++at;
        }
        ASSERT_LT(at, rest.size()) << "missing, or out of order: " << mark;
        ++at;
    }
    ASSERT_GE(rest.size(), 4u);
    EXPECT_EQ(rest[rest.size() - 4], "");
    EXPECT_EQ(rest[rest.size() - 3], "////////////////////////////////////////");
    EXPECT_EQ(rest[rest.size() - 2], "A YouQuorl(6)`Final printout entry.");
    EXPECT_EQ(rest.back(), "Quorl: saving results & deallocating arrays...");
}

}  // namespace
