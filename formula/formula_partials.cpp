// The partials pass: forward-mode differentiation of a compiled formula.
//
// Input: the parameters and variables (as evaluate), and room for
// parameterCount() partials. Output: the value, bit for bit what evaluate
// gives, and partials[k] = d value / d params[k].
//
// Method: beside the stack of values runs a stack of partial rows, one row
// of parameterCount() quads per stack place. Each instruction computes its
// value as evaluate does, then applies the chain rule to the row of its
// result, with the rules of quad/derivative_rules.hpp (those of quorl::Dual,
// so a formula and the same model written generically agree).
//
// Which parameters the result of each instruction depends on is fixed by the
// code, so it is worked out once, when the formula is compiled
// (recordDependencies), as three sorted lists per instruction: the
// parameters both operands depend on, those of the first alone and those of
// the second alone. At run time an instruction touches only those entries of
// its rows; the other entries of a row are never read, so rows need no
// clearing. An instruction that depends on no parameter costs what it costs
// in evaluate: its derivative rule is not even asked for.
//
// Degenerate input: a value that is infinite or not a number makes NaN of
// every partial that depends on it, except those exactly 0 (see the rules).
#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "formula/formula.hpp"
#include "quad/derivative_rules.hpp"

namespace quorl::formula {

namespace {

using namespace quorl::derivative;

// The dependency lists of one instruction, as pointers into the flat list.
struct Lists {
    const std::int32_t* begin;
    const std::int32_t* shared;
    const std::int32_t* first;
    const std::int32_t* end;
};

// A function of one argument at place `row`: value r of argument a.
template <class Slope>
void unaryPartials(Quad a, Quad r, Quad* row, const Lists& l, Slope slope) {
    if (l.shared == l.first) {
        return;
    }
    if (!finitePoint(a, r)) {
        for (const std::int32_t* k = l.shared; k != l.first; ++k) {
            row[*k] = poisoned(row[*k]);
        }
        return;
    }
    const Quad f = slope(a, r);
    for (const std::int32_t* k = l.shared; k != l.first; ++k) {
        row[*k] = chain(f, row[*k]);
    }
}

// An operation of two operands, the first at `rowA` (where the result goes),
// the second at `rowB`: partial = f_a da + f_b db, with slopeA() = f_a asked
// only if the first operand depends on a parameter, slopeB() likewise.
template <class SlopeA, class SlopeB>
void binaryPartials(Quad a, Quad b, Quad r, Quad* rowA, const Quad* rowB, const Lists& l, SlopeA slopeA,
                    SlopeB slopeB) {
    if (l.begin == l.end) {
        return;
    }
    if (!finitePoint(a, b, r)) {
        for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
            rowA[*k] = poisoned(rowA[*k], rowB[*k]);
        }
        for (const std::int32_t* k = l.shared; k != l.first; ++k) {
            rowA[*k] = poisoned(rowA[*k]);
        }
        for (const std::int32_t* k = l.first; k != l.end; ++k) {
            rowA[*k] = poisoned(rowB[*k]);
        }
        return;
    }
    const Quad fa = l.begin != l.first ? slopeA() : kZero;
    const Quad fb = l.begin != l.shared || l.first != l.end ? slopeB() : kZero;
    for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
        rowA[*k] = plus(chain(fa, rowA[*k]), chain(fb, rowB[*k]));
    }
    for (const std::int32_t* k = l.shared; k != l.first; ++k) {
        rowA[*k] = chain(fa, rowA[*k]);
    }
    for (const std::int32_t* k = l.first; k != l.end; ++k) {
        rowA[*k] = chain(fb, rowB[*k]);
    }
}

