#include "fit/formula_points.hpp"

#include "model/state.hpp"

namespace quorl::fit {

namespace {

struct Work : PointModel::Workspace {
    std::vector<formula::Program> formulas;
    std::vector<Quad> params, vars, partials;
};

}  // namespace

std::unique_ptr<PointModel::Workspace> FormulaPoints::workspace() const {
    auto w = std::make_unique<Work>();
    w->formulas = plan_.formulas;
    w->params.assign(plan_.parameters.size(), Quad{});
    w->partials.assign(plan_.parameters.size(), Quad{});
    w->vars.assign(auxiliary_, Quad{});
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

}  // namespace quorl::fit
