// The evaluator: one pass over the postfix program with a stack the
// compiler sized, so a call allocates nothing. The compiler guarantees the
// program is well formed (every operation finds its operands, one value is
// left); the sizes of the inputs are checked once per call.
#include <string>

#include "formula/formula.hpp"

namespace quorl::formula {

void Program::checkSizes(std::size_t params, std::size_t vars) const {
    if (code_.empty()) {
        throw std::logic_error("a formula evaluated before it was compiled");
    }
    if (params < static_cast<std::size_t>(parameterCount_) || vars < static_cast<std::size_t>(variableCount_)) {
        throw std::out_of_range("formula evaluated with " + std::to_string(params) + " parameters and " +
                                std::to_string(vars) + " variables, where it uses " +
                                std::to_string(parameterCount_) + " and " + std::to_string(variableCount_));
    }
}

Quad Program::evaluate(std::span<const Quad> params, std::span<const Quad> vars) {
    checkSizes(params.size(), vars.size());
    const Quad* p = params.data();
    const Quad* v = vars.data();
    const Quad* c = constants_.data();
    Quad* sp = stack_.data();  // the next free place; the top value is sp[-1]
    for (const Instruction& in : code_) {
        switch (in.op) {
        case Op::Const: *sp++ = c[in.arg]; break;
        case Op::Param: *sp++ = p[in.arg]; break;
        case Op::Var: *sp++ = v[in.arg]; break;
        case Op::Neg: sp[-1] = -sp[-1]; break;
        case Op::Add: --sp; sp[-1] = sp[-1] + sp[0]; break;
        case Op::Sub: --sp; sp[-1] = sp[-1] - sp[0]; break;
        case Op::Mul: --sp; sp[-1] = sp[-1] * sp[0]; break;
        case Op::Div: --sp; sp[-1] = sp[-1] / sp[0]; break;
        case Op::Pow: --sp; sp[-1] = pow(sp[-1], sp[0]); break;
        case Op::Atan2: --sp; sp[-1] = atan2(sp[-1], sp[0]); break;
        case Op::PowInt: sp[-1] = pow(sp[-1], static_cast<int>(in.arg)); break;
        case Op::Square: sp[-1] = sp[-1] * sp[-1]; break;
        case Op::Sin: sp[-1] = sin(sp[-1]); break;
        case Op::Cos: sp[-1] = cos(sp[-1]); break;
        case Op::Tan: sp[-1] = tan(sp[-1]); break;
        case Op::Asin: sp[-1] = asin(sp[-1]); break;
        case Op::Acos: sp[-1] = acos(sp[-1]); break;
        case Op::Atan: sp[-1] = atan(sp[-1]); break;
        case Op::Sinh: sp[-1] = sinh(sp[-1]); break;
        case Op::Cosh: sp[-1] = cosh(sp[-1]); break;
        case Op::Tanh: sp[-1] = tanh(sp[-1]); break;
        case Op::Exp: sp[-1] = exp(sp[-1]); break;
        case Op::Expm1: sp[-1] = expm1(sp[-1]); break;
        case Op::Log: sp[-1] = log(sp[-1]); break;
        case Op::Log1p: sp[-1] = log1p(sp[-1]); break;
        case Op::Log10: sp[-1] = log10(sp[-1]); break;
        case Op::Sqrt: sp[-1] = sqrt(sp[-1]); break;
        case Op::Abs: sp[-1] = abs(sp[-1]); break;
        }
    }
    return sp[-1];
}

}  // namespace quorl::formula