// a + b or a - b: the partials are added (subtracted) without a product.
void sumPartials(Quad a, Quad b, Quad r, bool subtract, Quad* rowA, const Quad* rowB, const Lists& l) {
    if (!finitePoint(a, b, r)) {
        binaryPartials(a, b, r, rowA, rowB, l, [] { return kZero; }, [] { return kZero; });
        return;
    }
    for (const std::int32_t* k = l.begin; k != l.shared; ++k) {
        rowA[*k] = plus(rowA[*k], subtract ? -rowB[*k] : rowB[*k]);
    }
    for (const std::int32_t* k = l.first; k != l.end; ++k) {
        rowA[*k] = subtract ? -rowB[*k] : rowB[*k];
    }
}

}  // namespace

void Program::recordDependencies() {
    dependencies_.clear();
    dependencyList_.clear();
    // The parameter sets of the stack's values, sorted, as the program runs.
    std::vector<std::vector<std::int32_t>> sets;
    const auto mark = [&] { return static_cast<std::int32_t>(dependencyList_.size()); };
    const auto append = [&](const std::vector<std::int32_t>& set) {
        dependencyList_.insert(dependencyList_.end(), set.begin(), set.end());
    };
    for (const Instruction& in : code_) {
        Dependencies d{};
        d.begin = d.shared = mark();
        switch (operandCount(in.op)) {
        case 0:
            sets.emplace_back();
            if (in.op == Op::Param) {
                sets.back().push_back(in.arg);
            }
            append(sets.back());
            d.first = d.end = mark();
            break;
        case 1:
            append(sets.back());
            d.first = d.end = mark();
            break;
        default: {
            const std::vector<std::int32_t> b = std::move(sets.back());
            sets.pop_back();
            const std::vector<std::int32_t> a = std::move(sets.back());
            auto out = std::back_inserter(dependencyList_);
            std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), out);
            d.shared = mark();
            std::set_difference(a.begin(), a.end(), b.begin(), b.end(), out);
            d.first = mark();
            std::set_difference(b.begin(), b.end(), a.begin(), a.end(), out);
            d.end = mark();
            sets.back().clear();
            std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(sets.back()));
            break;
        }
        }
        dependencies_.push_back(d);
    }
    partialStack_.assign(stack_.size() * static_cast<std::size_t>(parameterCount_), Quad{});
}

