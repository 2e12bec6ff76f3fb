// Quad arithmetic and functions beside the QD library's dd_real doing the
// same work on the same arguments: each iteration applies the operation to
// a table of 1024 arguments (independent operations, so the processor may
// overlap them), and the counter per_op gives the time per operation.
#include <benchmark/benchmark.h>
#include <qd/dd_real.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "quad/quad.hpp"

using quorl::Quad;

namespace {

constexpr std::size_t kArgs = 1024;

// A pair with a random full-length tail.
Quad withTail(double hi, std::mt19937_64& gen) {
    const double lo = hi * 0x1p-54 * std::uniform_real_distribution<double>(-1.0, 1.0)(gen);
    double s, e;
    quorl::eft::quickTwoSum(hi, lo, s, e);
    return Quad{s, e};
}

// kArgs pairs: 10^u with u uniform in [lo, hi) when logScale, else uniform.
std::vector<Quad> args(std::uint64_t seed, double lo, double hi, bool logScale) {
    std::mt19937_64 gen(seed);
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<Quad> out(kArgs);
    for (Quad& q : out) {
        q = withTail(logScale ? std::pow(10.0, u(gen)) : u(gen), gen);
    }
    return out;
}

std::vector<dd_real> asDd(const std::vector<Quad>& qs) {
    std::vector<dd_real> out;
    out.reserve(qs.size());
    for (const Quad& q : qs) {
        out.emplace_back(q.hi, q.lo);
    }
    return out;
}

// The argument sets, shared by both sides.
const std::vector<Quad>& positives() {
    static const auto v = args(1, -20, 20, true);
    return v;
}
const std::vector<Quad>& positives2() {
    static const auto v = args(2, -20, 20, true);
    return v;
}
const std::vector<Quad>& logArgs() {
    static const auto v = args(3, -30, 30, true);
    return v;
}
const std::vector<Quad>& expArgs() {
    static const auto v = args(4, -50, 50, false);
    return v;
}
const std::vector<Quad>& powBases() {
    static const auto v = args(5, 1e-3, 1e3, false);
    return v;
}
const std::vector<Quad>& powExponents() {
    static const auto v = args(6, 2.1, 2.3, false);
    return v;
}

const std::vector<Quad>& angles() {
    static const auto v = args(7, -10, 10, false);
    return v;
}
const std::vector<Quad>& angles2() {
    static const auto v = args(8, -10, 10, false);
    return v;
}
const std::vector<Quad>& unitArgs() {
    static const auto v = args(9, -1, 1, false);
    return v;
}
const std::vector<Quad>& log1pArgs() {
    static const auto v = args(10, -0.9, 2, false);
    return v;
}

// Every iteration applies f to the whole argument table; the counter per_op
// is the time per operation (in seconds with an SI prefix: 1.2n is 1.2 ns).
template <class T, class F>
void unary(benchmark::State& state, const std::vector<T>& xs, F f) {
    std::vector<T> out(xs.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < kArgs; ++i) {
            out[i] = f(xs[i]);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["per_op"] = benchmark::Counter(static_cast<double>(kArgs),
                                                 benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}

template <class T, class F>
void binary(benchmark::State& state, const std::vector<T>& xs, const std::vector<T>& ys, F f) {
    std::vector<T> out(xs.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < kArgs; ++i) {
            out[i] = f(xs[i], ys[i]);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["per_op"] = benchmark::Counter(static_cast<double>(kArgs),
                                                 benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}

// The floor: branch-free double-double kernels written for speed alone, the
// product error from a hardware fused multiply-add (__builtin_fma: one
// instruction where the build has FMA, a library call otherwise). The
// quad operations should run within 1.1 times of these on an FMA machine.
Quad kernelAdd(Quad a, Quad b) {
    const double s = a.hi + b.hi;
    const double bb = s - a.hi;
    double e = (a.hi - (s - bb)) + (b.hi - bb);
    e += a.lo + b.lo;
    const double hi = s + e;
    return Quad{hi, e - (hi - s)};
}
Quad kernelMul(Quad a, Quad b) {
    const double p = a.hi * b.hi;
    double e = __builtin_fma(a.hi, b.hi, -p);
    e += a.hi * b.lo + a.lo * b.hi;
    const double hi = p + e;
    return Quad{hi, e - (hi - p)};
}

Quad kernelDiv(Quad a, Quad b) {
    const double q1 = a.hi / b.hi;
    const double r = (__builtin_fma(-q1, b.hi, a.hi) + a.lo) - q1 * b.lo;
    const double q2 = r / b.hi;
    const double hi = q1 + q2;
    return Quad{hi, q2 - (hi - q1)};
}
Quad kernelSqrt(Quad a) {
    const double s = std::sqrt(a.hi);
    const double corr = (__builtin_fma(-s, s, a.hi) + a.lo) / (2.0 * s);
    const double hi = s + corr;
    return Quad{hi, corr - (hi - s)};
}

void BM_Div_Kernel(benchmark::State& s) { binary(s, positives(), positives2(), kernelDiv); }
void BM_Sqrt_Kernel(benchmark::State& s) { unary(s, positives(), kernelSqrt); }
BENCHMARK(BM_Div_Kernel);
BENCHMARK(BM_Sqrt_Kernel);

void BM_Add_Kernel(benchmark::State& s) { binary(s, positives(), positives2(), kernelAdd); }
void BM_Mul_Kernel(benchmark::State& s) { binary(s, positives(), positives2(), kernelMul); }
BENCHMARK(BM_Add_Kernel);
BENCHMARK(BM_Mul_Kernel);

void BM_Add_Quad(benchmark::State& s) { binary(s, positives(), positives2(), [](Quad a, Quad b) { return a + b; }); }
void BM_Add_QD(benchmark::State& s) {
    static const auto a = asDd(positives()), b = asDd(positives2());
    binary(s, a, b, [](const dd_real& x, const dd_real& y) { return x + y; });
}
void BM_Mul_Quad(benchmark::State& s) { binary(s, positives(), positives2(), [](Quad a, Quad b) { return a * b; }); }
void BM_Mul_QD(benchmark::State& s) {
    static const auto a = asDd(positives()), b = asDd(positives2());
    binary(s, a, b, [](const dd_real& x, const dd_real& y) { return x * y; });
}
void BM_Div_Quad(benchmark::State& s) { binary(s, positives(), positives2(), [](Quad a, Quad b) { return a / b; }); }
void BM_Div_QD(benchmark::State& s) {
    static const auto a = asDd(positives()), b = asDd(positives2());
    binary(s, a, b, [](const dd_real& x, const dd_real& y) { return x / y; });
}
void BM_Sqrt_Quad(benchmark::State& s) { unary(s, positives(), [](Quad a) { return sqrt(a); }); }
void BM_Sqrt_QD(benchmark::State& s) {
    static const auto a = asDd(positives());
    unary(s, a, [](const dd_real& x) { return sqrt(x); });
}
void BM_Log_Quad(benchmark::State& s) { unary(s, logArgs(), [](Quad a) { return log(a); }); }
void BM_Log_QD(benchmark::State& s) {
    static const auto a = asDd(logArgs());
    unary(s, a, [](const dd_real& x) { return log(x); });
}
void BM_Exp_Quad(benchmark::State& s) { unary(s, expArgs(), [](Quad a) { return exp(a); }); }
void BM_Exp_QD(benchmark::State& s) {
    static const auto a = asDd(expArgs());
    unary(s, a, [](const dd_real& x) { return exp(x); });
}
void BM_Pow_Quad(benchmark::State& s) {
    binary(s, powBases(), powExponents(), [](Quad a, Quad b) { return pow(a, b); });
}
void BM_Pow_QD(benchmark::State& s) {
    static const auto a = asDd(powBases()), b = asDd(powExponents());
    binary(s, a, b, [](const dd_real& x, const dd_real& y) { return pow(x, y); });
}

// The circular and hyperbolic functions and their inverses: sin, cos, tan,
// atan, atan2, sinh, cosh and tanh on [-10, 10], asin and acos on [-1, 1].
#define QUORL_BENCH_UNARY(Name, fn, argset)                                          \
    void BM_##Name##_Quad(benchmark::State& s) {                                     \
        unary(s, argset(), [](Quad a) { return fn(a); });                             \
    }                                                                                \
    void BM_##Name##_QD(benchmark::State& s) {                                       \
        static const auto a = asDd(argset());                                        \
        unary(s, a, [](const dd_real& x) { return fn(x); });                         \
    }                                                                                \
    BENCHMARK(BM_##Name##_Quad);                                                     \
    BENCHMARK(BM_##Name##_QD)

QUORL_BENCH_UNARY(Sin, sin, angles);
QUORL_BENCH_UNARY(Cos, cos, angles);
QUORL_BENCH_UNARY(Tan, tan, angles);
QUORL_BENCH_UNARY(Asin, asin, unitArgs);
QUORL_BENCH_UNARY(Acos, acos, unitArgs);
QUORL_BENCH_UNARY(Atan, atan, angles);
QUORL_BENCH_UNARY(Sinh, sinh, angles);
QUORL_BENCH_UNARY(Cosh, cosh, angles);
QUORL_BENCH_UNARY(Tanh, tanh, angles);

void BM_Atan2_Quad(benchmark::State& s) { binary(s, angles(), angles2(), [](Quad y, Quad x) { return atan2(y, x); }); }
void BM_Atan2_QD(benchmark::State& s) {
    static const auto a = asDd(angles()), b = asDd(angles2());
    binary(s, a, b, [](const dd_real& y, const dd_real& x) { return atan2(y, x); });
}
BENCHMARK(BM_Atan2_Quad);
BENCHMARK(BM_Atan2_QD);

// QD has no expm1 or log1p: its peers are exp(x) - 1 and log(1 + x), which
// cost about the same but lose the accuracy near 0 that these two keep.
void BM_Expm1_Quad(benchmark::State& s) { unary(s, unitArgs(), [](Quad a) { return expm1(a); }); }
void BM_Expm1_QD(benchmark::State& s) {
    static const auto a = asDd(unitArgs());
    unary(s, a, [](const dd_real& x) { return exp(x) - 1.0; });
}
void BM_Log1p_Quad(benchmark::State& s) { unary(s, log1pArgs(), [](Quad a) { return log1p(a); }); }
void BM_Log1p_QD(benchmark::State& s) {
    static const auto a = asDd(log1pArgs());
    unary(s, a, [](const dd_real& x) { return log(1.0 + x); });
}
BENCHMARK(BM_Expm1_Quad);
BENCHMARK(BM_Expm1_QD);
BENCHMARK(BM_Log1p_Quad);
BENCHMARK(BM_Log1p_QD);

BENCHMARK(BM_Add_Quad);
BENCHMARK(BM_Add_QD);
BENCHMARK(BM_Mul_Quad);
BENCHMARK(BM_Mul_QD);
BENCHMARK(BM_Div_Quad);
BENCHMARK(BM_Div_QD);
BENCHMARK(BM_Sqrt_Quad);
BENCHMARK(BM_Sqrt_QD);
BENCHMARK(BM_Log_Quad);
BENCHMARK(BM_Log_QD);
BENCHMARK(BM_Exp_Quad);
BENCHMARK(BM_Exp_QD);
BENCHMARK(BM_Pow_Quad);
BENCHMARK(BM_Pow_QD);

}  // namespace
