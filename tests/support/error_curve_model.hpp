// A test model whose error is a chosen function of its parameters: one
// residual quantity at one data point, Z = f(P(1), ..., P(KPTOT)), so the
// error measure RSS is exactly |f|. Every parameter vector the model is
// evaluated at is logged, in order, for tests that follow a search.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "model/quorl_allocate_all.hpp"
#include "model/state.hpp"

namespace quorl::testing {

struct ErrorCurveModel {
    std::function<Quad(const std::vector<Quad>&)> f;
    int kptot = 1;
    std::shared_ptr<std::vector<std::vector<Quad>>> evaluated = std::make_shared<std::vector<std::vector<Quad>>>();

    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = kptot;
            s.LZTOT = 1;
            s.MDTOT = 1;
            s.NXTOT = 1;
        } else if (mode == 4) {
            std::vector<Quad> p;
            for (int kp = 1; kp <= s.KPTOT; ++kp) {
                p.push_back(s.PR(kp).P);
            }
            evaluated->push_back(p);
            s.ZR(1).Z = f(p);
        }
    }
};

// A State with the model declared and the arrays allocated.
inline void prepare(State& s, const ErrorCurveModel& m) {
    s.model = m;
    YOUQUORL(s, 0);
    QUORLALLOCATEALL(s);
}

}  // namespace quorl::testing
