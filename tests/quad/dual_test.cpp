// Dual numbers against __float128: for every operation and function, on
// random arguments in its domain, the value must be the Quad function's to
// the last bit and each partial within a few units of 2^-104 of the chain
// rule with the derivative computed in 113 bits (from the argument, or from
// the value where the rule takes it from the value). The edge points are
// rows of tests/formula/formula_partials_test.cpp, which checks the dual
// numbers and the formulas together.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "quad/dual.hpp"
#include "tests/quad/oracle.hpp"

namespace {

using quorl::Dual;
using quorl::fromDouble;
using quorl::Quad;
using namespace quorl::testing;
using D = Dual<2>;

constexpr double kTarget = 6.0;
constexpr int kCount = 1500;

// The derivatives of f(a, b) with respect to a and b, in 113 bits, from the
// arguments and the value r.
using Oracle = std::function<std::pair<F128, F128>(F128 a, F128 b, Quad r)>;
using Domain = std::function<std::pair<Quad, Quad>(Draw&)>;

F128 q(Quad r) { return toF128(r); }

struct Case {
    std::string name;
    std::function<Quad(Quad, Quad)> quad;
    std::function<D(D, D)> dual;
    Oracle oracle;
    Domain domain;
};

// A row from a function of a and b written once for both number types.
template <class F>
Case row(std::string name, F f, Oracle oracle, Domain domain) {
    return {std::move(name), [f](Quad a, Quad b) { return Quad(f(a, b)); }, [f](D a, D b) { return D(f(a, b)); },
            std::move(oracle), std::move(domain)};
}
// A row for a function of a alone, its derivative from a and the value.
template <class F>
Case fn(std::string name, F f, std::function<F128(F128 a, Quad r)> slope, Domain domain) {
    return row(std::move(name), [f](auto a, auto) { return f(a); },
               [slope](F128 a, F128, Quad r) { return std::pair<F128, F128>{slope(a, r), 0}; }, std::move(domain));
}

Domain uniform(double lo, double hi) {
    return [=](Draw& d) { return std::pair{d.pair(d.uniform(lo, hi)), d.pair(d.uniform(lo, hi))}; };
}
// Either sign, magnitudes 10^[lo, hi); positive only if `positive`.
Domain magnitudes(double lo, double hi, bool positive = false) {
    return [=](Draw& d) {
        const auto m = [&] { return d.pair((positive || d.coin() ? 1 : -1) * d.logUniform(lo, hi)); };
        const Quad a = m();
        return std::pair{a, m()};
    };
}
// For a power: a base in [0.1, 10], an exponent in [-8, 8].
Domain power() {
    return [](Draw& d) { return std::pair{d.pair(d.logUniform(-1, 1)), d.pair(d.uniform(-8, 8))}; };
}

std::vector<Case> cases() {
    using P = std::pair<F128, F128>;
    return {
        row("a + b", [](auto a, auto b) { return a + b; }, [](F128, F128, Quad) { return P{1, 1}; }, magnitudes(-3, 3)),
        row("a - b", [](auto a, auto b) { return a - b; }, [](F128, F128, Quad) { return P{1, -1}; },
            magnitudes(-3, 3)),
        row("a * b", [](auto a, auto b) { return a * b; }, [](F128 a, F128 b, Quad) { return P{b, a}; },
            magnitudes(-30, 30)),
        row("a / b", [](auto a, auto b) { return a / b; }, [](F128 a, F128 b, Quad) { return P{1 / b, -a / (b * b)}; },
            magnitudes(-30, 30)),
        row("quad a - b + quad b", [](auto a, auto b) { return valueOf(a) - b + valueOf(b); },
            [](F128, F128, Quad) { return P{0, -1}; }, magnitudes(-3, 3)),
        row("quad a * b / quad a", [](auto a, auto b) { return valueOf(a) * b / valueOf(a); },
            [](F128, F128, Quad) { return P{0, 1}; }, magnitudes(-30, 30)),
        row("quad a / b", [](auto a, auto b) { return valueOf(a) / b; },
            [](F128 a, F128 b, Quad) { return P{0, -a / (b * b)}; }, magnitudes(-30, 30)),
        row("a < b ? a : b", [](auto a, auto b) { return a < b ? a : b; },
            [](F128 a, F128 b, Quad) { return P{a < b ? 1 : 0, a < b ? 0 : 1}; }, magnitudes(-3, 3)),
        fn("-a", [](auto a) { return -a; }, [](F128, Quad) { return -1; }, magnitudes(-3, 3)),
        fn("a * 2.5 - 3 / a", [](auto a) { return a * 2.5 - 3.0 / a; },
           [](F128 a, Quad) { return static_cast<F128>(2.5) + 3 / (a * a); }, magnitudes(-3, 3)),
        fn("a >= 0.0 ? a : -a", [](auto a) { return a >= 0.0 ? a : -a; }, [](F128 a, Quad) { return a < 0 ? -1 : 1; },
           magnitudes(-3, 3)),
        fn("sqrt", [](auto a) { return sqrt(a); }, [](F128, Quad r) { return 1 / (2 * q(r)); },
           magnitudes(-30, 30, true)),
        fn("abs", [](auto a) { return abs(a); }, [](F128 a, Quad) { return a < 0 ? -1 : 1; }, magnitudes(-3, 3)),
        fn("exp", [](auto a) { return exp(a); }, [](F128, Quad r) { return q(r); }, uniform(-700, 700)),
        fn("expm1", [](auto a) { return expm1(a); }, [](F128 a, Quad) { return expq(a); }, uniform(-40, 40)),
        fn("log", [](auto a) { return log(a); }, [](F128 a, Quad) { return 1 / a; }, magnitudes(-300, 300, true)),
        fn("log1p", [](auto a) { return log1p(a); }, [](F128 a, Quad) { return 1 / (1 + a); }, uniform(-0.99, 100)),
        fn("log10", [](auto a) { return log10(a); }, [](F128 a, Quad) { return 1 / (a * logq(10)); },
           magnitudes(-300, 300, true)),
        fn("sin", [](auto a) { return sin(a); }, [](F128 a, Quad) { return cosq(a); }, uniform(-10, 10)),
        fn("cos", [](auto a) { return cos(a); }, [](F128 a, Quad) { return -sinq(a); }, uniform(-10, 10)),
        fn("tan", [](auto a) { return tan(a); }, [](F128, Quad r) { return 1 + q(r) * q(r); }, uniform(-10, 10)),
        fn("asin", [](auto a) { return asin(a); }, [](F128 a, Quad) { return 1 / sqrtq((1 - a) * (1 + a)); },
           uniform(-1, 1)),
        fn("acos", [](auto a) { return acos(a); }, [](F128 a, Quad) { return -1 / sqrtq((1 - a) * (1 + a)); },
           uniform(-1, 1)),
        fn("atan", [](auto a) { return atan(a); }, [](F128 a, Quad) { return 1 / (1 + a * a); }, magnitudes(-5, 5)),
        fn("sinh", [](auto a) { return sinh(a); }, [](F128 a, Quad) { return coshq(a); }, uniform(-40, 40)),
        fn("cosh", [](auto a) { return cosh(a); }, [](F128 a, Quad) { return sinhq(a); }, uniform(-40, 40)),
        fn("tanh", [](auto a) { return tanh(a); }, [](F128 a, Quad) { return 1 / (coshq(a) * coshq(a)); },
           uniform(-40, 40)),
        row("atan2(a, b)", [](auto a, auto b) { return atan2(a, b); },
            [](F128 a, F128 b, Quad) { return P{b / (a * a + b * b), -a / (a * a + b * b)}; },
            magnitudes(-300, 300)),
        row("atan2(a, quad b) - atan2(quad b, a)",
            [](auto a, auto b) { return atan2(a, valueOf(b)) - atan2(valueOf(b), a); },
            [](F128 a, F128 b, Quad) { return P{2 * b / (a * a + b * b), 0}; }, magnitudes(-30, 30)),
        row("pow(a, b)", [](auto a, auto b) { return pow(a, b); },
            [](F128 a, F128 b, Quad r) { return P{b * powq(a, b - 1), q(r) * logq(a)}; }, power()),
        row("pow(a, quad b)", [](auto a, auto b) { return pow(a, valueOf(b)); },
            [](F128 a, F128 b, Quad) { return P{b * powq(a, b - 1), 0}; }, power()),
        row("pow(quad a, b)", [](auto a, auto b) { return pow(valueOf(a), b); },
            [](F128 a, F128, Quad r) { return P{0, q(r) * logq(a)}; }, power()),
        fn("pow(a, 7)", [](auto a) { return pow(a, 7); }, [](F128 a, Quad) { return 7 * powq(a, 6); },
           magnitudes(-3, 3)),
        fn("pow(a, -3)", [](auto a) { return pow(a, -3); }, [](F128 a, Quad) { return -3 * powq(a, -4); },
           magnitudes(-3, 3)),
        fn("pow(a, 0)", [](auto a) { return pow(a, 0); }, [](F128, Quad) { return 0; }, magnitudes(-3, 3)),
    };
}

// The inner partials: a depends on parameter 0 alone, b on parameter 1
// alone, each with a random factor, so each partial of the result is one
// term of the chain rule.
TEST(Dual, PartialsFollowTheChainRuleInQuadPrecision) {
    std::uint64_t seed = 7;
    for (const Case& c : cases()) {
        Draw draw(seed++);
        ErrorReport report;
        for (int i = 0; i < kCount; ++i) {
            const auto [a, b] = c.domain(draw);
            const Quad sa = draw.pair(draw.uniform(0.5, 2));
            const Quad sb = draw.pair(draw.uniform(-2, -0.5));
            D da(a), db(b);
            da.d[0] = sa;
            db.d[1] = sb;
            const D r = c.dual(da, db);
            const Quad value = c.quad(a, b);
            ASSERT_TRUE(r.v.hi == value.hi && r.v.lo == value.lo) << c.name << " at " << show(a) << ", " << show(b);
            const auto [fa, fb] = c.oracle(toF128(a), toF128(b), value);
            const std::string where = show(a) + ", " + show(b);
            for (const auto& [got, want] : {std::pair{r.d[0], fa * toF128(sa)}, std::pair{r.d[1], fb * toF128(sb)}}) {
                if (want == 0) {
                    EXPECT_EQ(got.hi, 0.0) << c.name << " at " << where;
                } else {
                    report.add(errorUnits(got, want), where);
                }
            }
        }
        report.print(("d " + c.name).c_str());
        EXPECT_LE(report.maxUnits, kTarget) << c.name << " at " << report.where;
    }
}

}  // namespace
