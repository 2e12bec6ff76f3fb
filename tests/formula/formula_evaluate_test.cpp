// The evaluator against the same expressions written in C++ with Quad
// values: every formula of the table, on random arguments with full-length
// tails, must give the C++ value to the last bit. The table covers each
// operator and its precedence, unary minus, every function, pi, constant
// parts and the powers with constant exponents.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "formula/formula.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;

struct Args {
    Quad a, b, c;  // parameters, in (-2, 2)
    Quad x, y;     // variables, in (0.1, 2)
};

struct Case {
    const char* formula;
    std::function<Quad(const Args&)> cpp;
};

const Quad two = fromInt(2);

const Case kCases[] = {
    {"a + b*x - c/y", [](const Args& v) { return v.a + v.b * v.x - v.c / v.y; }},
    {"a - b - c", [](const Args& v) { return (v.a - v.b) - v.c; }},
    {"a / b / c", [](const Args& v) { return (v.a / v.b) / v.c; }},
    {"a - b*c + x", [](const Args& v) { return (v.a - v.b * v.c) + v.x; }},
    {"(a + b) * (x - y)", [](const Args& v) { return (v.a + v.b) * (v.x - v.y); }},
    {"-x^2", [](const Args& v) { return -(v.x * v.x); }},
    {"-a*b", [](const Args& v) { return (-v.a) * v.b; }},
    {"+a - -b", [](const Args& v) { return v.a - (-v.b); }},
    {"x^y^a", [](const Args& v) { return pow(v.x, pow(v.y, v.a)); }},
    {"x**-a", [](const Args& v) { return pow(v.x, -v.a); }},
    {"x^3 + y^2 + x^0.5 + y^-1", [](const Args& v) {
         return pow(v.x, 3) + v.y * v.y + pow(v.x, quadFromText("0.5")) + pow(v.y, -1);
     }},
    {"pow(x, a) + pow(y, 5) + pow(x, 2)", [](const Args& v) { return pow(v.x, v.a) + pow(v.y, 5) + v.x * v.x; }},
    {"x * 2^-3 + 2^3^2", [](const Args& v) { return v.x * pow(two, -3) + pow(two, 9); }},
    {"a*exp(-b*x) + c", [](const Args& v) { return v.a * exp((-v.b) * v.x) + v.c; }},
    {"2*pi*x/12", [](const Args& v) { return ((two * quorl::kPi) * v.x) / fromInt(12); }},
    {"1.5e-3*x + .25 - 6.02E23/y", [](const Args& v) {
         return quadFromText("1.5e-3") * v.x + quadFromText(".25") - quadFromText("6.02E23") / v.y;
     }},
    {"sin(x) + cos(a) - tan(y)", [](const Args& v) { return sin(v.x) + cos(v.a) - tan(v.y); }},
    {"asin(x/2) * acos(y/2) + atan(a) - atan2(b, c)", [](const Args& v) {
         return asin(v.x / two) * acos(v.y / two) + atan(v.a) - atan2(v.b, v.c);
     }},
    {"sinh(a) + cosh(b) * tanh(c)", [](const Args& v) { return sinh(v.a) + cosh(v.b) * tanh(v.c); }},
    {"expm1(a) + log1p(x) - log(y) + log10(x) * sqrt(y) + abs(a)", [](const Args& v) {
         return expm1(v.a) + log1p(v.x) - log(v.y) + log10(v.x) * sqrt(v.y) + abs(v.a);
     }},
    {"c * (1-(1+2*x)**(-.5))", [](const Args& v) {
         return v.c * (fromInt(1) - pow(fromInt(1) + two * v.x, quadFromText("-.5")));
     }},
};

// A quad real with a random head in [lo, hi) and a random full-length tail.
Quad random(std::mt19937_64& rng, double lo, double hi) {
    std::uniform_real_distribution<double> head(lo, hi), tail(-0.5, 0.5);
    const double h = head(rng);
    return Quad{h, std::ldexp(tail(rng), std::ilogb(h) - 52)};
}

TEST(FormulaEvaluate, MatchesTheSameExpressionInCppToTheLastBit) {
    const quorl::formula::Names names{{"a", "b", "c"}, {"x", "y"}};
    std::mt19937_64 rng(14);
    for (const Case& t : kCases) {
        quorl::formula::Program program = quorl::formula::compile(t.formula, names);
        for (int trial = 0; trial < 200; ++trial) {
            const Args v{random(rng, -2, 2), random(rng, -2, 2), random(rng, -2, 2), random(rng, 0.1, 2),
                         random(rng, 0.1, 2)};
            const Quad params[] = {v.a, v.b, v.c};
            const Quad vars[] = {v.x, v.y};
            const Quad got = program.evaluate(params, vars);
            const Quad want = t.cpp(v);
            ASSERT_TRUE(got.hi == want.hi && got.lo == want.lo)
                << t.formula << ": " << got.hi << " + " << got.lo << " where C++ gives " << want.hi << " + "
                << want.lo;
        }
    }
}

// A number is the quad real nearest its decimal text, as parseQuad reads it.
TEST(FormulaEvaluate, NumbersAreReadAtFullPrecision) {
    for (const char* text : {"0.1", "3.14159265358979323846264338327950288", "1e-300", "6.02214076e23", ".5",
                             "12345678901234567890123456789", "2.5E+10", "7.000000000000000000000000000001"}) {
        quorl::formula::Program program = quorl::formula::compile(text, {});
        const Quad got = program.evaluate({}, {});
        const Quad want = quadFromText(text);
        EXPECT_TRUE(got.hi == want.hi && got.lo == want.lo) << text;
    }
}

// Parts that depend on no name are computed at compile time; a constant
// integer exponent makes no general power.
TEST(FormulaEvaluate, ConstantPartsAreComputedOnce) {
    using quorl::formula::Op;
    const quorl::formula::Names names{{"b"}, {"x"}};
    const struct {
        const char* formula;
        std::vector<Op> code;
    } cases[] = {
        {"2*pi*x/12", {Op::Const, Op::Var, Op::Mul, Op::Const, Op::Div}},
        {"-(2^3) + sqrt(4)*b", {Op::Const, Op::Const, Op::Param, Op::Mul, Op::Add}},
        {"x^2 - x^3", {Op::Var, Op::Square, Op::Var, Op::PowInt, Op::Sub}},
        {"x^b - x^0.5", {Op::Var, Op::Param, Op::Pow, Op::Var, Op::Const, Op::Pow, Op::Sub}},
    };
    for (const auto& t : cases) {
        const quorl::formula::Program program = quorl::formula::compile(t.formula, names);
        std::vector<Op> ops;
        for (const quorl::formula::Instruction& in : program.code()) {
            ops.push_back(in.op);
        }
        EXPECT_EQ(ops, t.code) << t.formula;
    }
}

}  // namespace
