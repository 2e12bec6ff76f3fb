// The quad block kernels (quad/quad_block.hpp) beside the plain loop over the
// lanes calling the scalar operation, which gives the same bits: time per
// value (the counter ns/value), on 64 full blocks of 32 values (in cache).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "quad/derivative_rules.hpp"
#include "quad/quad_block.hpp"

namespace {

using quorl::Quad;
using quorl::block::Values;
namespace blk = quorl::block;
namespace der = quorl::derivative;

constexpr int kBlocks = 64;
constexpr int kLanes = blk::kLanes;

// Operands of the sizes a pass over data sees: heads of magnitude 2^-20 ..
// 2^20 (arguments of exp in [-30, 30]), tails a little under their ulp.
std::vector<Values> operands(unsigned seed, bool expArgument) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<Values> v(kBlocks);
    for (Values& b : v) {
        for (int i = 0; i < kLanes; ++i) {
            const double hi = expArgument ? 30.0 * u(rng) : std::ldexp(u(rng), static_cast<int>(rng() % 41) - 20);
            b.set(i, Quad{hi, hi * 0x1p-54 * u(rng)});
        }
    }
    return v;
}

template <class Kernel>
void run(benchmark::State& state, Kernel kernel, bool expArgument) {
    const std::vector<Values> a = operands(1, expArgument), b = operands(2, false);
    std::vector<Values> r(kBlocks);
    // The lanes as a value known only at run time, as in a pass over data.
    int n = kLanes;
    benchmark::DoNotOptimize(n);
    for (auto _ : state) {
        for (int k = 0; k < kBlocks; ++k) {
            kernel(a[k], b[k], r[k], n);
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns/value"] = benchmark::Counter(static_cast<double>(kBlocks) * kLanes * 1e-9,
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// The scalar operation on one value after another with the compiler's loop
// vectorisation off: what the values cost taken one at a time (in a pass
// that evaluates a formula point by point).
template <class Scalar>
__attribute__((optimize("no-tree-vectorize"))) void oneByOne(Scalar scalar, const Values& a, const Values& b, Values& r,
                                                             int n) {
    const int m = blk::groupedLanes(n);
    for (int i = 0; i < m; ++i) {
        r.set(i, scalar(a.get(i), b.get(i)));
    }
}

// A kernel's block form beside the loop it replaces: the scalar operation
// lane by lane, inlined, over the lanes a kernel computes.
template <class Block, class Scalar>
void compare(const char* name, Block block, Scalar scalar, bool expArgument = false) {
    const std::string prefix = std::string("BM_QuadBlock/") + name;
    benchmark::RegisterBenchmark((prefix + "/block").c_str(),
                                 [=](benchmark::State& s) { run(s, block, expArgument); });
    benchmark::RegisterBenchmark((prefix + "/scalar").c_str(), [=](benchmark::State& s) {
        run(
            s,
            [=](const Values& a, const Values& b, Values& r, int n) {
                const int m = blk::groupedLanes(n);
                for (int i = 0; i < m; ++i) {
                    r.set(i, scalar(a.get(i), b.get(i)));
                }
            },
            expArgument);
    });
    benchmark::RegisterBenchmark((prefix + "/oneByOne").c_str(), [=](benchmark::State& s) {
        run(s, [=](const Values& a, const Values& b, Values& r, int n) { oneByOne(scalar, a, b, r, n); }, expArgument);
    });
}

constexpr Quad kConstant{1.2345678901234567, 3.2e-17};
using V = const Values&;

[[maybe_unused]] const bool kRegistered = [] {
    compare("exp", [](V a, V, Values& r, int n) { blk::exp(a, r, n); }, [](Quad a, Quad) { return exp(a); }, true);
    compare("mul", [](V a, V b, Values& r, int n) { blk::mul(a, b, r, n); }, [](Quad a, Quad b) { return a * b; });
    compare("mulQuad", [](V a, V, Values& r, int n) { blk::mul(a, kConstant, r, n); },
            [](Quad a, Quad) { return a * kConstant; });
    compare("square", [](V a, V, Values& r, int n) { blk::square(a, r, n); }, [](Quad a, Quad) { return a * a; });
    compare("add", [](V a, V b, Values& r, int n) { blk::add(a, b, r, n); }, [](Quad a, Quad b) { return a + b; });
    compare("sub", [](V a, V b, Values& r, int n) { blk::sub(a, b, r, n); }, [](Quad a, Quad b) { return a - b; });
    compare("mulAdd", [](V a, V b, Values& r, int n) { blk::mulAdd(a, b, b, r, n); },
            [](Quad a, Quad b) { return a * b + b; });
    compare("div", [](V a, V b, Values& r, int n) { blk::div(a, b, r, n); }, [](Quad a, Quad b) { return a / b; });
    compare("times", [](V a, V b, Values& r, int n) { blk::times(a, b, r, n); },
            [](Quad a, Quad b) { return der::times(a, b); });
    compare("plus", [](V a, V b, Values& r, int n) { blk::plus(a, b, r, n); },
            [](Quad a, Quad b) { return der::plus(a, b); });
    compare("chain", [](V a, V b, Values& r, int n) { blk::chain(a, b, r, n); },
            [](Quad a, Quad b) { return der::chain(a, b); });
    compare("chainQuad", [](V, V b, Values& r, int n) { blk::chain(kConstant, b, r, n); },
            [](Quad, Quad b) { return der::chain(kConstant, b); });
    return true;
}();

}  // namespace
