// The formula compiler: a recursive-descent parser over a small lexer that
// emits the postfix program as it goes. One level per precedence:
//
//   sum     := product (('+' | '-') product)*
//   product := signed (('*' | '/') signed)*
//   signed  := ('-' | '+') signed | power
//   power   := operand (('^' | '**') signed)?        right to left
//   operand := number | name | name '(' sum (',' sum)* ')' | '(' sum ')'
//
// Emitting an operation whose operands are all constants folds them into
// one constant, computed by the evaluator itself on the little program
// "constants, operation", so the folded value is the one the unfolded
// program would give. A folded value that is not finite (1/(1-1), log(0))
// is a fault of the formula, and so is a division by a constant 0
// (x/(1-1)): no data point could give such a formula a finite value. The
// message quotes the piece of text, whose extent is kept beside every value
// of the compile-time stack. A power with a constant integer exponent
// becomes Square (for 2) or PowInt. The deepest stack the program can
// reach is counted as it grows.
//
// Each level of nesting (a parenthesis, a function's argument, a sign, the
// exponent of a power) is one more turn of the recursion, so the nesting is
// limited (kMaxNesting): a caller may pass any text, and a deep one would
// otherwise exhaust the thread's stack.
#include <algorithm>
#include <array>
#include <utility>

#include "formula/formula.hpp"
#include "quad/decimal.hpp"

namespace quorl::formula {

namespace {

struct Function {
    std::string_view name;
    Op op;
    int arguments;
};

constexpr std::array kFunctions = {
    Function{"sin", Op::Sin, 1},     Function{"cos", Op::Cos, 1},     Function{"tan", Op::Tan, 1},
    Function{"asin", Op::Asin, 1},   Function{"acos", Op::Acos, 1},   Function{"atan", Op::Atan, 1},
    Function{"sinh", Op::Sinh, 1},   Function{"cosh", Op::Cosh, 1},   Function{"tanh", Op::Tanh, 1},
    Function{"exp", Op::Exp, 1},     Function{"expm1", Op::Expm1, 1}, Function{"log", Op::Log, 1},
    Function{"log1p", Op::Log1p, 1}, Function{"log10", Op::Log10, 1}, Function{"sqrt", Op::Sqrt, 1},
    Function{"abs", Op::Abs, 1},     Function{"atan2", Op::Atan2, 2}, Function{"pow", Op::Pow, 2},
};

constexpr std::string_view kPiName = "pi";

// A piece of the formula quoted in a message is cut to this many bytes.
constexpr std::size_t kQuoteRoom = 40;

const Function* findFunction(std::string_view name) {
    for (const Function& f : kFunctions) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string quoted(std::string_view text) {
    if (text.size() > kQuoteRoom) {
        std::size_t cut = kQuoteRoom - 3;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
            --cut;  // never inside a UTF-8 character
        }
        return "\"" + std::string(text.substr(0, cut)) + "...\"";
    }
    return "\"" + std::string(text) + "\"";
}

std::string valueWord(Quad v) {
    return isNaN(v) ? "not a number" : v.hi < 0.0 ? "-infinity" : "infinity";
}

}  // namespace

bool isReservedName(std::string_view name) { return name == kPiName || findFunction(name) != nullptr; }

bool isName(std::string_view text) {
    if (text.empty() || !isLetter(text[0])) {
        return false;
    }
    for (char c : text) {
        if (!isLetter(c) && !isDigit(c)) {
            return false;
        }
    }
    return true;
}

class Compiler {
public:
    Compiler(std::string_view text, const Names& names) : text_(text), names_(names) {}

    Program run() {
        advance();
        if (token_.kind == Kind::End) {
            fail(token_.pos, "the formula is empty");
        }
        sum();
        if (token_.kind == Kind::RParen) {
            fail(token_.pos, "')' without a matching '('");
        }
        if (token_.kind != Kind::End) {
            fail(token_.pos, quoted(spelling()) + " follows a complete value: an operator is missing");
        }
        program_.stack_.resize(static_cast<std::size_t>(maxDepth_));
        program_.recordDependencies();
        program_.prepareBlocks();
        return std::move(program_);
    }

private:
    enum class Kind { Number, Name, Plus, Minus, Star, Slash, Caret, LParen, RParen, Comma, End };
    struct Token {
        Kind kind = Kind::End;
        std::size_t pos = 0;
        std::size_t len = 0;
        Quad value{};
    };

