// The formula compiler and evaluator. The input is one byte choosing the
// values of the parameters a, b, c and the variables x, y, then the formula
// text. For any text:
//  - compiling it either gives a program or throws FormulaError, whose
//    column lies within the text (a text of any length or depth: nothing
//    else escapes, nothing crashes);
//  - a program evaluates without a fault, and the partials pass gives the
//    same value to the last bit;
//  - a program that uses no name is one constant, and it is finite: a
//    part without names that is not finite is refused when compiled;
//  - a block of points, each lane with its own variables, gives every
//    lane's value and partials bit for bit as the point alone does.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "formula/formula.hpp"
#include "fuzz_check.hpp"

namespace {

using quorl::Quad;

bool sameBits(Quad a, Quad b) {
    const auto same = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0 || (std::isnan(x) && std::isnan(y)); };
    return same(a.hi, b.hi) && same(a.lo, b.lo);
}

// Values at the usual places and at the edges: zeros of both signs, the
// ends of the range, an infinity, NaN, pairs with a tail.
const Quad kValues[] = {
    {0.0, 0.0},     {-0.0, 0.0},         {1.0, 0.0},       {-1.0, 0.0},        {0.5, 0x1p-60},
    {2.0, 0.0},     {3.0, -0x1p-52},     {1e300, 1e283},   {-1e-300, 1e-317},  {0x1.fffffffffffffp1023, 0x1p969},
    {0x1p-1074, 0}, {1.5707963267948966, 6.123233995736766e-17}, {__builtin_inf(), 0.0}, {__builtin_nan(""), 0.0},
    {-7.25, 0.0},   {710.0, 0.0},
};
constexpr std::size_t kValueCount = sizeof kValues / sizeof kValues[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned choice = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    static const quorl::formula::Names names{{"a", "b", "c"}, {"x", "y"}};
    quorl::formula::Program program;
    try {
        program = quorl::formula::compile(text, names);
    } catch (const quorl::formula::FormulaError& e) {
        FUZZ_CHECK(e.column() <= text.size());
        FUZZ_CHECK(e.what()[0] != '\0');
        return 0;
    }
    FUZZ_CHECK(program.parameterCount() <= 3 && program.variableCount() <= 2);
    std::vector<Quad> params(3), vars(2), partials(3);
    for (std::size_t k = 0; k < 3; ++k) {
        params[k] = kValues[(choice + 3 * k) % kValueCount];
    }
    for (std::size_t k = 0; k < 2; ++k) {
        vars[k] = kValues[(choice / 4 + 5 * k + 1) % kValueCount];
    }
    const Quad value = program.evaluate(params, vars);
    const Quad again = program.evaluate(params, vars, partials);
    FUZZ_CHECK(sameBits(value, again));
    // A block of 1 to 32 points: lane i's variables from the values table.
    const int n = static_cast<int>(choice % quorl::block::kLanes) + 1;
    std::vector<quorl::block::Values> varBlocks(2), partialBlocks(3);
    quorl::block::Values valueBlock;
    for (int i = 0; i < quorl::block::kLanes; ++i) {
        for (std::size_t k = 0; k < 2; ++k) {
            varBlocks[k].set(i, kValues[(choice + 7 * static_cast<unsigned>(i) + 3 * k) % kValueCount]);
        }
    }
    program.evaluateBlock(params, varBlocks, n, valueBlock, partialBlocks);
    for (int i = 0; i < n; ++i) {
        const std::vector<Quad> laneVars{varBlocks[0].get(i), varBlocks[1].get(i)};
        FUZZ_CHECK(sameBits(valueBlock.get(i), program.evaluate(params, laneVars, partials)));
        for (std::size_t k = 0; k < static_cast<std::size_t>(program.parameterCount()); ++k) {
            FUZZ_CHECK(sameBits(partialBlocks[k].get(i), partials[k]));
        }
    }
    program.evaluateBlock(params, varBlocks, n, valueBlock);
    for (int i = 0; i < n; ++i) {
        const std::vector<Quad> laneVars{varBlocks[0].get(i), varBlocks[1].get(i)};
        FUZZ_CHECK(sameBits(valueBlock.get(i), program.evaluate(params, laneVars)));
    }
    if (program.parameterCount() == 0 && program.variableCount() == 0) {
        FUZZ_CHECK(program.code().size() == 1 && quorl::isFinite(value));
    }
    return 0;
}
