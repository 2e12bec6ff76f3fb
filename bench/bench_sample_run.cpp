// The whole sample run, unattended at its default detail level, and the
// model's pow calls alone (the floor no engine can beat).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "user/power_law_sample.hpp"

namespace {

using quorl::Quad;

// Counts the model's calls of mode 4, each one pow.
struct CountingSample {
    quorl::PowerLawSample sample;
    long* mode4 = nullptr;
    void operator()(quorl::State& s, int mode) {
        if (mode == 4) {
            ++*mode4;
        }
        sample(s, mode);
    }
};

void BM_SampleRunUnattended(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "quorl-bench-sample";
    std::filesystem::create_directories(dir);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::ofstream("Quorl-user.nml") << "&QUORLNML JUSERCONFIG=1 /\n";
    long mode4 = 0;
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out;
        quorl::State s(in, out);
        mode4 = 0;
        CountingSample model{quorl::PowerLawSample{}, &mode4};
        benchmark::DoNotOptimize(quorl::runQuorl(s, std::ref(model)));
    }
    state.counters["pow_calls"] = static_cast<double>(mode4);
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SampleRunUnattended)->Unit(benchmark::kMillisecond);

void BM_SamplePow(benchmark::State& state) {
    const Quad x = quorl::fromInt(7);
    Quad p = quorl::quadFromText("2.200000001");
    for (auto _ : state) {
        benchmark::DoNotOptimize(pow(x, p));
    }
}
BENCHMARK(BM_SamplePow);

}  // namespace
