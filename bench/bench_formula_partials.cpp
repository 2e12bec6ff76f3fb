// The partials of a formula per data point, three ways: the formula's
// partials pass (value and every partial in one pass), the p + 1 plain
// evaluations a forward difference needs, and the same model written
// generically and run with Dual<p>; one plain evaluation for scale. Two models: a*exp(-b*x) + c (3
// parameters, one exp) and NIST's ENSO (9 parameters, six sines and
// cosines). The counter ns_per_point is the time per data point.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "bench_formula_models.hpp"
#include "formula/formula.hpp"
#include "quad/decimal.hpp"
#include "quad/dual.hpp"

namespace {

using quorl::Quad;
using quorl::quadFromText;

using Model = quorl::bench::FormulaModel;
using quorl::bench::kEnso;
using quorl::bench::kExpDecay;

constexpr int kPoints = 168;

std::vector<Quad> points(const Model& m) {
    std::vector<Quad> x;
    for (int i = 0; i < kPoints; ++i) {
        x.push_back(quorl::fromDouble(m.xLow + (m.xHigh - m.xLow) * i / (kPoints - 1)));
    }
    return x;
}

std::vector<Quad> parameters(const Model& m) {
    std::vector<Quad> p;
    for (const char* v : m.values) {
        p.push_back(quadFromText(v));
    }
    return p;
}

void perPoint(benchmark::State& state) {
    state.counters["ns_per_point"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PartialsPass(benchmark::State& state, const Model* m) {
    quorl::formula::Program program = quorl::formula::compile(m->formula, {m->names, {"x"}});
    const std::vector<Quad> x = points(*m);
    const std::vector<Quad> p = parameters(*m);
    std::vector<Quad> partials(p.size());
    for (auto _ : state) {
        for (const Quad& xi : x) {
            benchmark::DoNotOptimize(program.evaluate(p, std::span(&xi, 1), partials));
            benchmark::DoNotOptimize(partials.data());
        }
    }
    perPoint(state);
}

// The value alone, for scale.
void BM_Evaluate(benchmark::State& state, const Model* m) {
    quorl::formula::Program program = quorl::formula::compile(m->formula, {m->names, {"x"}});
    const std::vector<Quad> x = points(*m);
    const std::vector<Quad> p = parameters(*m);
    for (auto _ : state) {
        for (const Quad& xi : x) {
            benchmark::DoNotOptimize(program.evaluate(p, std::span(&xi, 1)));
        }
    }
    perPoint(state);
}

void BM_PlusOneEvaluations(benchmark::State& state, const Model* m) {
    quorl::formula::Program program = quorl::formula::compile(m->formula, {m->names, {"x"}});
    const std::vector<Quad> x = points(*m);
    std::vector<Quad> p = parameters(*m);
    const Quad delta = quadFromText("1e-12");
    for (auto _ : state) {
        for (const Quad& xi : x) {
            benchmark::DoNotOptimize(program.evaluate(p, std::span(&xi, 1)));
            for (Quad& pk : p) {
                const Quad saved = pk;
                pk = saved + delta;
                benchmark::DoNotOptimize(program.evaluate(p, std::span(&xi, 1)));
                pk = saved;
            }
        }
    }
    perPoint(state);
}

// The models written generically, as a C++ model would be.
template <class T>
T expDecay(const std::array<T, 3>& p, Quad x) {
    return p[0] * exp(-p[1] * x) + p[2];
}
template <class T>
T enso(const std::array<T, 9>& b, Quad x) {
    const Quad w = quorl::fromInt(2) * quorl::kPi * x;
    return b[0] + b[1] * cos(w / quorl::fromInt(12)) + b[2] * sin(w / quorl::fromInt(12)) + b[4] * cos(w / b[3]) +
           b[5] * sin(w / b[3]) + b[7] * cos(w / b[6]) + b[8] * sin(w / b[6]);
}

template <int N, class F>
void runDual(benchmark::State& state, const Model& m, F f) {
    const std::vector<Quad> x = points(m);
    const std::vector<Quad> values = parameters(m);
    std::array<quorl::Dual<N>, N> p;
    for (int k = 0; k < N; ++k) {
        p[static_cast<std::size_t>(k)] = quorl::Dual<N>::parameter(values[static_cast<std::size_t>(k)], k);
    }
    for (auto _ : state) {
        for (const Quad& xi : x) {
            benchmark::DoNotOptimize(f(p, xi));
        }
    }
    perPoint(state);
}

void BM_DualExpDecay(benchmark::State& state) { runDual<3>(state, kExpDecay, expDecay<quorl::Dual<3>>); }
void BM_DualEnso(benchmark::State& state) { runDual<9>(state, kEnso, enso<quorl::Dual<9>>); }

BENCHMARK_CAPTURE(BM_Evaluate, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_PartialsPass, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_PlusOneEvaluations, exp_decay, &kExpDecay);
BENCHMARK(BM_DualExpDecay);
BENCHMARK_CAPTURE(BM_Evaluate, enso, &kEnso);
BENCHMARK_CAPTURE(BM_PartialsPass, enso, &kEnso);
BENCHMARK_CAPTURE(BM_PlusOneEvaluations, enso, &kEnso);
BENCHMARK(BM_DualEnso);

}  // namespace
