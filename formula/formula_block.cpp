// The block pass: a compiled formula evaluated for up to block::kLanes data
// points at once, with or without its partials.
//
// Input: the parameters, and per variable a block of the points' values.
// Output: per point the value and the partials, bit for bit those of
// evaluate for that point alone.
//
// Method: the program is interpreted once per block; each instruction works
// on whole blocks (a value block per stack place and, beside it, a block per
// parameter of the partial row), with the kernels of quad/quad_block.hpp for
// the common operations and a loop over the lanes with the quad functions and
// the rules of quad/derivative_rules.hpp for the rest. So the dispatch and the
// dependency lists are paid once per block, and the arithmetic of the points
// overlaps. Each instruction does what the partials pass does
// (formula_partials.cpp) in the same order: the same operations on the same
// operands give the same bits.
//
// A value that depends on no variable (a parameter, -b, 2*pi/p) is the same
// for every point: it is computed in one lane only and spread over the block
// where it meets a value that depends on a variable.
//
// Points that are not finite: the partials pass poisons the partials of a
// point where an operand or the value is infinite or not a number. That is
// checked per instruction for the whole block; where it finds such a point
// the block is left and each of its points is evaluated alone. The check is
// made only where partials are updated, so a block of finite points (the
// usual case) never leaves, and the value-only pass never does.
#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "formula/formula.hpp"
#include "quad/derivative_rules.hpp"
#include "quad/quad_block.hpp"

namespace quorl::formula {

namespace {

using block::groupedLanes;
using block::Values;
using namespace quorl::derivative;

// The bits of Program::varying_.
constexpr std::uint8_t kVarying = 1;
constexpr std::uint8_t kFirstVarying = 2;
constexpr std::uint8_t kSecondVarying = 4;

struct Lists {
    const std::int32_t* begin;
    const std::int32_t* shared;
    const std::int32_t* first;
    const std::int32_t* end;
};

// Whether lanes 0 .. m - 1 hold finite values (isFinite of each).
bool allFinite(const Values& v, int m) {
    bool finite = true;
    for (int i = 0; i < m; ++i) {
        finite &= std::fabs(v.hi[i]) <= std::numeric_limits<double>::max() &&
                  std::fabs(v.lo[i]) <= std::numeric_limits<double>::max();
    }
    return finite;
}

// r = a in the lanes a kernel over n lanes computes.
void copy(const Values& a, Values& r, int n) {
    const int m = groupedLanes(n);
    std::copy_n(a.hi, m, r.hi);
    std::copy_n(a.lo, m, r.lo);
}

// Lane 0 into every lane of a block of n: a value of no variable meeting
// one that has a value per point.
void spread(Values& v, int n) { block::fill(v.get(0), v, n); }

// A function of one argument without a kernel, lane by lane: a = f(a) and,
// where partials are asked, slope = f'(a) at finite points. False at a point
// that is not finite.
template <class F, class Slope>
bool unaryLanes(Values& a, int m, bool asked, Values& slope, F f, Slope fPrime) {
    for (int i = 0; i < m; ++i) {
        const Quad x = a.get(i);
        const Quad r = f(x);
        if (asked) {
            if (!finitePoint(x, r)) {
                return false;
            }
            slope.set(i, fPrime(x, r));
        }
        a.set(i, r);
    }
    return true;
}

// The same for an operation of two operands: a = f(a, b), slopes fa and fb.
template <class F, class SlopeA, class SlopeB>
bool binaryLanes(Values& a, const Values& b, int m, bool asked, Values& fa, Values& fb, F f, SlopeA slopeA,
                 SlopeB slopeB) {
    for (int i = 0; i < m; ++i) {
        const Quad x = a.get(i);
        const Quad y = b.get(i);
        const Quad r = f(x, y);
        if (asked) {
            if (!finitePoint(x, y, r)) {
                return false;
            }
            fa.set(i, slopeA(x, y, r));
            fb.set(i, slopeB(x, y, r));
        }
        a.set(i, r);
    }
    return true;
}

// The chain rule of an operation of two operands at finite points, rows of
// the first operand (where the result goes) and of the second:
// f_a da + f_b db. The second's rows are spent.
void binaryRows(const Values& fa, const Values& fb, Values* rowA, Values* rowB, const Lists& l, int m) {
    for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
        block::chain(fa, rowA[*k], rowA[*k], m);
        block::chain(fb, rowB[*k], rowB[*k], m);
        block::plus(rowA[*k], rowB[*k], rowA[*k], m);
    }
    for (const std::int32_t* k = l.shared; k != l.first; ++k) {
        block::chain(fa, rowA[*k], rowA[*k], m);
    }
    for (const std::int32_t* k = l.first; k != l.end; ++k) {
        block::chain(fb, rowB[*k], rowA[*k], m);
    }
}

}  // namespace

