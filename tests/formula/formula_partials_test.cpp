// The partials pass of a compiled formula against dual numbers: for every
// formula of the table, written a second time in C++ generically, the pass
// must give the value of the plain evaluate to the last bit and the partials
// Dual<3> gives for the same expression, to the last bit as well (the two
// apply the same rules in the same order). The table covers every
// instruction; the edge rows also state the partials expected.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "formula/formula.hpp"
#include "quad/decimal.hpp"
#include "quad/dual.hpp"
#include "tests/quad/oracle.hpp"

namespace {

using quorl::Dual;
using quorl::fromDouble;
using quorl::fromInt;
using quorl::Quad;
using quorl::quadFromText;
using D = Dual<3>;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// The parameters p, q, r and the variable x; edge rows fix them, the others
// draw p, q, r from (0.2, 1.5) and x from (0.5, 2).
struct Point {
    double p, q, r, x;
    std::array<double, 3> want;  // the partials expected
};

struct Case {
    const char* formula;
    std::function<D(const std::array<D, 3>&, Quad)> dual;
    std::optional<Point> edge;
};

template <class F>
Case row(const char* formula, F f, std::optional<Point> edge = std::nullopt) {
    return {formula, [f](const std::array<D, 3>& v, Quad x) { return D(f(v[0], v[1], v[2], x)); }, edge};
}

std::vector<Case> cases() {
    const Quad zero = fromInt(0), one = fromInt(1), two = fromInt(2), twelve = fromInt(12);
    return {
        row("p*exp(-q*x) + r", [](auto p, auto q, auto r, Quad x) { return p * exp(-q * x) + r; }),
        row("r^2 + (p*q)^3 - p/q + r*x^-2", [](auto p, auto q, auto r, Quad x) {
            return r * r + pow(p * q, 3) - p / q + r * pow(x, -2);
        }),
        row("sin(p*x) + cos(q) * tan(r/3)",
            [](auto p, auto q, auto r, Quad x) { return sin(p * x) + cos(q) * tan(r / fromInt(3)); }),
        row("asin(p/2) - acos(q/3) + atan(r*x)",
            [=](auto p, auto q, auto r, Quad x) { return asin(p / two) - acos(q / fromInt(3)) + atan(r * x); }),
        row("sinh(p) * cosh(q) / tanh(r + 2)",
            [=](auto p, auto q, auto r, Quad) { return sinh(p) * cosh(q) / tanh(r + two); }),
        row("expm1(p) + log(q^2 + 1) - log1p(r*r) + log10(abs(p - 1) + x)", [=](auto p, auto q, auto r, Quad x) {
            return expm1(p) + log(q * q + one) - log1p(r * r) + log10(abs(p - one) + x);
        }),
        row("sqrt(q*q + x) * pow(abs(p) + 1, r) + p^q + 2^r", [=](auto p, auto q, auto r, Quad x) {
            return sqrt(q * q + x) * pow(abs(p) + one, r) + pow(p, q) + pow(two, r);
        }),
        row("atan2(p, q*x) + atan2(r, 2) - atan2(x, p)",
            [=](auto p, auto q, auto r, Quad x) { return atan2(p, q * x) + atan2(r, two) - atan2(x, p); }),
        row("p + q*cos(2*pi*x/12) + sin(2*pi*x/r)*p", [=](auto p, auto q, auto r, Quad x) {
            const Quad c = two * quorl::kPi;
            return p + q * cos(c * x / twelve) + sin(c * x / r) * p;
        }),
        row("x*2 + 1", [=](auto, auto, auto, Quad x) { return D(x * two + one); }),
        row("q", [](auto, auto q, auto, Quad) { return q; }),
        // The edges: infinite derivatives, right derivatives of abs, zero
        // partials that stay zero, points that are not finite.
        row("sqrt(p) + p + q", [](auto p, auto q, auto, Quad) { return sqrt(p) + p + q; }, Point{0, 1, 1, 1, {inf, 1}}),
        row("abs(-p) + abs(q)", [](auto p, auto q, auto, Quad) { return abs(-p) + abs(q); }, Point{0, 0, 1, 1, {1, 1}}),
        row("asin(p) + acos(q) + asin(-r)", [](auto p, auto q, auto r, Quad) { return asin(p) + acos(q) + asin(-r); },
            Point{1, 1, 1, 1, {inf, -inf, -inf}}),
        row("pow(p, 2.5) + pow(q, 0.5) + pow(r, 1) + pow(r, 0)",
            [](auto p, auto q, auto r, Quad) {
                return pow(p, quadFromText("2.5")) + pow(q, quadFromText("0.5")) + pow(r, 1) + pow(r, 0);
            },
            Point{0, 0, 0, 1, {0, inf, 1}}),
        row("pow(-p, 3)", [](auto p, auto, auto, Quad) { return pow(-p, 3); }, Point{2, 1, 1, 1, {-12}}),
        row("p^q", [](auto p, auto q, auto, Quad) { return pow(p, q); }, Point{0, 2, 1, 1, {0, 0}}),
        row("(-p)^q", [](auto p, auto q, auto, Quad) { return pow(-p, q); }, Point{2, 3, 1, 1, {-12, nan}}),
        row("atan2(p, q)", [](auto p, auto q, auto, Quad) { return atan2(p, q); }, Point{0, 0, 1, 1, {nan, nan}}),
        row("r + atan2(0*p, 0*q) + sqrt(0*p)",
            [=](auto p, auto q, auto r, Quad) { return r + atan2(zero * p, zero * q) + sqrt(zero * p); },
            Point{1, 1, 1, 1, {0, 0, 1}}),
        row("log(0*p) + q + log(r)", [=](auto p, auto q, auto r, Quad) { return log(zero * p) + q + log(r); },
            Point{1, 1, 0, 1, {0, nan, nan}}),
    };
}

bool same(Quad a, Quad b) {
    return (std::isnan(a.hi) && std::isnan(b.hi)) || (a.hi == b.hi && a.lo == b.lo);
}

TEST(FormulaPartials, AgreeWithDualNumbersBitForBit) {
    const quorl::formula::Names names{{"p", "q", "r"}, {"x"}};
    quorl::testing::Draw draw(11);
    for (const Case& c : cases()) {
        quorl::formula::Program program = quorl::formula::compile(c.formula, names);
        for (int i = 0; i < (c.edge ? 1 : 200); ++i) {
            std::array<Quad, 3> params;
            Quad x;
            if (c.edge) {
                params = {fromDouble(c.edge->p), fromDouble(c.edge->q), fromDouble(c.edge->r)};
                x = fromDouble(c.edge->x);
            } else {
                for (Quad& v : params) {
                    v = draw.pair(draw.uniform(0.2, 1.5));
                }
                x = draw.pair(draw.uniform(0.5, 2));
            }
            std::array<D, 3> duals;
            for (int k = 0; k < 3; ++k) {
                duals[static_cast<std::size_t>(k)] = D::parameter(params[static_cast<std::size_t>(k)], k);
            }
            const D want = c.dual(duals, x);
            std::array<Quad, 3> partials;
            partials.fill(fromInt(7));  // a slot below parameterCount() that is not used must be cleared
            const Quad value = program.evaluate(params, std::span(&x, 1), partials);
            const Quad plain = program.evaluate(params, std::span(&x, 1));
            ASSERT_TRUE(same(value, plain) && same(value, want.v)) << c.formula;
            for (int k = 0; k < program.parameterCount(); ++k) {
                const auto j = static_cast<std::size_t>(k);
                EXPECT_TRUE(same(partials[j], want.d[j]))
                    << c.formula << ": d" << k << " " << quorl::testing::show(partials[j]) << " against "
                    << quorl::testing::show(want.d[j]);
                if (c.edge) {
                    const double e = c.edge->want[j];
                    EXPECT_TRUE(std::isnan(e) ? std::isnan(partials[j].hi) : partials[j].hi == e)
                        << c.formula << ": d" << k << " = " << quorl::testing::show(partials[j]);
                }
            }
        }
    }
    quorl::formula::Program program = quorl::formula::compile("p*q", names);
    std::array<Quad, 1> tooFew{};
    EXPECT_THROW(program.evaluate(std::array<Quad, 2>{}, {}, tooFew), std::out_of_range);
}

}  // namespace
