// The 27 NIST StRD examples of examples/nist end to end: each folder copied
// to a fresh directory and run with the real quorl-fit program from both of
// its starting points (Quorl-user-start2.nml copied over Quorl-user.nml for
// the second), the values, the scaled standard errors and the residual sum
// of squares of Quorl-results.json scored against the certified ones.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/json_value.hpp"
#include "support/run_sample.hpp"
#include "support/temp_dir.hpp"
#include "tools/nist/nist_problems.hpp"

namespace {

using quorl::Quad;
using quorl::testing::JsonValue;
using quorl::testing::TempDir;

// The certified values have 11 significant digits: a value that agrees with
// them to their rounding has a log relative error of at least 10.
constexpr double kAllDigits = 10.0;

class NistExample : public ::testing::TestWithParam<std::string> {};

TEST_P(NistExample, ReachesTheCertifiedValuesFromBothStarts) {
    const std::string name = GetParam();
    const quorl::nist::Problem p =
        quorl::nist::loadProblem(std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/nist", name);
    const std::filesystem::path folder = std::filesystem::path(QUORL_SOURCE_DIR) / "examples" / "nist" / name;
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(name + " from start " + std::to_string(start));
        TempDir dir;
        std::filesystem::copy(folder, dir.path(), std::filesystem::copy_options::recursive);
        if (start == 2) {
            std::filesystem::copy_file("Quorl-user-start2.nml", "Quorl-user.nml",
                                       std::filesystem::copy_options::overwrite_existing);
        }
        ASSERT_EQ(quorl::testing::runProgram(QUORL_FIT_PROGRAM), 0) << TempDir::readFile("console.txt");
        const JsonValue results = JsonValue::parse(TempDir::readFile("Quorl-results.json"));
        const JsonValue& params = results["parameters"];
        ASSERT_EQ(static_cast<int>(params.size()), p.parameterCount);
        for (int k = 0; k < p.parameterCount; ++k) {
            const auto i = static_cast<std::size_t>(k);
            const JsonValue& r = params[i];
            EXPECT_GE(quorl::nist::logRelativeError(quorl::fromDouble(r["value"].number()), p.certified[i]), kAllDigits)
                << "b" << k + 1 << " = " << r["value"].number() << " after " << results["iterations"].number()
                << " iterations";
            EXPECT_GE(quorl::nist::logRelativeError(quorl::fromDouble(r["standard_error"].number()), p.certifiedSd[i]),
                      kAllDigits)
                << "standard error of b" << k + 1 << " = " << r["standard_error"].number();
        }
        EXPECT_EQ(results["status"].string(), "converged");
        EXPECT_GE(quorl::nist::logRelativeError(quorl::fromDouble(results["residual_sum_of_squares"].number()),
                                                p.certifiedRss),
                  kAllDigits);
    }
}

INSTANTIATE_TEST_SUITE_P(AllProblems, NistExample, ::testing::ValuesIn(quorl::nist::problemNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
