// The sample model: a two-parameter power law Z = P1 * X**P2 fitted to a
// built-in table of ten points, either on the raw data (JUSERCONFIG = 1) or
// as the straight line log10 Z = P1 + P2 * log10 X (JUSERCONFIG = 2).
#pragma once

#include "model/state.hpp"
#include "quad/quad.hpp"
#include "user/you_quorl_3d.hpp"

namespace quorl {

class PowerLawSample {
public:
    // The model callback: mode 0 declares, 1 loads, 2 starts a pass, 3 loads
    // data point MD, 4 forms its residuals, 5 reports an iteration, 6 the end.
    void operator()(State& s, int MODE);

private:
    void declare(State& s);
    void load(State& s);
    void startPass(State& s);
    void loadPoint(State& s);
    void residuals(State& s);
    void iterationDone(State& s);
    void finalPrintout(State& s);
    [[noreturn]] void configurationFailure(State& s);

    int INIT = 0;  // 0 until the first load has set the starting values
    Quad X{};      // independent value of the current data point (raw or log10)
    Quad Z{};      // measured value of the current data point (raw or log10)
    Quad COE1{}, COE2{};
    YouQuorl3dState picture;  // the landscape picture's working values
};

}  // namespace quorl