    [[noreturn]] void fail(std::size_t pos, std::string message) const {
        throw FormulaError(FormulaError::Kind::Syntax, pos, std::move(message));
    }

    std::string_view spelling() const { return text_.substr(token_.pos, token_.len); }

    // The extent of a value on the compile-time stack: text_[begin, end).
    struct Span {
        std::size_t begin, end;
    };
    Span tokenSpan(const Token& t) const { return Span{t.pos, t.pos + t.len}; }
    // The value `back` places below the top (0: the top).
    Span& spanAt(std::size_t back) { return spans_[spans_.size() - 1 - back]; }

    // One more level of nesting for the life of the object.
    class Nest {
    public:
        explicit Nest(Compiler& c) : c_(c) {
            if (++c_.nesting_ > kMaxNesting) {
                c_.fail(c_.token_.pos, "the formula nests deeper than " + std::to_string(kMaxNesting) +
                                           " levels (parentheses, function calls, signs and powers)");
            }
        }
        ~Nest() { --c_.nesting_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;

    private:
        Compiler& c_;
    };

    // ---- lexer ---------------------------------------------------------

    void advance() {
        std::size_t p = pos_;
        while (p < text_.size() && (text_[p] == ' ' || text_[p] == '\t')) {
            ++p;
        }
        token_ = Token{Kind::End, p, 0, {}};
        if (p == text_.size()) {
            pos_ = p;
            return;
        }
        const char c = text_[p];
        if (isDigit(c) || (c == '.' && p + 1 < text_.size() && isDigit(text_[p + 1]))) {
            number(p);
            return;
        }
        if (isLetter(c)) {
            std::size_t e = p;
            while (e < text_.size() && (isLetter(text_[e]) || isDigit(text_[e]))) {
                ++e;
            }
            token_.kind = Kind::Name;
            token_.len = e - p;
            pos_ = e;
            return;
        }
        token_.len = 1;
        switch (c) {
        case '+': token_.kind = Kind::Plus; break;
        case '-': token_.kind = Kind::Minus; break;
        case '/': token_.kind = Kind::Slash; break;
        case '^': token_.kind = Kind::Caret; break;
        case '(': token_.kind = Kind::LParen; break;
        case ')': token_.kind = Kind::RParen; break;
        case ',': token_.kind = Kind::Comma; break;
        case '*':
            if (p + 1 < text_.size() && text_[p + 1] == '*') {
                token_.kind = Kind::Caret;
                token_.len = 2;
            } else {
                token_.kind = Kind::Star;
            }
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
                fail(p, "a character that has no place in a formula");
            }
            fail(p, "'" + std::string(1, c) + "' has no place in a formula");
        }
        pos_ = p + token_.len;
    }

    // digits [. digits] | . digits, then an optional exponent e[+-]digits.
    void number(std::size_t p) {
        std::size_t e = p;
        while (e < text_.size() && isDigit(text_[e])) {
            ++e;
        }
        if (e < text_.size() && text_[e] == '.') {
            ++e;
            while (e < text_.size() && isDigit(text_[e])) {
                ++e;
            }
        }
        if (e < text_.size() && (text_[e] == 'e' || text_[e] == 'E')) {
            std::size_t d = e + 1;
            if (d < text_.size() && (text_[d] == '+' || text_[d] == '-')) {
                ++d;
            }
            if (d == text_.size() || !isDigit(text_[d])) {
                fail(e, "the exponent of the number " + quoted(text_.substr(p, e + 1 - p)) + " has no digits");
            }
            e = d;
            while (e < text_.size() && isDigit(text_[e])) {
                ++e;
            }
        }
        Quad v{};
        if (!parseQuad(text_.substr(p, e - p), v) || !isFinite(v)) {
            fail(p, "the number " + quoted(text_.substr(p, e - p)) + " is beyond the range of a quad real");
        }
        token_ = Token{Kind::Number, p, e - p, v};
        pos_ = e;
    }

    // ---- parser --------------------------------------------------------

    // The extent of the two values on top, as one.
    Span pairSpan() { return Span{spanAt(1).begin, spanAt(0).end}; }

    void sum() {
        product();
        while (token_.kind == Kind::Plus || token_.kind == Kind::Minus) {
            const Op op = token_.kind == Kind::Plus ? Op::Add : Op::Sub;
            advance();
            product();
            emit(op, pairSpan());
        }
    }

