// Formula: a formula text compiled once into a compact postfix program and
// evaluated per data point in quad arithmetic, without allocation.
//
// The notation:
//   + - * /      the usual operators, left to right, * and / before + and -
//   ^ (or **)    power, right to left: a^b^c = a^(b^c); before unary minus,
//                so -x^2 = -(x^2), and x^-2 = x^(-2)
//   -x, +x       unary minus and plus, before * and /: -a*b = (-a)*b
//   ( )          grouping
//   numbers      1, 2.5, .5, 6.02e23, 1E-5: read into the quad real nearest
//                the decimal text, as every decimal constant of the engine
//   pi           the quad real nearest pi
//   functions    sin cos tan asin acos atan sinh cosh tanh exp expm1 log
//                log1p log10 sqrt abs of one argument; atan2(y, x) and
//                pow(x, y) of two
//   names        parameters and variables, as the caller declares them:
//                a letter or _, then letters, digits and _
//
// Every operation is the quad real's own, in the order the formula gives,
// so a formula evaluates bit for bit as the same expression written in C++
// with Quad values. Powers with a constant integer exponent are taken as a
// C++ author writes them: x^2 is x*x, x^n for any other constant integer n
// is pow(x, n) (binary powering, exact where the products are). A part of
// the formula that depends on no name is computed once, when the formula is
// compiled, by the same operations, so it gives the same bits (2*pi/12
// becomes one constant).
//
// A faulty formula throws FormulaError with the column (0-based byte
// offset into the text) of the fault. Faults are those of the notation,
// an unknown name, nesting deeper than kMaxNesting levels, and a part that
// depends on no name whose value is not finite (1/(1-1), log(0), 10^400)
// or a division by a constant 0 (x/(1-1)).
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "quad/quad.hpp"
#include "quad/quad_block.hpp"

namespace quorl::formula {

// The deepest nesting a formula may have: each parenthesis, function
// argument, sign and power exponent is one level. Far beyond any formula
// written by hand; the compiler recurses once per level.
inline constexpr int kMaxNesting = 100;

// What the program's instructions do. Push: Const, Param, Var. Unary, on
// the top value: Neg, PowInt and the functions of one argument. Binary, on
// the two top values: the rest.
enum class Op : std::uint8_t {
    Const,   // push constants[arg]
    Param,   // push params[arg]
    Var,     // push vars[arg]
    Neg,
    Add,
    Sub,
    Mul,
    Div,
    Pow,     // pow(a, b)
    PowInt,  // pow(a, arg)
    Square,  // a * a, for a^2
    Sin,
    Cos,
    Tan,
    Asin,
    Acos,
    Atan,
    Sinh,
    Cosh,
    Tanh,
    Exp,
    Expm1,
    Log,
    Log1p,
    Log10,
    Sqrt,
    Abs,
    Atan2,  // atan2(a, b)
};

// How many values an instruction takes from the stack: 0 for the pushes,
// 2 for the binary operations, 1 for the rest.
constexpr int operandCount(Op op) {
    switch (op) {
    case Op::Const:
    case Op::Param:
    case Op::Var:
        return 0;
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::Pow:
    case Op::Atan2:
        return 2;
    default:
        return 1;
    }
}

struct Instruction {
    Op op;
    std::int32_t arg;  // constant, parameter or variable slot; PowInt's exponent
};

class FormulaError : public std::runtime_error {
public:
    enum class Kind {
        Syntax,       // anything but an unknown name
        UnknownName,  // a name that is neither a parameter nor a variable nor pi
    };
    FormulaError(Kind kind, std::size_t column, std::string message, std::string name = {})
        : std::runtime_error(message), kind_(kind), column_(column), name_(std::move(name)) {}
    Kind kind() const { return kind_; }
    // 0-based byte offset of the fault in the text compiled.
    std::size_t column() const { return column_; }
    // The unknown name (Kind::UnknownName).
    const std::string& name() const { return name_; }

private:
    Kind kind_;
    std::size_t column_;
    std::string name_;
};

class Program {
public:
    // The value for the given parameters and variables (slots as declared
    // to compile). Both spans must hold at least parameterCount() and
    // variableCount() values; checked once per call.
    Quad evaluate(std::span<const Quad> params, std::span<const Quad> vars);

