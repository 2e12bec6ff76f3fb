// The data points of a formula fit without the shared state of the run
// (model/point_model.hpp): what modes 3, 4 and 7 of the formula model do
// for one data point, from DATAE, the weights and the compiled formulas,
// each thread with its own copies of the formulas' evaluation stacks.
#pragma once

#include <vector>

#include "fit/fit_plan.hpp"
#include "model/point_model.hpp"

namespace quorl::fit {

class FormulaPoints : public PointModel {
public:
    // The plan and the weights (none given: the weights of ZR(:).WT) are the
    // formula model's, and must outlive this.
    FormulaPoints(const FitPlan& plan, const PointWeights& weights, std::size_t auxiliary)
        : plan_(plan), weights_(weights), auxiliary_(auxiliary) {}

    std::unique_ptr<Workspace> workspace() const override;
    void point(const State& s, int md, const Quad* p, Quad* z, Quad* b, Quad* zdata, Quad* wt,
               Workspace& w) const override;
    void points(const State& s, int md, int n, const Quad* p, bool partials, PointBlock& out,
                Workspace& w) const override;
    bool exactPartials() const override { return true; }

private:
    const FitPlan& plan_;
    const PointWeights& weights_;
    std::size_t auxiliary_;
};

}  // namespace quorl::fit