    void product() {
        signedValue();
        while (token_.kind == Kind::Star || token_.kind == Kind::Slash) {
            const Op op = token_.kind == Kind::Star ? Op::Mul : Op::Div;
            advance();
            signedValue();
            emit(op, pairSpan());
        }
    }

    void signedValue() {
        const Nest nest(*this);
        const Token sign = token_;
        if (sign.kind == Kind::Minus) {
            advance();
            signedValue();
            emit(Op::Neg, Span{sign.pos, spanAt(0).end});
        } else if (sign.kind == Kind::Plus) {
            advance();
            signedValue();
            spanAt(0).begin = sign.pos;
        } else {
            power();
        }
    }

    void power() {
        operand();
        if (token_.kind == Kind::Caret) {
            advance();
            signedValue();
            emit(Op::Pow, pairSpan());
        }
    }

    void operand() {
        const Token t = token_;
        switch (t.kind) {
        case Kind::Number:
            advance();
            pushConstant(t.value, tokenSpan(t));
            return;
        case Kind::Name:
            advance();
            if (token_.kind == Kind::LParen) {
                call(t);
            } else {
                name(t);
            }
            return;
        case Kind::LParen:
            advance();
            sum();
            if (token_.kind != Kind::RParen) {
                fail(token_.pos, "the '(' at column " + std::to_string(t.pos + 1) + " is not closed" +
                                     (token_.kind == Kind::End ? std::string() : " before " + quoted(spelling())));
            }
            spanAt(0) = Span{t.pos, token_.pos + token_.len};
            advance();
            return;
        case Kind::End:
            fail(t.pos, "the formula ends where a value is expected");
        default:
            fail(t.pos, quoted(spelling()) + " where a value is expected");
        }
    }

    void name(const Token& t) {
        const std::string_view n = text_.substr(t.pos, t.len);
        if (n == kPiName) {
            pushConstant(kPi, tokenSpan(t));
            return;
        }
        if (findFunction(n) != nullptr) {
            fail(t.pos, std::string(n) + " is a function: write " + std::string(n) + "(...)");
        }
        for (std::size_t k = 0; k < names_.parameters.size(); ++k) {
            if (names_.parameters[k] == n) {
                push(Op::Param, static_cast<std::int32_t>(k), tokenSpan(t));
                program_.parameterCount_ = std::max(program_.parameterCount_, static_cast<int>(k) + 1);
                return;
            }
        }
        for (std::size_t k = 0; k < names_.variables.size(); ++k) {
            if (names_.variables[k] == n) {
                push(Op::Var, static_cast<std::int32_t>(k), tokenSpan(t));
                program_.variableCount_ = std::max(program_.variableCount_, static_cast<int>(k) + 1);
                return;
            }
        }
        throw FormulaError(FormulaError::Kind::UnknownName, t.pos, "unknown name " + quoted(n), std::string(n));
    }

    // name( sum, ... ): the token is at the '('.
    void call(const Token& t) {
        const std::string_view n = text_.substr(t.pos, t.len);
        const Function* f = findFunction(n);
        const auto isInput = [&](const std::vector<std::string>& names) {
            return std::find(names.begin(), names.end(), n) != names.end();
        };
        if (f == nullptr && (isInput(names_.parameters) || isInput(names_.variables))) {
            fail(token_.pos, "an operator is missing between " + std::string(n) + " and '(': write " +
                                 std::string(n) + "*(...) for a product");
        }
        if (f == nullptr) {
            std::string list;
            for (const Function& g : kFunctions) {
                list += (list.empty() ? "" : " ") + std::string(g.name);
            }
            fail(t.pos, "unknown function " + quoted(n) + " (the functions: " + list + ")");
        }
        const std::size_t open = token_.pos;
        int count = 0;
        do {
            advance();
            sum();
            ++count;
        } while (token_.kind == Kind::Comma);
        if (token_.kind != Kind::RParen) {
            fail(token_.pos, "the '(' of " + std::string(n) + " at column " + std::to_string(open + 1) +
                                 " is not closed" +
                                 (token_.kind == Kind::End ? std::string() : " before " + quoted(spelling())));
        }
        if (count != f->arguments) {
            fail(t.pos, std::string(n) + " takes " + std::to_string(f->arguments) +
                            (f->arguments == 1 ? " argument, not " : " arguments, not ") + std::to_string(count));
        }
        const Span whole{t.pos, token_.pos + token_.len};
        advance();
        emit(f->op, whole);
    }