    // The same value, bit for bit, and in the same pass the exact partial
    // derivatives: partials[k] = d value / d params[k] for every
    // k < parameterCount() (0 for a slot the formula does not use); partials
    // must hold at least parameterCount() values. Forward mode over the
    // program, with the derivative rules and edge behaviour of quorl::Dual
    // (quad/derivative_rules.hpp). Each instruction updates only the partials
    // of the parameters its result depends on, known when the formula is
    // compiled, so a part that depends on no parameter costs what it costs
    // above. Allocates nothing.
    Quad evaluate(std::span<const Quad> params, std::span<const Quad> vars, std::span<Quad> partials);

    // The same for n points at once (1 <= n <= block::kLanes): vars[v] holds
    // variable v's values of the n points, lane i for point i. value
    // receives, in lanes 0 .. n - 1, each point's value and, in the second
    // form, partials[k] (k < parameterCount()) each point's partial
    // d value / d params[k]: bit for bit what evaluate gives for that point
    // alone. The program is run once for the block, each instruction over
    // its lanes with the kernels of quad/quad_block.hpp; a part that depends
    // on no variable is computed once, in one lane. Lanes of vars from n on
    // are not read. Allocates nothing (formula_block.cpp).
    void evaluateBlock(std::span<const Quad> params, std::span<const block::Values> vars, int n,
                       block::Values& value);
    void evaluateBlock(std::span<const Quad> params, std::span<const block::Values> vars, int n,
                       block::Values& value, std::span<block::Values> partials);

    // One more than the highest slot the formula uses, 0 when it uses none.
    int parameterCount() const { return parameterCount_; }
    int variableCount() const { return variableCount_; }
    // Whether the formula uses parameter (variable) slot k.
    bool usesParameter(int k) const;
    bool usesVariable(int k) const;

    const std::vector<Instruction>& code() const { return code_; }
    const std::vector<Quad>& constants() const { return constants_; }

private:
    friend class Compiler;

    // The parameters the result of one instruction depends on, for the
    // partials pass: the slots dependencyList_[begin, end), sorted within
    // each part; those of [begin, shared) come from both operands, those of
    // [shared, first) from the first (or only) operand alone, those of
    // [first, end) from the second alone. A parameter push has its own slot
    // as a first-operand entry.
    struct Dependencies {
        std::int32_t begin, shared, first, end;
    };

    void checkSizes(std::size_t params, std::size_t vars) const;
    // Fills dependencies_ and dependencyList_ from the code and sizes
    // partialStack_ (formula_partials.cpp); the compiler's last step.
    void recordDependencies();
    // Marks the instructions whose value depends on a variable and sizes
    // the block storage (formula_block.cpp); called after
    // recordDependencies.
    void prepareBlocks();
    void checkBlock(std::size_t params, std::size_t vars, int n) const;
    // The block pass; false where a point of the block is not finite at an
    // instruction whose partials are asked, left then to evaluate per point.
    template <bool kPartials>
    bool blockPass(const Quad* params, const block::Values* vars, int n, block::Values& value,
                   block::Values* partials);

    std::vector<Instruction> code_;
    std::vector<Quad> constants_;
    std::vector<Quad> stack_;  // sized to the deepest the program goes
    int parameterCount_ = 0;
    int variableCount_ = 0;
    std::vector<Dependencies> dependencies_;  // one per instruction
    std::vector<std::int32_t> dependencyList_;
    std::vector<Quad> partialStack_;  // parameterCount_ partials per stack place
    // For the block pass: per instruction, whether its value depends on a
    // variable (bit 0) and so do its first (bit 1) and second (bit 2)
    // operands; a value, parameterCount_ partial rows and a few scratch
    // blocks per stack place; a point's variables and partials.
    std::vector<std::uint8_t> varying_;
    std::vector<block::Values> blockStack_;
    std::vector<block::Values> blockRows_;
    std::vector<block::Values> blockScratch_;
    std::vector<Quad> pointVars_;
    std::vector<Quad> pointPartials_;
};

// The names of one formula's two kinds of input, by slot.
struct Names {
    std::vector<std::string> parameters;
    std::vector<std::string> variables;
};

// Compiles the formula text; throws FormulaError on a fault.
Program compile(std::string_view text, const Names& names);

// The name of a function or constant of the notation (sin, pi, ...): such a
// name cannot be a parameter's or a variable's.
bool isReservedName(std::string_view name);

// A name of the notation: a letter or _, then letters, digits and _.
bool isName(std::string_view text);

}  // namespace quorl::formula
