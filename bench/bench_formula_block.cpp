// A formula with its partials over many points, one point at a time
// (Program::evaluate) and a block of points at a time
// (Program::evaluateBlock), with the value alone beside each for scale. Two
// models: a*exp(-b*x) + c (3 parameters, one exp: kernels throughout) and
// NIST's ENSO (9 parameters, six sines and cosines, done lane by lane). The
// counter ns_per_point is the time per data point.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench_formula_models.hpp"
#include "formula/formula.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::Quad;
using quorl::block::Values;

using Model = quorl::bench::FormulaModel;
using quorl::bench::kEnso;
using quorl::bench::kExpDecay;

constexpr int kPoints = 4096;  // 128 full blocks

struct Setup {
    quorl::formula::Program program;
    std::vector<Quad> params;
    std::vector<Quad> x;
    std::vector<Values> blocks;  // x by blocks of kLanes

    explicit Setup(const Model& m) : program(quorl::formula::compile(m.formula, {m.names, {"x"}})) {
        for (const char* v : m.values) {
            params.push_back(quorl::quadFromText(v));
        }
        blocks.resize(kPoints / quorl::block::kLanes);
        for (int i = 0; i < kPoints; ++i) {
            x.push_back(quorl::fromDouble(m.xLow + (m.xHigh - m.xLow) * i / (kPoints - 1)));
            blocks[static_cast<std::size_t>(i / quorl::block::kLanes)].set(i % quorl::block::kLanes, x.back());
        }
    }
};

void perPoint(benchmark::State& state) {
    state.counters["ns_per_point"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kPoints,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PointPartials(benchmark::State& state, const Model* m) {
    Setup s(*m);
    std::vector<Quad> partials(s.params.size());
    for (auto _ : state) {
        for (const Quad& xi : s.x) {
            benchmark::DoNotOptimize(s.program.evaluate(s.params, std::span(&xi, 1), partials));
            benchmark::DoNotOptimize(partials.data());
        }
    }
    perPoint(state);
}

void BM_BlockPartials(benchmark::State& state, const Model* m) {
    Setup s(*m);
    std::vector<Values> partials(s.params.size());
    Values value;
    for (auto _ : state) {
        for (const Values& b : s.blocks) {
            s.program.evaluateBlock(s.params, std::span(&b, 1), quorl::block::kLanes, value, partials);
            benchmark::DoNotOptimize(value);
            benchmark::DoNotOptimize(partials.data());
        }
    }
    perPoint(state);
}

void BM_PointValue(benchmark::State& state, const Model* m) {
    Setup s(*m);
    for (auto _ : state) {
        for (const Quad& xi : s.x) {
            benchmark::DoNotOptimize(s.program.evaluate(s.params, std::span(&xi, 1)));
        }
    }
    perPoint(state);
}

void BM_BlockValue(benchmark::State& state, const Model* m) {
    Setup s(*m);
    Values value;
    for (auto _ : state) {
        for (const Values& b : s.blocks) {
            s.program.evaluateBlock(s.params, std::span(&b, 1), quorl::block::kLanes, value);
            benchmark::DoNotOptimize(value);
        }
    }
    perPoint(state);
}

BENCHMARK_CAPTURE(BM_PointPartials, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_BlockPartials, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_PointValue, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_BlockValue, exp_decay, &kExpDecay);
BENCHMARK_CAPTURE(BM_PointPartials, enso, &kEnso);
BENCHMARK_CAPTURE(BM_BlockPartials, enso, &kEnso);

}  // namespace
