// DATAPOINTPARTIALS over 1e5 and 1e6 data points for a 2- and a
// 10-parameter linear test model: time per data point (the cost should grow
// linearly with the points).
#include <benchmark/benchmark.h>

#include <sstream>

#include "engine/data_point_partials.hpp"
#include "model/quorl_allocate_all.hpp"
#include "quad/decimal.hpp"

namespace {

using quorl::Quad;
using quorl::State;

// z = y - sum_k P(k) * x^(k-1) over x = md / n.
struct Polynomial {
    int kp, md;
    Quad x{}, y{};
    void operator()(State& s, int mode) {
        if (mode <= 0) {
            s.KPTOT = kp;
            s.LZTOT = 1;
            s.MDTOT = md;
            s.NXTOT = 1;
        } else if (mode == 3) {
            x = s.DATAE(1, s.MD);
            y = s.DATAE(2, s.MD);
        } else if (mode == 4) {
            Quad model{}, power{1.0, 0.0};
            for (int k = 1; k <= s.KPTOT; ++k) {
                model = model + s.PR(k).P * power;
                power = power * x;
            }
            s.ZR(1).Z = (y - model) * s.ZR(1).WT;
        }
    }
};

void BM_DataPointPartials(benchmark::State& state) {
    const int kp = static_cast<int>(state.range(0));
    const int md = static_cast<int>(state.range(1));
    std::istringstream in;
    std::ostringstream out;
    State s(in, out);
    Polynomial model{kp, md};
    s.model = std::ref(model);
    quorl::YOUQUORL(s, 0);
    quorl::QUORLALLOCATEALL(s);
    s.JPU = 0;
    s.JPD = 0;
    s.ZR(1).WT = quorl::fromInt(1);
    for (int m = 1; m <= md; ++m) {
        s.DATAE(1, m) = quorl::fromInt(m) / quorl::fromInt(md);
        s.DATAE(2, m) = quorl::fromInt(1) + s.DATAE(1, m);
    }
    for (int k = 1; k <= kp; ++k) {
        s.PR(k).DELTA = quorl::quadFromText("1e-12");
    }
    for (auto _ : state) {
        quorl::DATAPOINTPARTIALS(s);
        benchmark::DoNotOptimize(s.PR(1).PSTEP(2, 1));
    }
    state.counters["ns_per_point"] = benchmark::Counter(static_cast<double>(state.iterations()) * md,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DataPointPartials)
    ->Args({2, 100000})
    ->Args({2, 1000000})
    ->Args({10, 100000})
    ->Args({10, 1000000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
