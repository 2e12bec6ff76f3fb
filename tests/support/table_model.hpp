// A test model whose residuals come from a table: Z(lz, md) at every call
// of mode 4, whatever the parameters. Sizes are taken from the table.
#pragma once

#include <vector>

#include "model/quorl_allocate_all.hpp"
#include "model/state.hpp"

namespace quorl::testing {

struct TableModel {
    // residuals[md-1][lz-1]
    std::vector<std::vector<Quad>> residuals;
    int kptot = 1;
    int nxtot = 1;

    void operator()(State& s, int mode) const {
        if (mode <= 0) {
            s.KPTOT = kptot;
            s.LZTOT = static_cast<int>(residuals.front().size());
            s.MDTOT = static_cast<int>(residuals.size());
            s.NXTOT = nxtot;
        } else if (mode == 4) {
            for (int lz = 1; lz <= s.LZTOT; ++lz) {
                s.ZR(lz).Z = residuals[static_cast<std::size_t>(s.MD - 1)][static_cast<std::size_t>(lz - 1)];
            }
        }
    }
};

// A State with the table model declared and the arrays allocated.
inline void prepare(State& s, const TableModel& m) {
    s.model = m;
    YOUQUORL(s, 0);
    QUORLALLOCATEALL(s);
}

}  // namespace quorl::testing