void Program::prepareBlocks() {
    varying_.clear();
    std::vector<bool> places;  // whether each stack value depends on a variable
    for (const Instruction& in : code_) {
        switch (operandCount(in.op)) {
        case 0:
            places.push_back(in.op == Op::Var);
            varying_.push_back(in.op == Op::Var ? kVarying : 0);
            break;
        case 1:
            varying_.push_back(places.back() ? kVarying | kFirstVarying : 0);
            break;
        default: {
            const bool b = places.back();
            places.pop_back();
            const bool a = places.back();
            places.back() = a || b;
            varying_.push_back(static_cast<std::uint8_t>((a || b ? kVarying : 0) | (a ? kFirstVarying : 0) |
                                                         (b ? kSecondVarying : 0)));
            break;
        }
        }
    }
    blockStack_.assign(stack_.size(), block::Values{});
    blockRows_.assign(stack_.size() * static_cast<std::size_t>(parameterCount_), block::Values{});
    blockScratch_.assign(3, block::Values{});
    pointVars_.assign(static_cast<std::size_t>(variableCount_), Quad{});
    pointPartials_.assign(static_cast<std::size_t>(parameterCount_), Quad{});
}

void Program::checkBlock(std::size_t params, std::size_t vars, int n) const {
    checkSizes(params, vars);
    if (n < 1 || n > block::kLanes) {
        throw std::out_of_range("formula evaluated for a block of " + std::to_string(n) + " points, where a block has 1 to " +
                                std::to_string(block::kLanes));
    }
}