Quad Program::evaluate(std::span<const Quad> params, std::span<const Quad> vars, std::span<Quad> partials) {
    checkSizes(params.size(), vars.size());
    const auto count = static_cast<std::size_t>(parameterCount_);
    if (partials.size() < count) {
        throw std::out_of_range("formula partials asked into room for " + std::to_string(partials.size()) +
                                " where it has " + std::to_string(count) + " parameters");
    }
    const Quad* p = params.data();
    const Quad* v = vars.data();
    const Quad* c = constants_.data();
    const std::int32_t* list = dependencyList_.data();
    Quad* sp = stack_.data();         // the next free place; the top value is sp[-1]
    Quad* row = partialStack_.data();  // the partials of the next free place
    for (std::size_t i = 0; i < code_.size(); ++i) {
        const Instruction in = code_[i];
        const Dependencies& d = dependencies_[i];
        const Lists l{list + d.begin, list + d.shared, list + d.first, list + d.end};
        // The partials of the top value (for an instruction that has one).
        const auto top = [&] { return row - count; };
        const auto unary = [&](Quad r, auto slope) {
            const Quad a = sp[-1];
            sp[-1] = r;
            unaryPartials(a, r, top(), l, slope);
        };
        switch (in.op) {
        case Op::Const: *sp++ = c[in.arg]; row += count; break;
        case Op::Var: *sp++ = v[in.arg]; row += count; break;
        case Op::Param:
            *sp++ = p[in.arg];
            row[in.arg] = kOne;
            row += count;
            break;
        case Op::Neg: {
            const Quad a = sp[-1];
            sp[-1] = -a;
            const bool finite = isFinite(a);
            Quad* t = top();
            for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                t[*k] = finite ? -t[*k] : poisoned(t[*k]);
            }
            break;
        }
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
        case Op::Pow:
        case Op::Atan2: {
            const Quad a = sp[-2];
            const Quad b = sp[-1];
            const Quad* rowB = top();
            Quad* rowA = top() - count;
            Quad r;
            switch (in.op) {
            case Op::Add:
                r = a + b;
                sumPartials(a, b, r, false, rowA, rowB, l);
                break;
            case Op::Sub:
                r = a - b;
                sumPartials(a, b, r, true, rowA, rowB, l);
                break;
            case Op::Mul:
                r = a * b;
                binaryPartials(a, b, r, rowA, rowB, l, [&] { return b; }, [&] { return a; });
                break;
            case Op::Div:
                r = a / b;
                binaryPartials(
                    a, b, r, rowA, rowB, l, [&] { return divNumeratorPrime(b); },
                    [&] { return divDenominatorPrime(b, r); });
                break;
            case Op::Pow:
                r = pow(a, b);
                binaryPartials(
                    a, b, r, rowA, rowB, l, [&] { return powBasePrime(a, b); },
                    [&] { return powExponentPrime(a, r); });
                break;
            default:
                r = atan2(a, b);
                binaryPartials(
                    a, b, r, rowA, rowB, l, [&] { return atan2Prime(a, b).dy; },
                    [&] { return atan2Prime(a, b).dx; });
                break;
            }
            --sp;
            sp[-1] = r;
            row -= count;
            break;
        }
        case Op::PowInt: {
            const int n = static_cast<int>(in.arg);
            unary(pow(sp[-1], n), [n](Quad a, Quad) { return powIntBasePrime(a, n); });
            break;
        }
        case Op::Square: {
            // As a * a with both operands the same: the two equal terms of
            // the product rule are added.
            const Quad a = sp[-1];
            sp[-1] = a * a;
            const bool finite = finitePoint(a, sp[-1]);
            Quad* t = top();
            for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                const Quad half = chain(a, t[*k]);
                t[*k] = finite ? plus(half, half) : poisoned(t[*k]);
            }
            break;
        }
        case Op::Abs: {
            const Quad a = sp[-1];
            sp[-1] = abs(a);
            const bool finite = isFinite(a);
            Quad* t = top();
            for (const std::int32_t* k = l.shared; k != l.first; ++k) {
                t[*k] = finite ? absPartial(a, t[*k]) : poisoned(t[*k]);
            }
            break;
        }
        case Op::Sin: unary(sin(sp[-1]), sinPrime); break;
        case Op::Cos: unary(cos(sp[-1]), cosPrime); break;
        case Op::Tan: unary(tan(sp[-1]), tanPrime); break;
        case Op::Asin: unary(asin(sp[-1]), asinPrime); break;
        case Op::Acos: unary(acos(sp[-1]), acosPrime); break;
        case Op::Atan: unary(atan(sp[-1]), atanPrime); break;
        case Op::Sinh: unary(sinh(sp[-1]), sinhPrime); break;
        case Op::Cosh: unary(cosh(sp[-1]), coshPrime); break;
        case Op::Tanh: unary(tanh(sp[-1]), tanhPrime); break;
        case Op::Exp: unary(exp(sp[-1]), expPrime); break;
        case Op::Expm1: unary(expm1(sp[-1]), expm1Prime); break;
        case Op::Log: unary(log(sp[-1]), logPrime); break;
        case Op::Log1p: unary(log1p(sp[-1]), log1pPrime); break;
        case Op::Log10: unary(log10(sp[-1]), log10Prime); break;
        case Op::Sqrt: unary(sqrt(sp[-1]), sqrtPrime); break;
        }
    }
    // One value is left, in the first place; its row holds the partials of
    // the parameters it depends on, the others are 0.
    std::fill(partials.begin(), partials.begin() + static_cast<std::ptrdiff_t>(count), kZero);
    const Dependencies& last = dependencies_.back();
    for (const std::int32_t* k = list + last.begin; k != list + last.end; ++k) {
        partials[static_cast<std::size_t>(*k)] = partialStack_[static_cast<std::size_t>(*k)];
    }
    return sp[-1];
}

}  // namespace quorl::formula