    // ---- emitter -------------------------------------------------------

    void push(Op op, std::int32_t arg, Span span) {
        program_.code_.push_back(Instruction{op, arg});
        spans_.push_back(span);
        maxDepth_ = std::max(maxDepth_, ++depth_);
    }

    void pushConstant(Quad v, Span span) {
        program_.constants_.push_back(v);
        push(Op::Const, static_cast<std::int32_t>(program_.constants_.size() - 1), span);
    }

    // True when the last `n` instructions push constants.
    bool constantsOnTop(std::size_t n) const {
        const std::vector<Instruction>& code = program_.code_;
        if (code.size() < n) {
            return false;
        }
        for (std::size_t i = code.size() - n; i < code.size(); ++i) {
            if (code[i].op != Op::Const) {
                return false;
            }
        }
        return true;
    }

    Quad popConstant() {
        const Instruction in = program_.code_.back();
        program_.code_.pop_back();
        spans_.pop_back();
        --depth_;
        // A folded constant is the last one added; drop it with its push.
        const Quad v = program_.constants_[static_cast<std::size_t>(in.arg)];
        if (static_cast<std::size_t>(in.arg) + 1 == program_.constants_.size()) {
            program_.constants_.pop_back();
        }
        return v;
    }

    // The operation on the values on top; `span` is the extent of its
    // result in the text.
    void emit(Op op, Span span, std::int32_t arg = 0) {
        // x^n with a constant integer n: x*x, or binary powering.
        if (op == Op::Pow && constantsOnTop(1)) {
            const Quad n = program_.constants_[static_cast<std::size_t>(program_.code_.back().arg)];
            if (floor(n) == n && abs(n) < fromInt(1 << 30)) {
                popConstant();
                const std::int32_t exponent = toInt(n);
                emit(exponent == 2 ? Op::Square : Op::PowInt, span, exponent);
                return;
            }
        }
        const int k = operandCount(op);
        if (constantsOnTop(static_cast<std::size_t>(k))) {
            fold(op, arg, k, span);
            return;
        }
        if (op == Op::Div && constantsOnTop(1) &&
            program_.constants_[static_cast<std::size_t>(program_.code_.back().arg)].hi == 0.0) {
            fail(span.begin, quoted(piece(span)) + " divides by " + quoted(piece(spanAt(0))) +
                                 ", which is 0: the formula would have no finite value");
        }
        program_.code_.push_back(Instruction{op, arg});
        spans_.resize(spans_.size() - static_cast<std::size_t>(k));
        spans_.push_back(span);
        depth_ -= k - 1;
    }

    std::string_view piece(Span span) const { return text_.substr(span.begin, span.end - span.begin); }

    // Replaces the k constants on top by the value of `op` on them.
    void fold(Op op, std::int32_t arg, int k, Span span) {
        Program tiny;
        std::array<Quad, 2> operands{};
        for (int i = k; i-- > 0;) {
            operands[static_cast<std::size_t>(i)] = popConstant();
        }
        for (int i = 0; i < k; ++i) {
            tiny.constants_.push_back(operands[static_cast<std::size_t>(i)]);
            tiny.code_.push_back(Instruction{Op::Const, i});
        }
        tiny.code_.push_back(Instruction{op, arg});
        tiny.stack_.resize(2);
        const Quad v = tiny.evaluate({}, {});
        if (!isFinite(v)) {
            fail(span.begin, quoted(piece(span)) + " is " + valueWord(v) +
                                 ": a part of the formula that depends on no name must be a finite number");
        }
        pushConstant(v, span);
    }

    std::string_view text_;
    const Names& names_;
    std::size_t pos_ = 0;
    Token token_;
    Program program_;
    int depth_ = 0;
    int maxDepth_ = 0;
    std::vector<Span> spans_;  // beside each value of the compile-time stack
    int nesting_ = 0;
};

Program compile(std::string_view text, const Names& names) { return Compiler(text, names).run(); }

bool Program::usesParameter(int k) const {
    for (const Instruction& in : code_) {
        if (in.op == Op::Param && in.arg == k) {
            return true;
        }
    }
    return false;
}

bool Program::usesVariable(int k) const {
    for (const Instruction& in : code_) {
        if (in.op == Op::Var && in.arg == k) {
            return true;
        }
    }
    return false;
}

}  // namespace quorl::formula