template <bool kPartials>
bool Program::blockPass(const Quad* p, const block::Values* vars, int n, block::Values& value,
                        block::Values* partials) {
    const int count = parameterCount_;
    const Quad* c = constants_.data();
    const std::int32_t* list = dependencyList_.data();
    Values* stack = blockStack_.data();
    Values* rows = blockRows_.data();
    Values& t = blockScratch_[0];  // a result, while its operands are still needed
    Values& fa = blockScratch_[1];  // the slopes f_a, f_b of an operation
    Values& fb = blockScratch_[2];
    int top = 0;  // the values on the stack
    for (std::size_t i = 0; i < code_.size(); ++i) {
        const Instruction in = code_[i];
        const Dependencies& d = dependencies_[i];
        const Lists l{list + d.begin, list + d.shared, list + d.first, list + d.end};
        // The lanes: every point, or one for a value of no variable.
        const int m = (varying_[i] & kVarying) != 0 ? n : 1;
        // Whether partial rows are updated, and so the points' finiteness
        // checked.
        const bool asked = kPartials && l.begin != l.end;
        switch (operandCount(in.op)) {
        case 0: {
            Values& s = stack[top];
            if (in.op == Op::Var) {
                const Values& x = vars[in.arg];
                std::copy_n(x.hi, n, s.hi);
                std::copy_n(x.lo, n, s.lo);
                for (int j = n; j < groupedLanes(n); ++j) {
                    s.set(j, x.get(0));
                }
            } else {
                block::fill(in.op == Op::Const ? c[in.arg] : p[in.arg], s, 1);
                if (kPartials && in.op == Op::Param) {
                    block::fill(kOne, rows[top * count + in.arg], 1);
                }
            }
            ++top;
            break;
        }
        case 1: {
            Values& a = stack[top - 1];
            Values* row = rows + (top - 1) * count;
            const auto chainRows = [&](const Values& f) {
                for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                    block::chain(f, row[*k], row[*k], m);
                }
            };
            // A function of one argument without a kernel.
            const auto lanes = [&](auto f, auto fPrime) {
                if (!unaryLanes(a, m, asked, fa, f, fPrime)) {
                    return false;
                }
                if (asked) {
                    chainRows(fa);
                }
                return true;
            };
            bool ok = true;
            switch (in.op) {
            case Op::Neg:
                if (asked && !allFinite(a, m)) {
                    return false;
                }
                block::neg(a, a, m);
                for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                    block::neg(row[*k], row[*k], m);
                }
                break;
            case Op::Square:
                // As a * a: the two equal terms of the product rule added.
                if (!asked) {
                    block::square(a, a, m);
                    break;
                }
                block::square(a, t, m);
                if (!allFinite(a, m) || !allFinite(t, m)) {
                    return false;
                }
                for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                    block::chain(a, row[*k], fa, m);
                    block::plus(fa, fa, row[*k], m);
                }
                copy(t, a, m);
                break;
            case Op::Exp:
                if (asked && !allFinite(a, m)) {
                    return false;
                }
                block::exp(a, a, m);
                if (asked) {
                    if (!allFinite(a, m)) {
                        return false;
                    }
                    chainRows(a);
                }
                break;
            case Op::Abs:
                if (asked && !allFinite(a, m)) {
                    return false;
                }
                for (int j = 0; j < m; ++j) {
                    const Quad x = a.get(j);
                    for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                        row[*k].set(j, absPartial(x, row[*k].get(j)));
                    }
                    a.set(j, abs(x));
                }
                break;
            case Op::PowInt: {
                const int e = static_cast<int>(in.arg);
                ok = lanes([e](Quad x) { return pow(x, e); }, [e](Quad x, Quad) { return powIntBasePrime(x, e); });
                break;
            }
            case Op::Sin: ok = lanes([](Quad x) { return sin(x); }, sinPrime); break;
            case Op::Cos: ok = lanes([](Quad x) { return cos(x); }, cosPrime); break;
            case Op::Tan: ok = lanes([](Quad x) { return tan(x); }, tanPrime); break;
            case Op::Asin: ok = lanes([](Quad x) { return asin(x); }, asinPrime); break;
            case Op::Acos: ok = lanes([](Quad x) { return acos(x); }, acosPrime); break;
            case Op::Atan: ok = lanes([](Quad x) { return atan(x); }, atanPrime); break;
            case Op::Sinh: ok = lanes([](Quad x) { return sinh(x); }, sinhPrime); break;
            case Op::Cosh: ok = lanes([](Quad x) { return cosh(x); }, coshPrime); break;
            case Op::Tanh: ok = lanes([](Quad x) { return tanh(x); }, tanhPrime); break;
            case Op::Expm1: ok = lanes([](Quad x) { return expm1(x); }, expm1Prime); break;
            case Op::Log: ok = lanes([](Quad x) { return log(x); }, logPrime); break;
            case Op::Log1p: ok = lanes([](Quad x) { return log1p(x); }, log1pPrime); break;
            case Op::Log10: ok = lanes([](Quad x) { return log10(x); }, log10Prime); break;
            case Op::Sqrt: ok = lanes([](Quad x) { return sqrt(x); }, sqrtPrime); break;
            default: throw std::logic_error("formula block pass: an instruction of one operand it does not know");
            }
            if (!ok) {
                return false;
            }
            break;
        }
        default: {
            Values& a = stack[top - 2];
            Values& b = stack[top - 1];
            Values* rowA = rows + (top - 2) * count;
            Values* rowB = rows + (top - 1) * count;
            if (m > 1) {
                // An operand of no variable meets one that has a value per
                // point: it is spread, with its partials.
                if ((varying_[i] & kFirstVarying) == 0) {
                    spread(a, m);
                    if constexpr (kPartials) {
                        for (const std::int32_t* k = l.begin; k != l.first; ++k) {
                            spread(rowA[*k], m);
                        }
                    }
                }
                if ((varying_[i] & kSecondVarying) == 0) {
                    spread(b, m);
                    if constexpr (kPartials) {
                        for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
                            spread(rowB[*k], m);
                        }
                        for (const std::int32_t* k = l.first; k != l.end; ++k) {
                            spread(rowB[*k], m);
                        }
                    }
                }
            }
            const bool operandsFinite = !asked || (allFinite(a, m) && allFinite(b, m));
            if (!operandsFinite) {
                return false;
            }
            switch (in.op) {
            case Op::Add:
            case Op::Sub: {
                const bool subtract = in.op == Op::Sub;
                if (subtract) {
                    block::sub(a, b, a, m);
                } else {
                    block::add(a, b, a, m);
                }
                if (!asked) {
                    break;
                }
                if (!allFinite(a, m)) {
                    return false;
                }
                // The partials added (subtracted) without a product.
                for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
                    if (subtract) {
                        block::neg(rowB[*k], rowB[*k], m);
                    }
                    block::plus(rowA[*k], rowB[*k], rowA[*k], m);
                }
                for (const std::int32_t* k = l.first; k != l.end; ++k) {
                    if (subtract) {
                        block::neg(rowB[*k], rowA[*k], m);
                    } else {
                        copy(rowB[*k], rowA[*k], m);
                    }
                }
                break;
            }
            case Op::Mul:
                if (!asked) {
                    block::mul(a, b, a, m);
                    break;
                }
                block::mul(a, b, t, m);
                if (!allFinite(t, m)) {
                    return false;
                }
                binaryRows(b, a, rowA, rowB, l, m);
                copy(t, a, m);
                break;
            case Op::Div:
                if (!asked) {
                    block::div(a, b, a, m);
                    break;
                }
                block::div(a, b, t, m);
                if (!allFinite(t, m)) {
                    return false;
                }
                if (l.begin != l.first) {
                    block::fill(kOne, fa, m);  // divNumeratorPrime: 1 / b
                    block::div(fa, b, fa, m);
                }
                if (l.begin != l.shared || l.first != l.end) {
                    block::div(t, b, fb, m);  // divDenominatorPrime: -(r / b)
                    block::neg(fb, fb, m);
                }
                binaryRows(fa, fb, rowA, rowB, l, m);
                copy(t, a, m);
                break;
            case Op::Pow:
            case Op::Atan2: {
                const bool ok =
                    in.op == Op::Pow
                        ? binaryLanes(
                              a, b, m, asked, fa, fb, [](Quad x, Quad y) { return pow(x, y); },
                              [](Quad x, Quad y, Quad) { return powBasePrime(x, y); },
                              [](Quad x, Quad, Quad r) { return powExponentPrime(x, r); })
                        : binaryLanes(
                              a, b, m, asked, fa, fb, [](Quad x, Quad y) { return atan2(x, y); },
                              [](Quad x, Quad y, Quad) { return atan2Prime(x, y).dy; },
                              [](Quad x, Quad y, Quad) { return atan2Prime(x, y).dx; });
                if (!ok) {
                    return false;
                }
                if (asked) {
                    binaryRows(fa, fb, rowA, rowB, l, m);
                }
                break;
            }
            default: throw std::logic_error("formula block pass: an instruction of two operands it does not know");
            }
            --top;
            break;
        }
        }
    }
    // One value is left, in the first place.
    const bool varying = (varying_.back() & kVarying) != 0;
    const auto out = [&](Values& from, Values& to) {
        if (varying) {
            copy(from, to, n);
        } else {
            block::fill(from.get(0), to, n);
        }
    };
    out(stack[0], value);
    if constexpr (kPartials) {
        for (int k = 0; k < count; ++k) {
            block::fill(kZero, partials[k], n);
        }
        const Dependencies& last = dependencies_.back();
        for (const std::int32_t* k = list + last.begin; k != list + last.end; ++k) {
            out(rows[*k], partials[*k]);
        }
    }
    return true;
}

