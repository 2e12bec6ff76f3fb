// The stages of a run, as their texts are stored in JPHASE for the model.
#pragma once

#include <string_view>

#include "model/state.hpp"

namespace quorl {

inline constexpr std::string_view kStageText[] = {
    "0: Allocates records based on Kptot,Lztot,Mdtot,& Nxtot",
    "1: You quantify your system model in the allocated arrays",
    "2: Top-of-each iteration: establish baseline residual errors",
    "3: Populate BtB(Kptot,Kptot) and BtZ(Kptot)",
    "4: Normalize and invert BtB(Kptot,Kptot)",
    "5: Inverters stepsize = BtBinv(denormalized)*BtZ",
    "6: Find an error-reducing actual stepsize",
    "7: Iterative pass done. Your intervention opportunity:",
    "8: Quorl is done interating. Export the results & close",
};

inline void enterStage(State& s, int stage) { s.JPHASE = kStageText[stage]; }

}  // namespace quorl
