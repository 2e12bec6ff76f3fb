// The exponential-decay example end to end: the real program, built as a
// user builds a model, run in a fresh directory on its own table, against
// reference values computed independently (tools/reference/
// exp_decay_reference.py, 80-digit decimal arithmetic).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "quad/decimal.hpp"
#include "engine/verdict.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"

namespace {

using quorl::Quad;
using quorl::testing::TempDir;

const std::string kExample = std::string(QUORL_EXAMPLES_DIR) + "/exp_decay/";

// The value lines of Quorl-params.txt: a, b, c.
std::vector<Quad> fittedValues() {
    std::istringstream in(TempDir::readFile("Quorl-params.txt"));
    std::string line;
    std::getline(in, line);  // the counts
    std::vector<Quad> values;
    for (int kp = 0; kp < 3 && std::getline(in, line); ++kp) {
        std::istringstream fields(line);
        std::string text;
        fields >> text;
        Quad v{};
        EXPECT_TRUE(quorl::parseQuad(text, v)) << line;
        values.push_back(v);
    }
    return values;
}

double digits(const Quad& got, const char* reference) {
    const Quad want = quorl::quadFromText(reference);
    const double rel = std::fabs(((got - want) / want).hi);
    return rel == 0.0 ? 32.0 : -std::log10(rel);
}

int run(int config, const std::string& answers = "", int iterations = 40) {
    TempDir::writeFile("exp_decay.dat", TempDir::readFile(kExample + "exp_decay.dat"));
    TempDir::writeFile("Quorl-user.nml", "&QUORLNML JUSERCONFIG=" + std::to_string(config) +
                                             ", JBON=1, JUNCLAMP=1, JPD=1, JITERTOT=" + std::to_string(iterations) +
                                             " /\n");
    TempDir::writeFile("answers.txt", answers);
    return quorl::testing::runProgram(QUORL_EXP_DECAY_PROGRAM, "answers.txt");
}

TEST(ExpDecayExample, FitsTheReferenceWithTheBackgroundFreeOrHeld) {
    const struct {
        int config;
        const char* a;
        const char* b;
        const char* c;
        const char* seA;  // the scaled standard error of a, 12 digits
    } cases[] = {
        {1, "5.001411988202457243092656786", "0.7937964559912823547546232346", "1.191795956209724166917118700",
         "0.0480721742957"},
        {2, "4.995765998926544382283089969", "0.7981908132136665165157702613", "1.2", "0.0458143343501"},
    };
    for (const auto& t : cases) {
        TempDir dir;
        ASSERT_EQ(run(t.config), 0) << TempDir::readFile("console.txt");
        const std::vector<Quad> v = fittedValues();
        ASSERT_EQ(v.size(), 3u);
        // One-sided partials and a search that compares errors both resolve
        // the minimum to about the square root of the quad precision.
        EXPECT_GE(digits(v[0], t.a), 16.0) << t.config;
        EXPECT_GE(digits(v[1], t.b), 16.0) << t.config;
        EXPECT_GE(digits(v[2], t.c), t.config == 2 ? 32.0 : 16.0) << t.config;
        EXPECT_NE(TempDir::readFile("Quorl-results.json").find(std::string("\"standard_error\": ") + t.seA),
                  std::string::npos)
            << "config " << t.config << ": " << TempDir::readFile("Quorl-results.json");
    }
}

TEST(ExpDecayExample, RestartsFromTheLastRunsValues) {
    TempDir dir;
    // Two iterations do not converge: the run says so in its exit status,
    // and its values are still written for the next run to go on from.
    ASSERT_EQ(run(1, "", 2), quorl::kNotConvergedStatus) << TempDir::readFile("console.txt");
    EXPECT_NE(TempDir::readFile("Quorl-results.json").find("\"status\": \"iteration_limit\""), std::string::npos);
    const std::vector<Quad> first = fittedValues();
    // Answering 1 at the prompt starts from those values: with no
    // iteration they come back unchanged.
    ASSERT_EQ(run(1, "1\n", 0), quorl::kNotConvergedStatus) << TempDir::readFile("console.txt");
    const std::vector<Quad> again = fittedValues();
    ASSERT_EQ(again.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_TRUE(again[k].hi == first[k].hi && again[k].lo == first[k].lo) << k;
    }
    // Without the answer the run starts afresh from a = b = 1, c = 0.
    ASSERT_EQ(run(1, "", 0), quorl::kNotConvergedStatus);
    EXPECT_TRUE(fittedValues()[0] == quorl::fromInt(1));
}

}  // namespace
