// y = a*exp(-b*x) + c fitted to the table exp_decay.dat, each point weighted
// by 1/sigma. JUSERCONFIG = 2 in Quorl-user.nml holds the background c at
// 1.2; answering 1 at the start restarts from the last run's values.
#include "engine/data_table.hpp"
#include "engine/increments.hpp"
#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"

using quorl::Quad;
using quorl::quadFromText;

struct ExpDecay {
    quorl::DataTable table{"exp_decay.dat", {.x = {"x"}, .y = {"y"}, .sigma = {"sigma"}}};

    void operator()(quorl::State& s, int mode) {
        if (mode <= 0) {
            table.declare(s);  // MDTOT, LZTOT, NXTOT from the table
            s.KPTOT = 3;
            s.JPREV = 0;       // ask whether to start from the last run's values
            s.DELTA = Quad{};  // increments relative to each value, set in mode 2
            s.WHAT = "y = a*exp(-b*x) + c, weights 1/sigma";
        } else if (mode == 1) {
            table.load(s);
            const char* names[] = {"a", "b", "c"};
            const Quad start[] = {quadFromText("1"), quadFromText("1"), quadFromText("0")};
            for (int kp = 1; kp <= 3; ++kp) {
                s.PR(kp).PNAME = names[kp - 1];
                s.PR(kp).PBASE = s.previousValuesRead ? s.PR(kp).P : start[kp - 1];
            }
            if (s.JUSERCONFIG == 2) {  // a background known from elsewhere
                s.PR(3).PBASE = quadFromText("1.2");
                s.PR(3).OFFON = Quad{};
            }
        } else if (mode == 2) {
            quorl::setRelativeIncrements(s);
        } else if (mode == 3) {
            table.point(s);  // x, y and the weight 1/sigma of point MD
        } else if (mode == 4) {
            const Quad x = s.XR(1).XDATA;
            const Quad model = s.PR(1).P * exp(-(s.PR(2).P * x)) + s.PR(3).P;
            s.ZR(1).Z = (s.ZR(1).ZDATA - model) * s.ZR(1).WT;
        }
    }
};

int main() {
    quorl::State s;
    return quorl::runQuorl(s, ExpDecay{});
}
