// EVALFIT over 10^4 data points (in cache) and 10^6 (in memory) of a
// straight-line model, beside a plain loop doing the same quad arithmetic
// without the engine; and the peak memory of a whole unattended run of a
// million points.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <sstream>
#include <vector>

#include "engine/eval_fit.hpp"
#include "engine/run_quorl.hpp"
#include "model/quorl_allocate_all.hpp"

namespace {

using quorl::Quad;
using quorl::State;

constexpr int kPoints = 1000000;

// z = P1 + P2 * x on x = 1 .. n, measured values off by a small wiggle.
struct LineModel {
    int points = kPoints;
    int iterations = 0;
    Quad x{}, z{};
    void operator()(State& s, int mode) {
        if (mode <= 0) {
            s.KPTOT = 2;
            s.LZTOT = 1;
            s.MDTOT = points;
            s.NXTOT = 1;
            s.JPU = 0;
            s.JPD = 0;
            s.JITERTOT = iterations;
        } else if (mode == 1) {
            for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
                s.DATAE(0, s.MD) = quorl::fromInt(s.MD);
                s.DATAE(1, s.MD) = quorl::fromInt(s.MD);
                s.DATAE(2, s.MD) = quorl::fromInt(3) + quorl::fromInt(2) * quorl::fromInt(s.MD) +
                                   quorl::fromDouble((s.MD % 7) * 1e-3);
            }
        } else if (mode == 3) {
            x = s.DATAE(1, s.MD);
            z = s.DATAE(2, s.MD);
        } else if (mode == 4) {
            s.ZR(1).Z = (z - (s.PR(1).P + s.PR(2).P * x)) * s.ZR(1).WT;
        }
    }
};

// A state sized and loaded by the model (modes 0 and 1), at P = (3, 2).
void prepare(State& s, LineModel& model, int points) {
    model.points = points;
    s.model = std::ref(model);
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.ZR(1).WT = quorl::fromInt(1);
    quorl::YOUQUORL(s, 1);
    s.PR(1).P = quorl::fromInt(3);
    s.PR(2).P = quorl::fromInt(2);
}

void BM_EvalFitStraightLine(benchmark::State& state) {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    LineModel model;
    prepare(s, model, static_cast<int>(state.range(0)));
    Quad rss{};
    for (auto _ : state) {
        quorl::EVALFIT(s, rss, 0);
        benchmark::DoNotOptimize(rss);
    }
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * model.points, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EvalFitStraightLine)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The same residuals, sums of squares, largest residual and roots over the
// same column-major table, with no engine around them.
void BM_PlainLoopStraightLine(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    std::vector<Quad> table(3 * static_cast<std::size_t>(points));
    for (int md = 1; md <= points; ++md) {
        Quad* col = &table[3 * static_cast<std::size_t>(md - 1)];
        col[0] = quorl::fromInt(md);
        col[1] = quorl::fromInt(md);
        col[2] = quorl::fromInt(3) + quorl::fromInt(2) * quorl::fromInt(md) + quorl::fromDouble((md % 7) * 1e-3);
    }
    const Quad p1 = quorl::fromInt(3), p2 = quorl::fromInt(2), wt = quorl::fromInt(1);
    for (auto _ : state) {
        Quad sum{}, zmax{};
        int mdmax = 0;
        for (int md = 1; md <= points; ++md) {
            const Quad* col = &table[3 * static_cast<std::size_t>(md - 1)];
            const Quad z = (col[2] - (p1 + p2 * col[1])) * wt;
            sum = sum + z * z;
            if (md == 1 || abs(zmax) < abs(z)) {
                zmax = z;
                mdmax = md;
            }
        }
        Quad rss = sqrt(sum / quorl::fromInt(points));
        rss = sqrt(rss * rss);
        benchmark::DoNotOptimize(rss);
        benchmark::DoNotOptimize(mdmax);
    }
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * points, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlainLoopStraightLine)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A whole unattended run (baseline pass and final evaluation) of a million
// data points; reports the peak resident memory against the size of DATAE.
void BM_RunPeakMemory(benchmark::State& state) {
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out;
        State s(in, out);
        LineModel model;
        const int status = quorl::runQuorl(s, std::ref(model));
        benchmark::DoNotOptimize(status);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double datae = 3.0 * kPoints * sizeof(Quad);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["datae_MB"] = datae / (1024.0 * 1024.0);
    state.counters["limit_MB"] = 1.25 * datae / (1024.0 * 1024.0) + 10.0;
}
BENCHMARK(BM_RunPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The model's two calls per data point alone (modes 3 and 4, the residual
// included), the part of EVALFIT that is the model's: what remains of
// EVALFIT's time above it is the engine's bookkeeping.
void BM_ModelCallsOnly(benchmark::State& state) {
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    LineModel model;
    prepare(s, model, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (s.MD = 1; s.MD <= s.MDTOT; ++s.MD) {
            quorl::YOUQUORL(s, 3);
            quorl::YOUQUORL(s, 4);
        }
        benchmark::DoNotOptimize(s.ZR(1).Z);
    }
    state.counters["ns_per_point"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * model.points, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ModelCallsOnly)->Arg(10000)->Unit(benchmark::kMicrosecond);
}  // namespace
