// quorl-fit: the engine run with a formula model read from Quorl-user.nml.
#include "engine/run_quorl.hpp"
#include "fit/formula_model.hpp"

int main() {
    quorl::State s;
    return quorl::runQuorl(s, quorl::fit::FormulaModel{});
}
