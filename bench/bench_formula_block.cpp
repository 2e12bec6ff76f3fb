// A formula with its partials over many points, one point at a time
// (Program::evaluate) and a block of points at a time
// (Program::evaluateBlock), with the value alone beside each for scale. Two
// models: a*exp(-b*x) + c (3 parameters, one exp: kernels throughout) and
// NIST's ENSO (9 parameters, six sines and cosines, done lane by lane). The
// counter ns_per_point is the time per data point.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "formula/formula.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::Quad;
using quorl::block::Values;

struct Model {
    const char* formula;
    std::vector<std::string> names;
    std::vector<const char*> values;
    double xLow, xHigh;
};

const Model kExpDecay{"a*exp(-b*x) + c", {"a", "b", "c"}, {"5.0014119882", "0.79379645599", "1.1917959562"}, 0, 10};

const Model kEnso{"b1 + b2*cos(2*pi*x/12) + b3*sin(2*pi*x/12) + b5*cos(2*pi*x/b4) + b6*sin(2*pi*x/b4) + "
                  "b8*cos(2*pi*x/b7) + b9*sin(2*pi*x/b7)",
                  {"b1", "b2", "b3", "b4", "b5", "b6", "b7", "b8", "b9"},
                  {"10.510749193", "3.0762128085", "0.53280138227", "44.311088700", "-1.6231428586",
                   "0.52554493756", "26.887614440", "0.21232288488", "1.4966870418"},
                  1, 168};

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
