// A whole formula fit through quorl-fit's model, in-process: the weighted
// exponential decay y = a exp(-b x) + c at 10^4 and 10^6 points (the table
// written once to a temporary file), the table read, the damped step with
// exact partials to convergence, the uncertainties and the result files.
// Counters: the evaluations of all residuals and the iterations of the
// fit; the time is the whole run's. Argument 2 is the thread count.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/data_table.hpp"
#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"
#include "tests/support/temp_dir.hpp"

namespace {

void writeTable(const std::string& path, int points) {
    std::ofstream f(path);
    f << "x y sigma\n";
    char line[96];
    for (int i = 0; i < points; ++i) {
        const double x = 10.0 * i / points;
        const double sigma = 0.05 + 0.1 * std::fabs(std::sin(1.7 * i));
        const double y = 5.0 * std::exp(-0.8 * x) + 1.2 + sigma * std::sin(12.9898 * i);
        std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", x, y, sigma);
        f << line;
    }
}

void BM_WholeFit(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    const int threads = static_cast<int>(state.range(1));
    quorl::testing::TempDir dir;
    writeTable("decay.dat", points);
    quorl::testing::TempDir::writeFile(
        "Quorl-user.nml", "&QUORLNML CJUSERFILE='decay.dat', JPD=1, JTHREADS=" + std::to_string(threads) +
                              " /\n&QUORLFIT FORMULA='a*exp(-b*x) + c', PARAMETERS='a = 1, b = 1, c = 0', "
                              "AUXILIARY='x', MEASURED='y', WEIGHT='1/sigma' /\n");
    std::int64_t evaluations = 0, iterations = 0;
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out;
        quorl::State s(in, out);
        if (quorl::runQuorl(s, quorl::fit::FormulaModel{}) != 0) {
            state.SkipWithError("the fit did not converge");
        }
        evaluations = s.evaluations;
        iterations = s.verdict.steps;
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.counters["iterations"] = static_cast<double>(iterations);
}
BENCHMARK(BM_WholeFit)
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->Args({1000000, 1})
    ->Args({1000000, 2})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The table alone: a DataTable's declare (mode 0) reads the 10^6-row table
// into DATAE, in parts at once on `threads` threads (1: one reader).
void BM_ReadTable(benchmark::State& state) {
    const int points = static_cast<int>(state.range(0));
    quorl::testing::TempDir dir;
    writeTable("decay.dat", points);
    for (auto _ : state) {
        quorl::State s;
        s.JTHREADS = static_cast<int>(state.range(1));
        quorl::DataTable table("decay.dat", {.x = {"x"}, .y = {"y"}, .sigma = {"sigma"}});
        table.declare(s);
        benchmark::DoNotOptimize(s.DATAE.all().data());
    }
    state.counters["ns_per_row"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsIterationInvariantRate |
                                                            benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadTable)->Args({1000000, 1})->Args({1000000, 2})->Unit(benchmark::kMillisecond);

}  // namespace
