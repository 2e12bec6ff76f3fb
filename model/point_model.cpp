#include "model/point_model.hpp"

#include "model/state.hpp"

namespace quorl {

void PointBlock::size(int lztot, int kptot) {
    const auto L = static_cast<std::size_t>(lztot);
    z.resize(L);
    b.resize(L * static_cast<std::size_t>(kptot));
    zdata.resize(L);
    wt.resize(L);
}

void PointModel::points(const State& s, int md, int n, const Quad* p, bool partials, PointBlock& out,
                        Workspace& w) const {
    const auto L = static_cast<std::size_t>(s.LZTOT);
    const auto K = static_cast<std::size_t>(s.KPTOT);
    std::vector<Quad> z(L), b(L * K), zdata(L), wt(L);
    // The lanes beyond n repeat the last data point.
    const int m = block::groupedLanes(n);
    for (int i = 0; i < m; ++i) {
        if (i < n) {
            point(s, md + i, p, z.data(), partials ? b.data() : nullptr, zdata.data(), wt.data(), w);
        }
        for (std::size_t l = 0; l < L; ++l) {
            out.z[l].set(i, z[l]);
            out.zdata[l].set(i, zdata[l]);
            out.wt[l].set(i, wt[l]);
            for (std::size_t k = 0; partials && k < K; ++k) {
                out.b[l * K + k].set(i, b[l * K + k]);
            }
        }
    }
}

}  // namespace quorl
