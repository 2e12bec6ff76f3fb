// The sample program: the engine run with the power-law sample model.
#include "engine/run_quorl.hpp"
#include "user/power_law_sample.hpp"

int main() {
    quorl::State s;
    return quorl::runQuorl(s, quorl::PowerLawSample{});
}
