// The compiler's faults: each reported with the column where it is, and an
// unknown name told apart from the other faults (the caller adds the names
// it knows).
#include <gtest/gtest.h>

#include <string>

#include "formula/formula.hpp"

namespace {

using quorl::formula::FormulaError;

TEST(FormulaCompile, EveryFaultIsReportedAtItsColumn) {
    const quorl::formula::Names names{{"a", "b2"}, {"x"}};
    const struct {
        const char* formula;
        std::size_t column;  // 1-based
        const char* says;
        FormulaError::Kind kind = FormulaError::Kind::Syntax;
    } cases[] = {
        {"", 1, "the formula is empty"},
        {"   ", 4, "the formula is empty"},
        {"a*", 3, "ends where a value is expected"},
        {"*x", 1, "\"*\" where a value is expected"},
        {"x^", 3, "ends where a value is expected"},
        {"a*(b2+x", 8, "the '(' at column 3 is not closed"},
        {"a*(b2+x a", 9, "the '(' at column 3 is not closed before \"a\""},
        {"sin(x", 6, "the '(' of sin at column 4 is not closed"},
        {"a+b2)", 5, "')' without a matching '('"},
        {"a b2", 3, "\"b2\" follows a complete value: an operator is missing"},
        {"2x", 2, "\"x\" follows a complete value"},
        {"a*@", 3, "'@' has no place in a formula"},
        {"a*\xc3\xa9", 3, "a character that has no place in a formula"},
        {"1e", 2, "the exponent of the number \"1e\" has no digits"},
        {"x*1.5e+", 6, "the exponent of the number \"1.5e\" has no digits"},
        {"1e999*x", 1, "the number \"1e999\" is beyond the range of a quad real"},
        {"a*bb*x", 3, "unknown name \"bb\"", FormulaError::Kind::UnknownName},
        {"a*exp(-b*x)", 8, "unknown name \"b\"", FormulaError::Kind::UnknownName},
        {"sin*x", 1, "sin is a function: write sin(...)"},
        {"pi(x)", 1, "unknown function \"pi\""},
        {"a*b2(x+1)", 5, "an operator is missing between b2 and '(': write b2*(...)"},
        {"a*foo(x)", 3, "unknown function \"foo\" (the functions: sin cos"},
        {"atan2(x)", 1, "atan2 takes 2 arguments, not 1"},
        {"1 + sin(x, a)", 5, "sin takes 1 argument, not 2"},
        // Constant parts that are not finite, quoted whole.
        {"x/(1-1)", 1, "\"x/(1-1)\" divides by \"(1-1)\", which is 0"},
        {"a + 1/(1-1)", 5, "\"1/(1-1)\" is infinity: a part of the formula that depends on no name"},
        {"a*log(0)", 3, "\"log(0)\" is -infinity"},
        {"x + sqrt(-1)", 5, "\"sqrt(-1)\" is not a number"},
        {"x*(1e300*1e300)", 4, "\"1e300*1e300\" is infinity"},
        {"x - -10^400", 6, "\"10^400\" is infinity"},
        {"x*(1+2+3+4+5+6+7+8+9+10+11+12+13+14+15+16+17+18+19+20)/0", 1,
         "\"x*(1+2+3+4+5+6+7+8+9+10+11+12+13+14+1...\" divides by \"0\""},
    };
    for (const auto& t : cases) {
        try {
            quorl::formula::compile(t.formula, names);
            ADD_FAILURE() << "compiled: " << t.formula;
        } catch (const FormulaError& e) {
            EXPECT_EQ(e.column() + 1, t.column) << t.formula << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(t.says), std::string::npos) << t.formula << ": " << e.what();
            EXPECT_EQ(e.kind(), t.kind) << t.formula;
        }
    }
}

// Every kind of nesting counts, and a text of any depth is refused at the
// level past the limit, without exhausting the stack.
TEST(FormulaCompile, NestingIsLimited) {
    const quorl::formula::Names names{{"a"}, {"x"}};
    const int n = quorl::formula::kMaxNesting;
    const auto nested = [](int levels, const std::string& open, const std::string& close) {
        std::string text;
        for (int i = 0; i < levels; ++i) {
            text += open;
        }
        text += "x";
        for (int i = 0; i < levels; ++i) {
            text += close;
        }
        return text;
    };
    EXPECT_NO_THROW(quorl::formula::compile(nested(n - 1, "(", ")"), names));
    for (const std::string& deep : {nested(n, "(", ")"), nested(100000, "sin(", ")"), nested(n, "-", ""),
                                    nested(n, "a^", "")}) {
        try {
            quorl::formula::compile(deep, names);
            ADD_FAILURE() << "compiled: " << deep.substr(0, 20);
        } catch (const FormulaError& e) {
            EXPECT_NE(std::string(e.what()).find("nests deeper than " + std::to_string(n) + " levels"),
                      std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