void Program::evaluateBlock(std::span<const Quad> params, std::span<const block::Values> vars, int n,
                            block::Values& value) {
    checkBlock(params.size(), vars.size(), n);
    blockPass<false>(params.data(), vars.data(), n, value, nullptr);
}

void Program::evaluateBlock(std::span<const Quad> params, std::span<const block::Values> vars, int n,
                            block::Values& value, std::span<block::Values> partials) {
    checkBlock(params.size(), vars.size(), n);
    const auto count = static_cast<std::size_t>(parameterCount_);
    if (partials.size() < count) {
        throw std::out_of_range("formula partials asked into room for " + std::to_string(partials.size()) +
                                " where it has " + std::to_string(count) + " parameters");
    }
    if (blockPass<true>(params.data(), vars.data(), n, value, partials.data())) {
        return;
    }
    // A point of the block is not finite somewhere: each point alone.
    for (int i = 0; i < n; ++i) {
        for (std::size_t v = 0; v < pointVars_.size(); ++v) {
            pointVars_[v] = vars[v].get(i);
        }
        value.set(i, evaluate(params, pointVars_, pointPartials_));
        for (std::size_t k = 0; k < count; ++k) {
            partials[k].set(i, pointPartials_[k]);
        }
    }
}

}  // namespace quorl::formula
