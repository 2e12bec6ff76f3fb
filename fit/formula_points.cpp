#include "fit/formula_points.hpp"

#include <algorithm>
#include <span>

#include "model/state.hpp"

namespace quorl::fit {

namespace {

struct Work : PointModel::Workspace {
    std::vector<formula::Program> formulas;
    std::vector<Quad> params, vars, partials;
    // A block of data points: the auxiliary values, the measured values,
    // the weights, and the formula's value and partials.
    std::vector<block::Values> varBlocks, partialBlocks;
    block::Values measured, weight, value;
};

}  // namespace

std::unique_ptr<PointModel::Workspace> FormulaPoints::workspace() const {
    auto w = std::make_unique<Work>();
    w->formulas = plan_.formulas;
    w->params.assign(plan_.parameters.size(), Quad{});
    w->partials.assign(plan_.parameters.size(), Quad{});
    w->vars.assign(auxiliary_, Quad{});
    w->varBlocks.resize(auxiliary_);
    w->partialBlocks.resize(plan_.parameters.size());
    return w;
}

void FormulaPoints::point(const State& s, int md, const Quad* p, Quad* z, Quad* b, Quad* zdata, Quad* wt,
                          Workspace& workspace) const {
    Work& w = static_cast<Work&>(workspace);
    for (std::size_t k = 0; k < w.params.size(); ++k) {
        w.params[k] = p[k];
    }
    for (std::size_t k = 0; k < w.vars.size(); ++k) {
        w.vars[k] = s.DATAE(static_cast<int>(k + 1), md);
    }
    const int K = s.KPTOT;
    for (int l = 1; l <= s.LZTOT; ++l) {
        const auto i = static_cast<std::size_t>(l - 1);
        const Quad measured = s.DATAE(s.NXTOT + l, md);
        const Quad weight = weights_.given() ? weights_.of(s.DATAE, md, l, s.LZTOT) : s.ZR(l).WT;
        formula::Program& f = w.formulas[i];
        // As modes 4 and 7: (measured - formula) * weight, and the partials
        // of the formula times the weight.
        if (b == nullptr) {
            z[i] = (measured - f.evaluate(w.params, w.vars)) * weight;
        } else {
            z[i] = (measured - f.evaluate(w.params, w.vars, w.partials)) * weight;
            for (int k = 1; k <= K; ++k) {
                b[i * static_cast<std::size_t>(K) + static_cast<std::size_t>(k - 1)] =
                    k <= f.parameterCount() ? w.partials[static_cast<std::size_t>(k - 1)] * weight : Quad{};
            }
        }
        if (zdata != nullptr) {
            zdata[i] = measured;
        }
        if (wt != nullptr) {
            wt[i] = weight;
        }
    }
}

void FormulaPoints::points(const State& s, int md, int n, const Quad* p, bool partials, PointBlock& out,
                           Workspace& workspace) const {
    Work& w = static_cast<Work&>(workspace);
    const int m = block::groupedLanes(n);
    // Lane i holds data point md + i; the lanes beyond n repeat the last.
    const auto column = [&](int i) { return md + std::min(i, n - 1); };
    for (std::size_t k = 0; k < w.varBlocks.size(); ++k) {
        for (int i = 0; i < m; ++i) {
            w.varBlocks[k].set(i, s.DATAE(static_cast<int>(k + 1), column(i)));
        }
    }
    const std::span<const Quad> params(p, w.params.size());
    const auto K = static_cast<std::size_t>(s.KPTOT);
    for (int l = 1; l <= s.LZTOT; ++l) {
        const auto i = static_cast<std::size_t>(l - 1);
        for (int j = 0; j < m; ++j) {
            w.measured.set(j, s.DATAE(s.NXTOT + l, column(j)));
            w.weight.set(j, weights_.given() ? weights_.of(s.DATAE, column(j), l, s.LZTOT) : s.ZR(l).WT);
        }
        formula::Program& f = w.formulas[i];
        // As point(): (measured - formula) * weight, and the partials of the
        // formula times the weight.
        if (partials) {
            f.evaluateBlock(params, w.varBlocks, n, w.value, w.partialBlocks);
            for (std::size_t k = 0; k < K; ++k) {
                if (k < static_cast<std::size_t>(f.parameterCount())) {
                    block::mul(w.partialBlocks[k], w.weight, out.b[i * K + k], n);
                } else {
                    block::fill(Quad{}, out.b[i * K + k], n);
                }
            }
        } else {
            f.evaluateBlock(params, w.varBlocks, n, w.value);
        }
        block::sub(w.measured, w.value, w.value, n);
        block::mul(w.value, w.weight, out.z[i], n);
        out.zdata[i] = w.measured;
        out.wt[i] = w.weight;
    }
}

}  // namespace quorl::fit
