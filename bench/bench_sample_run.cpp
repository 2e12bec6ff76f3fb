// The whole sample run, unattended at its default detail level, and the
// model's pow calls alone (the floor no engine can beat). The run reports
// its own floor: the counters pow_floor_ms (as many pow calls as the run
// makes, timed in the same process) and floor_ratio (run time / floor).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "user/power_law_sample.hpp"

namespace {

using quorl::Quad;

// Counts the model's calls of mode 4, each one pow, and records the
// arguments of that pow (base and exponent) when asked to.
struct CountingSample {
    quorl::PowerLawSample sample;
    long* mode4 = nullptr;
    std::vector<std::pair<Quad, Quad>>* powArguments = nullptr;
    void operator()(quorl::State& s, int mode) {
        if (mode == 4) {
            ++*mode4;
            if (powArguments != nullptr) {
                powArguments->emplace_back(s.XR(1).XDATA, s.PR(2).P);
            }
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
    std::vector<std::pair<Quad, Quad>> powArguments;
    bool recorded = false;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out;
        quorl::State s(in, out);
        mode4 = 0;
        CountingSample model{quorl::PowerLawSample{}, &mode4, recorded ? nullptr : &powArguments};
        benchmark::DoNotOptimize(quorl::runQuorl(s, std::ref(model)));
        recorded = true;
    }
    const double runMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(state.iterations());
    // The floor: the same number of pow calls, on the sample's bases 1..10
    // and an exponent near its fitted one.
    const Quad p = quorl::quadFromText("2.200000001");
    Quad sum{};
    const auto powStart = std::chrono::steady_clock::now();
    for (long i = 0; i < mode4; ++i) {
        sum = sum + pow(quorl::fromInt(static_cast<int>(i % 10) + 1), p);
    }
    const double floorMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - powStart).count();
    benchmark::DoNotOptimize(sum);
    // The run's own pow calls, replayed with the arguments it gave them.
    Quad replaySum{};
    const auto replayStart = std::chrono::steady_clock::now();
    for (const auto& [base, exponent] : powArguments) {
        replaySum = replaySum + pow(base, exponent);
    }
    const double replayMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - replayStart).count();
    benchmark::DoNotOptimize(replaySum);
    state.counters["replay_floor_ms"] = replayMs;
    // The same calls made one after another: each base waits for the
    // previous result (a zero added that depends on it), as each pow of the
    // run waits for the engine's work around it. The processor cannot
    // overlap them: this is pow's cost in the run itself.
    Quad chain{};
    const auto serialStart = std::chrono::steady_clock::now();
    for (const auto& [base, exponent] : powArguments) {
        chain = pow(base + Quad{chain.hi * 0.0, 0.0}, exponent);
    }
    state.counters["pow_serial_ms"] =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - serialStart).count();
    benchmark::DoNotOptimize(chain);
    state.counters["pow_calls"] = static_cast<double>(mode4);
    state.counters["pow_floor_ms"] = floorMs;
    state.counters["floor_ratio"] = runMs / floorMs;
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
