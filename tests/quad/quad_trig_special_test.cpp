// The ends of the circular and hyperbolic functions, expm1 and log1p: NaN,
// infinities, signed zeros and the edges of the domains, as the IEEE double
// functions give them; and pi itself.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "quad/quad.hpp"
#include "tests/quad/oracle.hpp"

using quorl::fromDouble;
using quorl::Quad;
using namespace quorl::testing;

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Special {
    const char* what;
    std::function<Quad()> got;
    F128 want;  // a zero's sign counts; other values to within a pair's rounding
};

Quad q(double x) { return fromDouble(x); }

const F128 kHalfPi = acosq(0);
const F128 kPiQ = 2 * acosq(0);

const Special kSpecials[] = {
    {"pi", [] { return quorl::kPi; }, kPiQ},
    {"sin(+0)", [] { return sin(q(0.0)); }, 0},
    {"sin(-0)", [] { return sin(q(-0.0)); }, -static_cast<F128>(0)},
    {"sin(2^-1074)", [] { return sin(q(0x1p-1074)); }, static_cast<F128>(0x1p-1074)},
    {"sin(+inf)", [] { return sin(q(kInf)); }, kNaN},
    {"sin(-inf)", [] { return sin(q(-kInf)); }, kNaN},
    {"sin(NaN)", [] { return sin(q(kNaN)); }, kNaN},
    {"cos(+0)", [] { return cos(q(0.0)); }, 1},
    {"cos(-0)", [] { return cos(q(-0.0)); }, 1},
    {"cos(-inf)", [] { return cos(q(-kInf)); }, kNaN},
    {"cos(NaN)", [] { return cos(q(kNaN)); }, kNaN},
    {"tan(-0)", [] { return tan(q(-0.0)); }, -static_cast<F128>(0)},
    {"tan(+inf)", [] { return tan(q(kInf)); }, kNaN},
    {"tan(NaN)", [] { return tan(q(kNaN)); }, kNaN},
    {"asin(-0)", [] { return asin(q(-0.0)); }, -static_cast<F128>(0)},
    {"asin(1)", [] { return asin(q(1.0)); }, kHalfPi},
    {"asin(-1)", [] { return asin(q(-1.0)); }, -kHalfPi},
    {"asin(1 + 2^-80)", [] { return asin(Quad{1.0, 0x1p-80}); }, kNaN},
    {"asin(-1.5)", [] { return asin(q(-1.5)); }, kNaN},
    {"asin(inf)", [] { return asin(q(kInf)); }, kNaN},
    {"asin(NaN)", [] { return asin(q(kNaN)); }, kNaN},
    {"acos(1)", [] { return acos(q(1.0)); }, 0},
    {"acos(-1)", [] { return acos(q(-1.0)); }, kPiQ},
    {"acos(-0)", [] { return acos(q(-0.0)); }, kHalfPi},
    {"acos(-1 - 2^-80)", [] { return acos(Quad{-1.0, -0x1p-80}); }, kNaN},
    {"acos(2)", [] { return acos(q(2.0)); }, kNaN},
    {"acos(-inf)", [] { return acos(q(-kInf)); }, kNaN},
    {"acos(NaN)", [] { return acos(q(kNaN)); }, kNaN},
    {"atan(-0)", [] { return atan(q(-0.0)); }, -static_cast<F128>(0)},
    {"atan(+inf)", [] { return atan(q(kInf)); }, kHalfPi},
    {"atan(-inf)", [] { return atan(q(-kInf)); }, -kHalfPi},
    {"atan(NaN)", [] { return atan(q(kNaN)); }, kNaN},
    {"atan2(+0, +0)", [] { return atan2(q(0.0), q(0.0)); }, 0},
    {"atan2(-0, +0)", [] { return atan2(q(-0.0), q(0.0)); }, -static_cast<F128>(0)},
    {"atan2(+0, -0)", [] { return atan2(q(0.0), q(-0.0)); }, kPiQ},
    {"atan2(-0, -0)", [] { return atan2(q(-0.0), q(-0.0)); }, -kPiQ},
    {"atan2(+0, -1)", [] { return atan2(q(0.0), q(-1.0)); }, kPiQ},
    {"atan2(-0, -1)", [] { return atan2(q(-0.0), q(-1.0)); }, -kPiQ},
    {"atan2(-0, 1)", [] { return atan2(q(-0.0), q(1.0)); }, -static_cast<F128>(0)},
    {"atan2(1, -0)", [] { return atan2(q(1.0), q(-0.0)); }, kHalfPi},
    {"atan2(-1, +0)", [] { return atan2(q(-1.0), q(0.0)); }, -kHalfPi},
    {"atan2(1, -inf)", [] { return atan2(q(1.0), q(-kInf)); }, kPiQ},
    {"atan2(-1, -inf)", [] { return atan2(q(-1.0), q(-kInf)); }, -kPiQ},
    {"atan2(-1, +inf)", [] { return atan2(q(-1.0), q(kInf)); }, -static_cast<F128>(0)},
    {"atan2(-inf, 1)", [] { return atan2(q(-kInf), q(1.0)); }, -kHalfPi},
    {"atan2(+inf, -inf)", [] { return atan2(q(kInf), q(-kInf)); }, 3 * kHalfPi / 2},
    {"atan2(-inf, -inf)", [] { return atan2(q(-kInf), q(-kInf)); }, -3 * kHalfPi / 2},
    {"atan2(-inf, +inf)", [] { return atan2(q(-kInf), q(kInf)); }, -kHalfPi / 2},
    {"atan2(1e308, 1e-308)", [] { return atan2(q(1e308), q(1e-308)); }, kHalfPi},
    {"atan2(NaN, 1)", [] { return atan2(q(kNaN), q(1.0)); }, kNaN},
    {"atan2(1, NaN)", [] { return atan2(q(1.0), q(kNaN)); }, kNaN},
    {"sinh(-0)", [] { return sinh(q(-0.0)); }, -static_cast<F128>(0)},
    {"sinh(-inf)", [] { return sinh(q(-kInf)); }, -static_cast<F128>(kInf)},
    {"sinh(711)", [] { return sinh(q(711.0)); }, kInf},
    {"sinh(-711)", [] { return sinh(q(-711.0)); }, -static_cast<F128>(kInf)},
    {"sinh(-710.4759)", [] { return sinh(q(-710.4759)); }, -static_cast<F128>(kInf)},
    {"sinh(NaN)", [] { return sinh(q(kNaN)); }, kNaN},
    {"cosh(-0)", [] { return cosh(q(-0.0)); }, 1},
    {"cosh(-inf)", [] { return cosh(q(-kInf)); }, kInf},
    {"cosh(-711)", [] { return cosh(q(-711.0)); }, kInf},
    {"cosh(710.4759)", [] { return cosh(q(710.4759)); }, kInf},
    {"cosh(NaN)", [] { return cosh(q(kNaN)); }, kNaN},
    {"tanh(-0)", [] { return tanh(q(-0.0)); }, -static_cast<F128>(0)},
    {"tanh(+inf)", [] { return tanh(q(kInf)); }, 1},
    {"tanh(-inf)", [] { return tanh(q(-kInf)); }, -1},
    {"tanh(NaN)", [] { return tanh(q(kNaN)); }, kNaN},
    {"expm1(-0)", [] { return expm1(q(-0.0)); }, -static_cast<F128>(0)},
    {"expm1(+inf)", [] { return expm1(q(kInf)); }, kInf},
    {"expm1(-inf)", [] { return expm1(q(-kInf)); }, -1},
    {"expm1(710)", [] { return expm1(q(710.0)); }, kInf},
    {"expm1(-1000)", [] { return expm1(q(-1000.0)); }, -1},
    {"expm1(NaN)", [] { return expm1(q(kNaN)); }, kNaN},
    {"log1p(-0)", [] { return log1p(q(-0.0)); }, -static_cast<F128>(0)},
    {"log1p(-1)", [] { return log1p(q(-1.0)); }, -static_cast<F128>(kInf)},
    {"log1p(-1 - 2^-80)", [] { return log1p(Quad{-1.0, -0x1p-80}); }, kNaN},
    {"log1p(-2)", [] { return log1p(q(-2.0)); }, kNaN},
    {"log1p(+inf)", [] { return log1p(q(kInf)); }, kInf},
    {"log1p(-inf)", [] { return log1p(q(-kInf)); }, kNaN},
    {"log1p(NaN)", [] { return log1p(q(kNaN)); }, kNaN},
};

TEST(QuadFunctions, CircularAndHyperbolicEndsFollowIeee) {
    for (const Special& s : kSpecials) {
        const Quad got = s.got();
        if (s.want == 0) {
            EXPECT_TRUE(got.hi == 0.0 && got.lo == 0.0 && std::signbit(got.hi) == static_cast<bool>(signbitq(s.want)))
                << s.what << " gave " << show(got);
        } else {
            EXPECT_LE(errorUnits(got, s.want), 0.25) << s.what << " gave " << show(got);
        }
    }
}

}  // namespace
