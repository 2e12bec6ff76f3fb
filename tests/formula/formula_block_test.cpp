// The block pass against the one-point passes: for every formula of the
// table, blocks of n = 1 .. 32 points must give in every lane the value and
// the partials that evaluate gives for that point alone, to the last bit.
// The table covers every instruction, with and without a variable, and
// operations at the root whose operands are not checked before. Each
// (formula, n) is tried with ordinary points only, with zeros and other
// finite special points among them, with any special points (NaN,
// infinities, negative logarithms, divisions by 0, overflowing exp), and
// with a parameter that is special too.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "formula/formula.hpp"
#include "tests/quad/oracle.hpp"

namespace {

using quorl::Quad;
using quorl::block::Values;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Parameters p, q, r and variables x, y; ordinary points keep every formula
// in its domain and finite.
const char* const kFormulas[] = {
    "p*exp(-q*x) + r",
    "-p*x^2 + q/(x - r) - (p - x)*(y + q) + -x + p/(y - 2) + q*(q - p*x)",
    "sin(p*x) + cos(q*y) - tan(r + x)",
    "asin(tanh(p*x)) - acos(tanh(q - y)) * atan(r*x)",
    "sinh(p*x) / cosh(q + y) + tanh(r*x)",
    "expm1(p*x) + q*log(x) - log1p(r*r*y) + log10(x*y)",
    "sqrt(abs(p)*x) + abs(q - y) + x^3*p^-2 + (q*x)^-3 + x^0 * r",
    "pow(x, p) + x^q + abs(r)^x + pow(y, 2.5) + 2^(q*y) + x^(abs(p)*x)",
    "atan2(p*x, q) + atan2(r, y) - atan2(x, y) + atan2(q, p)",
    "exp(sin(p*x)*q) / (r - y)^2 + (p + x)^2",
    "p*q + r^2 - exp(q) / sqrt(abs(p))",
    "x*y + 2",
    "(p - x)*(q + x)",
    "(p + x)/(q*exp(-x))",
    "q",
    "x",
    "-q",
    "exp(r)",
    "exp(q*x)",
};

// The first four keep most formulas finite (but reach the zero-partial
// rules and the infinite slopes); the others do not.
constexpr std::array<double, 12> kSpecial{0, -0.0, 1e-300, 2, nan, inf, -inf, -1, -2.5, 1e300, -1e300, 700};

bool same(Quad a, Quad b) {
    return (std::isnan(a.hi) && std::isnan(b.hi)) ||
           (std::bit_cast<std::uint64_t>(a.hi) == std::bit_cast<std::uint64_t>(b.hi) &&
            std::bit_cast<std::uint64_t>(a.lo) == std::bit_cast<std::uint64_t>(b.lo));
}

TEST(FormulaBlock, EveryLaneAsEvaluateOfItsPointBitForBit) {
    const quorl::formula::Names names{{"p", "q", "r"}, {"x", "y"}};
    quorl::testing::Draw draw(5);
    const auto signedDraw = [&](double lo, double hi) {
        return draw.pair((draw.coin() ? 1 : -1) * draw.logUniform(lo, hi));
    };
    for (const char* formula : kFormulas) {
        quorl::formula::Program program = quorl::formula::compile(formula, names);
        for (int n = 1; n <= quorl::block::kLanes; ++n) {
            for (int trial = 0; trial < 4; ++trial) {
                std::array<Quad, 3> params;
                for (Quad& v : params) {
                    v = signedDraw(-1.5, 1);
                }
                if (trial == 3) {
                    params[static_cast<std::size_t>(draw.uniform(0, 3))] =
                        quorl::fromDouble(kSpecial[static_cast<std::size_t>(n) % 12]);
                }
                // Lanes from n on are garbage: the pass must not read them.
                std::array<Values, 2> vars;
                for (Values& v : vars) {
                    for (int i = 0; i < quorl::block::kLanes; ++i) {
                        const bool special = trial > 0 && draw.uniform(0, 1) < 0.2;
                        v.set(i, i >= n ? Quad{nan, inf}
                                 : special ? quorl::fromDouble(kSpecial[static_cast<std::size_t>(draw.uniform(0, trial == 1 ? 4 : 12))])
                                           : draw.pair(draw.logUniform(-2, 1.5)));
                    }
                }
                Values value, plain;
                std::array<Values, 4> partials;  // one more than the formula has: left alone
                partials[3].set(0, Quad{7, 0});
                program.evaluateBlock(params, vars, n, value, std::span(partials).first(3));
                program.evaluateBlock(params, vars, n, plain);
                ASSERT_TRUE(same(partials[3].get(0), Quad{7, 0}));
                for (int i = 0; i < n; ++i) {
                    const std::array<Quad, 2> point{vars[0].get(i), vars[1].get(i)};
                    std::array<Quad, 3> want;
                    const Quad wantValue = program.evaluate(params, point, want);
                    ASSERT_TRUE(same(value.get(i), wantValue) && same(plain.get(i), wantValue))
                        << formula << " n=" << n << " lane " << i << ": " << quorl::testing::show(value.get(i))
                        << " against " << quorl::testing::show(wantValue);
                    for (int k = 0; k < program.parameterCount(); ++k) {
                        ASSERT_TRUE(same(partials[static_cast<std::size_t>(k)].get(i), want[static_cast<std::size_t>(k)]))
                            << formula << " n=" << n << " trial " << trial << " lane " << i << " d" << k << ": "
                            << quorl::testing::show(partials[static_cast<std::size_t>(k)].get(i)) << " against "
                            << quorl::testing::show(want[static_cast<std::size_t>(k)]);
                    }
                }
            }
        }
    }
}

TEST(FormulaBlock, RefusesABlockSizeOrRoomOutOfRange) {
    quorl::formula::Program program = quorl::formula::compile("p*x + q", {{"p", "q"}, {"x"}});
    const std::array<Quad, 2> params{};
    const std::array<Values, 1> vars{};
    Values value;
    std::array<Values, 2> partials;
    EXPECT_THROW(program.evaluateBlock(params, vars, 0, value), std::out_of_range);
    EXPECT_THROW(program.evaluateBlock(params, vars, quorl::block::kLanes + 1, value, partials), std::out_of_range);
    EXPECT_THROW(program.evaluateBlock(params, vars, 4, value, std::span(partials).first(1)), std::out_of_range);
    EXPECT_THROW(program.evaluateBlock(params, {}, 4, value), std::out_of_range);
}

}  // namespace
