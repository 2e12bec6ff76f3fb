// INVERT on a dense, well-conditioned 40 by 40 matrix (the largest
// parameter count the used-flag listing shows in full): time per call,
// the copy of the input matrix included (a few hundred nanoseconds).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <sstream>

#include "engine/invert.hpp"
#include "io/units.hpp"

namespace {

using quorl::Array1;
using quorl::Array2;
using quorl::Quad;

Array2<Quad> wellConditioned(int n) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    Array2<Quad> a(n, n);
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i <= n; ++i) {
            a(i, j) = quorl::fromDouble(u(rng)) + quorl::fromDouble(u(rng) * 1e-17);
            if (i == j) {
                a(i, j) += quorl::fromDouble(n);
            }
        }
    }
    return a;
}

void BM_InvertDense(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Array2<Quad> original = wellConditioned(n);
    std::istringstream in;
    std::ostringstream out;
    quorl::io::Units units(in, out);
    Array2<Quad> a;
    Array1<std::int32_t> used(n);
    Quad valmin{}, detn{};
    std::int32_t irank = 0;
    for (auto _ : state) {
        a = original;
        quorl::INVERT(units, n, a, valmin, irank, detn, used, 0);
        benchmark::DoNotOptimize(a.all().data());
        benchmark::DoNotOptimize(irank);
    }
    if (irank != n) {
        state.SkipWithError("matrix not of full rank");
    }
}
BENCHMARK(BM_InvertDense)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

}  // namespace

