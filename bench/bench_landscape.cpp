// The sample's landscape picture: 16 842 fit evaluations over the grid,
// with 3D output off (the evaluations alone) and with both drawing files.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "model/quorl_allocate_all.hpp"
#include "user/power_law_sample.hpp"
#include "user/you_quorl_3d.hpp"

namespace {

void BM_LandscapePicture(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "quorl-bench-landscape";
    std::filesystem::create_directories(dir);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::istringstream in;
    std::ostringstream out;
    quorl::State s(in, out);
    quorl::PowerLawSample model;
    s.model = std::ref(model);
    quorl::YOUQUORL(s, 0);
    s.JUSERCONFIG = 1;
    s.JPU = 0;
    s.JPD = 0;
    s.JPU3D = static_cast<int>(state.range(0));
    quorl::QUORLALLOCATEALL(s);
    for (int lz = 1; lz <= s.LZTOT; ++lz) {
        s.ZR(lz).WT = s.WEIGHT;
    }
    quorl::YOUQUORL(s, 1);
    s.JITER = 12;
    for (auto _ : state) {
        quorl::YouQuorl3dState v;
        quorl::YOUQUORL3D(s, v);
    }
    state.counters["points"] = static_cast<double>(s.draw3dJtl.NPTOT);
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LandscapePicture)->Arg(0)->Arg(13)->Unit(benchmark::kMillisecond);

}  // namespace
