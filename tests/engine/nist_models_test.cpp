// The NIST StRD reference files and model functions of the harness: at the
// certified values, every model reproduces the certified residual sum of
// squares, which checks the reader (data, certified values) and each model
// formula at once; the counts read agree with the files' headers.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>

#include "quad/decimal.hpp"
#include "tools/nist/nist_problems.hpp"

namespace {

using quorl::nist::Problem;

const std::string kDataDir = std::string(QUORL_SOURCE_DIR) + "/tests/engine/data/nist";

struct Counts {
    const char* name;
    int parameters;
    int observations;
    int predictors;
};

// From the headers of the reference files.
constexpr Counts kCounts[] = {
    {"Misra1a", 2, 14, 1},  {"Chwirut2", 3, 54, 1},  {"Chwirut1", 3, 214, 1}, {"Lanczos3", 6, 24, 1},
    {"Gauss1", 8, 250, 1},  {"Gauss2", 8, 250, 1},   {"DanWood", 2, 6, 1},    {"Misra1b", 2, 14, 1},
    {"Kirby2", 5, 151, 1},  {"Hahn1", 7, 236, 1},    {"Nelson", 3, 128, 2},   {"MGH17", 5, 33, 1},
    {"Lanczos1", 6, 24, 1}, {"Lanczos2", 6, 24, 1},  {"Gauss3", 8, 250, 1},   {"Misra1c", 2, 14, 1},
    {"Misra1d", 2, 14, 1},  {"Roszman1", 4, 25, 1},  {"ENSO", 9, 168, 1},     {"MGH09", 4, 11, 1},
    {"Thurber", 7, 37, 1},  {"BoxBOD", 2, 6, 1},     {"Rat42", 3, 9, 1},      {"MGH10", 3, 16, 1},
    {"Eckerle4", 3, 35, 1}, {"Rat43", 4, 15, 1},     {"Bennett5", 3, 154, 1},
};

TEST(NistProblems, TheTwentySevenAreKnownAndReadWithTheirHeaderCounts) {
    ASSERT_EQ(quorl::nist::problemNames().size(), std::size(kCounts));
    for (const Counts& c : kCounts) {
        SCOPED_TRACE(c.name);
        const Problem p = quorl::nist::loadProblem(kDataDir, c.name);
        EXPECT_EQ(p.parameterCount, c.parameters);
        EXPECT_EQ(p.observationCount, c.observations);
        EXPECT_EQ(p.predictorCount, c.predictors);
        EXPECT_EQ(p.data.size(), static_cast<std::size_t>(c.observations));
        for (const auto* v : {&p.start[0], &p.start[1], &p.certified, &p.certifiedSd}) {
            EXPECT_EQ(v->size(), static_cast<std::size_t>(c.parameters));
        }
    }
}

// Lanczos1's data are its model's values rounded to 13 digits: its certified
// residual sum of squares (1.4e-25) is rounding noise, far below what the
// 11-digit certified values can reproduce (their own rounding leaves
// residuals near 1e-11). There the sum at the certified values can only be
// bounded; Lanczos2 and Lanczos3 check the same formula to full accuracy.
TEST(NistProblems, EachModelAtTheCertifiedValuesGivesTheCertifiedResidualSumOfSquares) {
    for (const std::string& name : quorl::nist::problemNames()) {
        SCOPED_TRACE(name);
        const Problem p = quorl::nist::loadProblem(kDataDir, name);
        const quorl::Quad rss = quorl::nist::residualSumOfSquares(p, p.certified);
        if (name == "Lanczos1") {
            EXPECT_LT(rss.hi, 1e-19);
        } else {
            EXPECT_GE(quorl::nist::logRelativeError(rss, p.certifiedRss), 9.0)
                << "sum " << rss.hi << ", certified " << p.certifiedRss.hi;
        }
    }
}

TEST(NistProblems, DecimalsAreReadIntoQuadRealsWithoutPassingThroughADouble) {
    const Problem p = quorl::nist::loadProblem(kDataDir, "Nelson");
    EXPECT_TRUE(p.logResponse);
    EXPECT_EQ(p.start[1][1], quorl::quadFromText("0.000000005"));
    EXPECT_NE(p.start[1][1].lo, 0.0);  // 5e-9 is no double
    EXPECT_EQ(p.certified[2], quorl::quadFromText("-5.7701013174E-02"));
    EXPECT_EQ(p.certifiedRss, quorl::quadFromText("3.7976833176E+00"));
    EXPECT_EQ(p.data.back().x[1], quorl::fromInt(275));
}

TEST(NistProblems, AMalformedFileIsRefusedWithItsNameAndLine) {
    const std::string good =
        "Dataset Name:  Tiny  (Tiny.dat)\n"
        "               2 Observations\n"
        "               1 Parameters (b1)\n"
        "  b1 =   1   2   3.0E+00  1.0E-01\n"
        "Residual Sum of Squares:   1.0E+00\n"
        "Number of Observations:    2\n"
        "Data:   y    x\n"
        "   1E0   2E0\n"
        "   3E0   4E0\n";
    {
        std::istringstream in(good);
        Problem p = quorl::nist::parseProblem(in, "Tiny.dat");
        EXPECT_EQ(p.data[1].y, quorl::fromInt(3));
        EXPECT_FALSE(quorl::nist::attachModel(p));
    }
    struct Bad {
        std::string from, to, message;
    };
    const Bad cases[] = {
        {"   3E0   4E0\n", "   3E0   4X0\n", "Tiny.dat:9: '4X0' is not a number"},
        {"   3E0   4E0\n", "", "announces 2 observations, the table has 1"},
        {"   3E0   4E0\n", "   3E0\n", "Tiny.dat:9: a data row has 1 columns, not 2"},
        {"  b1 =   1   2   3.0E+00  1.0E-01\n", "", "announces 1 parameters, the file lists 0"},
        {"Number of Observations:    2\n", "Number of Observations:    3\n", "two counts of observations disagree"},
        {"Data:   y    x\n", "", "no data table"},
    };
    for (const Bad& b : cases) {
        std::string text = good;
        text.replace(text.find(b.from), b.from.size(), b.to);
        std::istringstream in(text);
        try {
            quorl::nist::parseProblem(in, "Tiny.dat");
            ADD_FAILURE() << "accepted: " << b.message;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(quorl::nist::loadProblem(kDataDir, "NoSuchProblem"), std::runtime_error);
}

}  // namespace
