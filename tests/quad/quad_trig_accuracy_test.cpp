// Accuracy of the circular and hyperbolic functions, their inverses, expm1
// and log1p against 113-bit references, over random arguments spanning each
// function's whole domain: huge arguments of sin, cos and tan, arguments at
// the pairs nearest to multiples of pi/2, tiny arguments, arguments near +-1
// for asin and acos and near 0 for expm1 and log1p.
//
// Every argument is exact in __float128, so the libquadmath functions see the
// same value (they reduce huge arguments exactly). A huge head with a far
// tail (below 2^-70) is not; there the reference is the first-order
// expansion f(hi) + lo f'(hi), exact to 2^-130 of the result.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "quad/quad.hpp"
#include "tests/quad/oracle.hpp"

using quorl::fromDouble;
using quorl::Quad;
using namespace quorl::testing;

namespace {

constexpr int kCount = 4000;
constexpr double kFunctionTarget = 8.0;

struct Sample {
    Quad got;
    F128 want;
    std::string where;
};

struct Range {
    const char* name;
    std::function<Sample(Draw&)> sample;
};

using Arg = std::function<Quad(Draw&)>;

// f against ref at the argument drawn by arg.
std::function<Sample(Draw&)> unary(Quad (*f)(Quad), F128 (*ref)(F128), Arg arg) {
    return [=](Draw& d) {
        const Quad x = arg(d);
        return Sample{f(x), ref(toF128(x)), show(x)};
    };
}

double sign(Draw& d) { return d.coin() ? 1.0 : -1.0; }

// +-10^u, u uniform in [lo, hi).
Arg logUniform(double lo, double hi) {
    return [=](Draw& d) { return d.pair(sign(d) * d.logUniform(lo, hi)); };
}
Arg uniform(double lo, double hi) {
    return [=](Draw& d) { return d.pair(d.uniform(lo, hi)); };
}
// +-u, u uniform in [lo, hi).
Arg plusMinus(double lo, double hi) {
    return [=](Draw& d) { return d.pair(sign(d) * d.uniform(lo, hi)); };
}

// A pair near k pi/2, k up to 10^u, u uniform in [0, maxDecade): the
// nearest to it (to 2^-113), moved by a few units of 2^-112 or by 10^-8 to
// 10^-32 of itself, so that x - k pi/2 cancels to every depth.
Arg nearHalfPiMultiple(double maxDecade) {
    return [=](Draw& d) {
        const F128 k = nearbyintq(static_cast<F128>(d.logUniform(0, maxDecade)));
        F128 v = k * acosq(0) * static_cast<F128>(sign(d));
        const double offset = d.coin() ? std::ldexp(std::floor(d.uniform(-4, 5)), -112) : sign(d) * d.logUniform(-32, -8);
        v += fabsq(v) * static_cast<F128>(offset);
        const double hi = static_cast<double>(v);
        const double lo = static_cast<double>(v - static_cast<F128>(hi));
        double s, e;
        quorl::eft::quickTwoSum(hi, lo, s, e);
        return Quad{s, e};
    };
}

// A huge head with a tail far below it, and the first-order reference.
std::function<Sample(Draw&)> farTail(Quad (*f)(Quad), F128 (*ref)(F128), F128 (*derivative)(F128)) {
    return [=](Draw& d) {
        const double hi = sign(d) * d.logUniform(8, 300);
        const double lo = sign(d) * d.logUniform(-60, -22);
        const Quad x{hi, lo};
        const F128 h = static_cast<F128>(hi);
        return Sample{f(x), ref(h) + static_cast<F128>(lo) * derivative(h), show(x)};
    };
}
F128 cosDerivative(F128 x) { return -sinq(x); }
F128 tanDerivative(F128 x) { return 1 + tanq(x) * tanq(x); }

// 1 - t, t from 10^lo to 10^hi, with the difference from 1 exact.
Quad belowOne(Draw& d, double lo, double hi) {
    for (;;) {
        const Quad x = nearOnePair(d, lo, hi);
        if (x.hi < 1.0 || (x.hi == 1.0 && x.lo < 0.0)) {
            return x;
        }
    }
}

// asin and acos at +-(1 - t): the argument itself is not exact in
// __float128, but t is, and acos(1 - t) = 2 asin(sqrt(t/2)).
std::function<Sample(Draw&)> nearPlusMinusOne(Quad (*f)(Quad), bool isAsin) {
    return [=](Draw& d) {
        const Quad y = belowOne(d, -30, -0.31);
        const bool negative = d.coin();
        const Quad x = negative ? -y : y;
        const F128 halfPi = acosq(0);
        const F128 acosY = 2 * asinq(sqrtq(-minusOne(y) / 2));
        const F128 want = isAsin ? (negative ? acosY - halfPi : halfPi - acosY)
                                 : (negative ? 2 * halfPi - acosY : acosY);
        return Sample{f(x), want, show(x)};
    };
}

F128 atan2Ref(Quad y, Quad x) { return atan2q(toF128(y), toF128(x)); }

std::function<Sample(Draw&)> atan2Of(Arg ys, Arg xs) {
    return [=](Draw& d) {
        const Quad y = ys(d);
        const Quad x = xs(d);
        return Sample{atan2(y, x), atan2Ref(y, x), show(y) + ", " + show(x)};
    };
}

Quad (*const kSin)(Quad) = quorl::sin;
Quad (*const kCos)(Quad) = quorl::cos;
Quad (*const kTan)(Quad) = quorl::tan;

const std::vector<Range>& ranges() {
    static const std::vector<Range> table = {
        {"sin on [-10, 10]", unary(kSin, sinq, uniform(-10, 10))},
        {"sin, tiny +-[1e-300, 1e-3]", unary(kSin, sinq, logUniform(-300, -3))},
        {"sin, large +-[1, 1e22]", unary(kSin, sinq, logUniform(0, 22))},
        {"sin, huge +-[1e22, 1e308]", unary(kSin, sinq, logUniform(22, 308))},
        {"sin near k pi/2, k < 1e6", unary(kSin, sinq, nearHalfPiMultiple(6))},
        {"sin near k pi/2, k < 1e30", unary(kSin, sinq, nearHalfPiMultiple(30))},
        {"sin, huge head and far tail", farTail(kSin, sinq, cosq)},
        {"cos on [-10, 10]", unary(kCos, cosq, uniform(-10, 10))},
        {"cos, tiny +-[1e-300, 1e-3]", unary(kCos, cosq, logUniform(-300, -3))},
        {"cos, large +-[1, 1e22]", unary(kCos, cosq, logUniform(0, 22))},
        {"cos, huge +-[1e22, 1e308]", unary(kCos, cosq, logUniform(22, 308))},
        {"cos near k pi/2, k < 1e6", unary(kCos, cosq, nearHalfPiMultiple(6))},
        {"cos near k pi/2, k < 1e30", unary(kCos, cosq, nearHalfPiMultiple(30))},
        {"cos, huge head and far tail", farTail(kCos, cosq, cosDerivative)},
        {"tan on [-10, 10]", unary(kTan, tanq, uniform(-10, 10))},
        {"tan, tiny +-[1e-300, 1e-3]", unary(kTan, tanq, logUniform(-300, -3))},
        {"tan, large +-[1, 1e22]", unary(kTan, tanq, logUniform(0, 22))},
        {"tan, huge +-[1e22, 1e308]", unary(kTan, tanq, logUniform(22, 308))},
        {"tan near k pi/2, k < 1e6", unary(kTan, tanq, nearHalfPiMultiple(6))},
        {"tan, huge head and far tail", farTail(kTan, tanq, tanDerivative)},
        {"asin on [-1, 1]", unary(quorl::asin, asinq, uniform(-1, 1))},
        {"asin, tiny +-[1e-300, 1e-3]", unary(quorl::asin, asinq, logUniform(-300, -3))},
        {"asin near +-1, +-(1 - [1e-30, 0.49])", nearPlusMinusOne(quorl::asin, true)},
        {"acos on [-1, 1]", unary(quorl::acos, acosq, uniform(-1, 1))},
        {"acos, tiny +-[1e-300, 1e-3]", unary(quorl::acos, acosq, logUniform(-300, -3))},
        {"acos near +-1, +-(1 - [1e-30, 0.49])", nearPlusMinusOne(quorl::acos, false)},
        {"atan on [-10, 10]", unary(quorl::atan, atanq, uniform(-10, 10))},
        {"atan, +-[1e-300, 1e300]", unary(quorl::atan, atanq, logUniform(-300, 300))},
        {"atan near +-1", unary(quorl::atan, atanq, [](Draw& d) { return sign(d) * nearOnePair(d, -30, -0.3); })},
        {"atan2, both +-[1e-20, 1e20]", atan2Of(logUniform(-20, 20), logUniform(-20, 20))},
        {"atan2, both +-[1e-300, 1e300]", atan2Of(logUniform(-300, 300), logUniform(-300, 300))},
        {"atan2, |y| near |x|", [](Draw& d) {
             const Quad x = d.pair(sign(d) * d.logUniform(-5, 5));
             const Quad y = x * nearOnePair(d, -30, -0.3) * fromDouble(sign(d));
             return Sample{atan2(y, x), atan2Ref(y, x), show(y) + ", " + show(x)};
         }},
        {"sinh on [-10, 10]", unary(quorl::sinh, sinhq, uniform(-10, 10))},
        {"sinh, tiny +-[1e-300, 1e-2]", unary(quorl::sinh, sinhq, logUniform(-300, -2))},
        {"sinh, +-[10, 710.47]", unary(quorl::sinh, sinhq, plusMinus(10, 710.47))},
        {"sinh near overflow, +-[710.475, 710.475860073]",
         unary(quorl::sinh, sinhq, plusMinus(710.475, 710.475860073))},
        {"cosh on [-10, 10]", unary(quorl::cosh, coshq, uniform(-10, 10))},
        {"cosh, tiny +-[1e-300, 1e-2]", unary(quorl::cosh, coshq, logUniform(-300, -2))},
        {"cosh, +-[10, 710.47]", unary(quorl::cosh, coshq, plusMinus(10, 710.47))},
        {"cosh near overflow, +-[710.475, 710.475860073]",
         unary(quorl::cosh, coshq, plusMinus(710.475, 710.475860073))},
        {"tanh on [-10, 10]", unary(quorl::tanh, tanhq, uniform(-10, 10))},
        {"tanh, tiny +-[1e-300, 1e-2]", unary(quorl::tanh, tanhq, logUniform(-300, -2))},
        {"tanh, +-[10, 50]", unary(quorl::tanh, tanhq, plusMinus(10, 50))},
        {"expm1 on [-2, 2]", unary(quorl::expm1, expm1q, uniform(-2, 2))},
        {"expm1, tiny +-[1e-300, 1e-2]", unary(quorl::expm1, expm1q, logUniform(-300, -2))},
        {"expm1 on [-750, 709.7]", unary(quorl::expm1, expm1q, uniform(-750, 709.7))},
        {"log1p, tiny +-[1e-300, 1e-2]", unary(quorl::log1p, log1pq, logUniform(-300, -2))},
        {"log1p on (-1, 2]", unary(quorl::log1p, log1pq, uniform(-0.999, 2))},
        {"log1p on [1, 1e300]", unary(quorl::log1p, log1pq, [](Draw& d) { return d.pair(d.logUniform(0, 300)); })},
        {"log1p near -1, -1 + [1e-30, 0.49]", [](Draw& d) {
             const Quad y = belowOne(d, -30, -0.31);
             const Quad x = -y;
             return Sample{log1p(x), logq(-minusOne(y)), show(x)};
         }},
    };
    return table;
}

TEST(QuadAccuracy, CircularAndHyperbolicFunctionsAreWithinEightUnits) {
    std::uint64_t seed = 101;
    for (const Range& range : ranges()) {
        Draw d(seed++);
        ErrorReport report;
        for (int i = 0; i < kCount; ++i) {
            const Sample s = range.sample(d);
            report.add(errorUnits(s.got, s.want), s.where);
        }
        report.print(range.name);
        EXPECT_LE(report.maxUnits, kFunctionTarget) << range.name << " at " << report.where;
    }
}

}  // namespace
