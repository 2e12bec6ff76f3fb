// The basic operations and every function of the formula language at the
// ends of their ranges, against 113-bit references: sums, products,
// quotients and squares near the largest double or beyond it, infinite
// operands; function results that come near the largest double or leave
// it, results in the subnormal range, the smallest subnormal and the largest
// double as arguments, and asin, acos and log1p at the ends of their
// domains. A result must be finite and within a few units of 2^-104 where
// the reference, rounded to a double, is finite, and the same infinity
// where it overflows.
#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <string>
#include <vector>

#include "quad/quad.hpp"
#include "tests/quad/oracle.hpp"

using quorl::Quad;
using namespace quorl::testing;

namespace {

constexpr int kCount = 1000;
constexpr double kEdgeTarget = 4.0;

// DBL_MAX plus half its ulp: the references from here on round to inf.
const F128 kOverflowEdge = 2 * static_cast<F128>(0x1p1023) - static_cast<F128>(0x1p970);

// Error in units of 2^-104, where a reference that rounds to inf asks for
// that infinity. Within 2^-100 of the edge either answer is right.
double edgeError(Quad got, F128 want) {
    const F128 ratio = fabsq(want) / kOverflowEdge;
    const bool overflows = !isnanq(want) && ratio >= 1;
    const bool onTheEdge = fabsq(ratio - 1) < static_cast<F128>(0x1p-100);
    if (std::isinf(got.hi) && (overflows || onTheEdge)) {
        return std::signbit(got.hi) == static_cast<bool>(signbitq(want)) ? 0.0 : INFINITY;
    }
    return overflows && !onTheEdge ? INFINITY : errorUnits(got, want);
}

struct Sample {
    Quad got;
    F128 want;
    std::string where;
};

struct Edge {
    const char* name;
    std::function<Sample(Draw&)> sample;
};

using Arg = std::function<Quad(Draw&)>;

double sign(Draw& d) { return d.coin() ? 1.0 : -1.0; }

// u uniform in [lo, hi), or +-u.
Arg uniform(double lo, double hi, bool eitherSign = false) {
    return [=](Draw& d) { return d.pair((eitherSign ? sign(d) : 1.0) * d.uniform(lo, hi)); };
}
// 2^u, u uniform in [lo, hi), or +-2^u; capped at the largest double.
Arg powerOfTwo(double lo, double hi, bool eitherSign = false) {
    return [=](Draw& d) {
        const double v = std::fmin(std::exp2(d.uniform(lo, hi)), DBL_MAX);
        return d.pair(eitherSign ? sign(d) * v : v);
    };
}

// Pairs with this head and any tail: both sides of a threshold that has
// this head.
Arg anyTail(double head) {
    return [=](Draw& d) { return d.pair(head); };
}

std::function<Sample(Draw&)> unary(Quad (*f)(Quad), F128 (*ref)(F128), Arg arg) {
    return [=](Draw& d) {
        const Quad x = arg(d);
        return Sample{f(x), ref(toF128(x)), show(x)};
    };
}

// The pair 1 - t, t = 2^u with u uniform in [-1074, -60), and t itself:
// 1 - t is not exact in 113 bits, t is.
struct BelowOne {
    Quad x;
    F128 t;
};
BelowOne belowOne(Draw& d) {
    const double t = std::exp2(d.uniform(-1074, -60));
    return BelowOne{Quad{1.0, -t}, static_cast<F128>(t)};
}

// asin or acos at +-(1 - t), from acos(1 - t) = 2 asin(sqrt(t/2)).
std::function<Sample(Draw&)> nearUnit(bool isAsin) {
    return [=](Draw& d) {
        const BelowOne b = belowOne(d);
        const bool negative = d.coin();
        const Quad x = negative ? -b.x : b.x;
        const F128 halfPi = acosq(0);
        const F128 acosY = 2 * asinq(sqrtq(b.t / 2));
        const F128 want = isAsin ? (negative ? acosY - halfPi : halfPi - acosY)
                                 : (negative ? 2 * halfPi - acosY : acosY);
        return Sample{isAsin ? asin(x) : acos(x), want, show(x)};
    };
}

// pow(x, y) with y log x uniform in [lo, hi): x from arg.
std::function<Sample(Draw&)> powerWithLog(Arg arg, double lo, double hi) {
    return [=](Draw& d) {
        Quad x = arg(d);
        while (x.hi == 1.0) {
            x = arg(d);
        }
        const Quad y = d.pair(d.uniform(lo, hi) / std::log(x.hi));
        return Sample{pow(x, y), powq(toF128(x), toF128(y)), show(x) + " ^ " + show(y)};
    };
}
Quad nearOne(Draw& d) { return d.pair(1.0 + sign(d) * d.logUniform(-9, -1)); }
Quad wide(Draw& d) { return d.pair(d.logUniform(-300, 300)); }

// pow(x, n), 0 < |n| <= 64, with |x|^n = 2^u, u uniform in [lo, hi).
std::function<Sample(Draw&)> integerPower(double lo, double hi) {
    return [=](Draw& d) {
        int n = 0;
        while (n == 0) {
            n = static_cast<int>(d.uniform(-64, 65));
        }
        const Quad x = d.pair(sign(d) * std::exp2(d.uniform(lo, hi) / n));
        return Sample{pow(x, n), powq(toF128(x), n), show(x) + " ^ " + std::to_string(n)};
    };
}

// atan2 with each operand tiny, huge or moderate, of either sign.
Quad anyMagnitude(Draw& d) {
    const int kind = static_cast<int>(d.uniform(0, 3));
    const double u = kind == 0 ? d.uniform(-1074, -900) : kind == 1 ? d.uniform(900, 1024) : d.uniform(-60, 60);
    return d.pair(sign(d) * std::fmin(std::exp2(u), DBL_MAX));
}

// a op b (op one of + * /, or 's' for a * a) for pairs of either sign
// whose result has magnitude 2^t, t uniform in [lo, hi): a sum of one sign,
// a product or quotient of operands of any size that gives it. With
// `infinite`, a is +-inf instead.
std::function<Sample(Draw&)> basic(char op, double lo, double hi, bool infinite = false) {
    return [=](Draw& d) {
        const double t = d.uniform(lo, hi);
        const double u = op == 's' ? t / 2 : op == '+' ? t - d.uniform(0, 3) : d.uniform(t - 1000, 1023);
        const double v = op == '+' ? t - d.uniform(0, 3) : op == '*' ? t - u : u - t;
        const double sa = sign(d);
        const Quad a = infinite ? Quad{sa * INFINITY, 0.0} : d.pair(sa * std::exp2(u));
        const Quad b = d.pair((op == '+' ? sa : sign(d)) * std::exp2(v));
        const F128 x = toF128(a), y = toF128(b);
        const Quad got = op == '+' ? a + b : op == '*' ? a * b : op == '/' ? a / b : a * a;
        const F128 want = op == '+' ? x + y : op == '*' ? x * y : op == '/' ? x / y : x * x;
        return Sample{got, want, show(a) + " " + std::string(1, op) + " " + show(b)};
    };
}

Quad (*const kSin)(Quad) = quorl::sin;
Quad (*const kCos)(Quad) = quorl::cos;
Quad (*const kTan)(Quad) = quorl::tan;
Quad (*const kSqrt)(Quad) = quorl::sqrt;
Quad (*const kAbs)(Quad) = quorl::abs;

const std::vector<Edge>& edges() {
    // The heads of ln(max) and ln(2 max), where exp and expm1, and sinh and
    // cosh, overflow.
    const double lnMax = static_cast<double>(logq(DBL_MAX));
    const double lnTwiceMax = static_cast<double>(logq(2 * static_cast<F128>(DBL_MAX)));
    static const std::vector<Edge> table = {
        {"exp, [709, 709.79] to overflow", unary(quorl::exp, expq, uniform(709, 709.79))},
        {"exp, at ln(max)", unary(quorl::exp, expq, anyTail(lnMax))},
        {"exp, subnormal results [-745.2, -708]", unary(quorl::exp, expq, uniform(-745.2, -708))},
        {"expm1, [709, 709.79] to overflow", unary(quorl::expm1, expm1q, uniform(709, 709.79))},
        {"expm1, [709.781, 709.783]", unary(quorl::expm1, expm1q, uniform(709.781, 709.783))},
        {"expm1, at ln(max)", unary(quorl::expm1, expm1q, anyTail(lnMax))},
        {"expm1, [-745.2, -700]", unary(quorl::expm1, expm1q, uniform(-745.2, -700))},
        {"sinh, +-[709, 710.5] to overflow", unary(quorl::sinh, sinhq, uniform(709, 710.5, true))},
        {"sinh, at ln(2 max)", unary(quorl::sinh, sinhq, anyTail(lnTwiceMax))},
        {"sinh, +-[2^-1074, 2^-1000]", unary(quorl::sinh, sinhq, powerOfTwo(-1074, -1000, true))},
        {"cosh, +-[709, 710.5] to overflow", unary(quorl::cosh, coshq, uniform(709, 710.5, true))},
        {"cosh, at -ln(2 max)", unary(quorl::cosh, coshq, anyTail(-lnTwiceMax))},
        {"tanh, +-[2^5, max]", unary(quorl::tanh, tanhq, powerOfTwo(5, 1024, true))},
        {"tanh, +-[2^-1074, 2^-1000]", unary(quorl::tanh, tanhq, powerOfTwo(-1074, -1000, true))},
        {"sin, +-[2^1000, max]", unary(kSin, sinq, powerOfTwo(1000, 1024, true))},
        {"sin, +-[2^-1074, 2^-1000]", unary(kSin, sinq, powerOfTwo(-1074, -1000, true))},
        {"cos, +-[2^1000, max]", unary(kCos, cosq, powerOfTwo(1000, 1024, true))},
        {"cos, +-[2^-1074, 2^-1000]", unary(kCos, cosq, powerOfTwo(-1074, -1000, true))},
        {"tan, +-[2^1000, max]", unary(kTan, tanq, powerOfTwo(1000, 1024, true))},
        {"tan, +-[2^-1074, 2^-1000]", unary(kTan, tanq, powerOfTwo(-1074, -1000, true))},
        {"asin, +-(1 - [2^-1074, 2^-60])", nearUnit(true)},
        {"asin, +-[2^-1074, 2^-1000]", unary(quorl::asin, asinq, powerOfTwo(-1074, -1000, true))},
        {"acos, +-(1 - [2^-1074, 2^-60])", nearUnit(false)},
        {"acos, +-[2^-1074, 2^-1000]", unary(quorl::acos, acosq, powerOfTwo(-1074, -1000, true))},
        {"atan, +-[2^1000, max]", unary(quorl::atan, atanq, powerOfTwo(1000, 1024, true))},
        {"atan, +-[2^-1074, 2^-1000]", unary(quorl::atan, atanq, powerOfTwo(-1074, -1000, true))},
        {"atan2, tiny, huge and moderate operands", [](Draw& d) {
             const Quad y = anyMagnitude(d), x = anyMagnitude(d);
             return Sample{atan2(y, x), atan2q(toF128(y), toF128(x)), show(y) + ", " + show(x)};
         }},
        {"log, [2^-1074, 2^-1000]", unary(quorl::log, logq, powerOfTwo(-1074, -1000))},
        {"log, [2^1000, max]", unary(quorl::log, logq, powerOfTwo(1000, 1024))},
        {"log10, [2^-1074, 2^-1000]", unary(quorl::log10, log10q, powerOfTwo(-1074, -1000))},
        {"log10, [2^1000, max]", unary(quorl::log10, log10q, powerOfTwo(1000, 1024))},
        {"log1p, [2^1000, max]", unary(quorl::log1p, log1pq, powerOfTwo(1000, 1024))},
        {"log1p, +-[2^-1074, 2^-1000]", unary(quorl::log1p, log1pq, powerOfTwo(-1074, -1000, true))},
        {"log1p, -1 + [2^-1074, 2^-60]", [](Draw& d) {
             const BelowOne b = belowOne(d);
             return Sample{log1p(-b.x), logq(b.t), show(-b.x)};
         }},
        {"sqrt, [2^-1074, 2^-1000]", unary(kSqrt, sqrtq, powerOfTwo(-1074, -1000))},
        {"sqrt, [2^1000, max]", unary(kSqrt, sqrtq, powerOfTwo(1000, 1024))},
        {"abs, +-[2^-1074, 2^-1000]", unary(kAbs, fabsq, powerOfTwo(-1074, -1000, true))},
        {"abs, +-[2^1000, max]", unary(kAbs, fabsq, powerOfTwo(1000, 1024, true))},
        {"pow, x in [1e-300, 1e300], y log x in [700, 709.79]", powerWithLog(wide, 700, 709.79)},
        {"pow, x in [1e-300, 1e300], y log x in [-745.2, -700]", powerWithLog(wide, -745.2, -700)},
        {"pow, x near 1, y log x in [700, 709.79]", powerWithLog(nearOne, 700, 709.79)},
        {"pow, x near 1, y log x in [-745.2, -700]", powerWithLog(nearOne, -745.2, -700)},
        {"pow(x, n), |x^n| in [2^1000, 2^1024.01]", integerPower(1000, 1024.01)},
        {"pow(x, n), |x^n| in [2^-1080, 2^-950]", integerPower(-1080, -950)},
        {"pow(+-inf, n)", [](Draw& d) {
             const int n = d.coin() ? static_cast<int>(d.uniform(1, 70)) : -static_cast<int>(d.uniform(1, 70));
             const Quad x{sign(d) * INFINITY, 0.0};
             return Sample{pow(x, n), powq(toF128(x), n), show(x) + " ^ " + std::to_string(n)};
         }},
        {"a + b, one sign, |a + b| in [2^1022, 2^1024.01]", basic('+', 1022, 1024.01)},
        {"a * b, |ab| in [2^1000, 2^1024.01]", basic('*', 1000, 1024.01)},
        {"a * b, |ab| in [2^1024, 2^1500]", basic('*', 1024, 1500)},
        {"a / b, |a/b| in [2^1000, 2^1024.01]", basic('/', 1000, 1024.01)},
        {"a / b, |a/b| in [2^1024, 2^1500]", basic('/', 1024, 1500)},
        {"a * a, |a^2| in [2^1000, 2^1024.01]", basic('s', 1000, 1024.01)},
        {"+-inf * b", basic('*', -900, 900, true)},
        {"+-inf / b", basic('/', -900, 900, true)},
    };
    return table;
}

TEST(QuadAccuracy, FunctionsHoldAtTheEdgesOfTheirRanges) {
    std::uint64_t seed = 301;
    for (const Edge& edge : edges()) {
        Draw d(seed++);
        ErrorReport report;
        for (int i = 0; i < kCount; ++i) {
            const Sample s = edge.sample(d);
            report.add(edgeError(s.got, s.want), s.where);
        }
        report.print(edge.name);
        EXPECT_LE(report.maxUnits, kEdgeTarget) << edge.name << " at " << report.where;
    }
}

}  // namespace
