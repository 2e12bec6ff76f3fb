// The full-precision text of one Quad, as the iteration reports write it.
#include <benchmark/benchmark.h>

#include <string>

#include "io/format.hpp"
#include "quad/decimal.hpp"

namespace {

const quorl::Quad kValue = quorl::quadFromText("-1234.56789012345678901234567890123456");

void BM_FormatF40_32(benchmark::State& state) {
    for (auto _ : state) {
        std::string s = quorl::io::format("(f40.32)", kValue);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatF40_32);

void BM_FormatE41_32(benchmark::State& state) {
    for (auto _ : state) {
        std::string s = quorl::io::format("(e41.32)", kValue);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatE41_32);

// A typical report line: text, a 40-character name, a real and an integer.
void BM_FormatReportLine(benchmark::State& state) {
    const std::string_view name = "CFLOAT40 text of forty characters......";
    for (auto _ : state) {
        std::string s = quorl::io::format("('RSS = ',a40,e14.6,' /',i2)", name, kValue, 7);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatReportLine);

}  // namespace

