// y = a*exp(-b*x) + c fitted to the table exp_decay.dat, each point weighted
// by 1/sigma. JUSERCONFIG = 2 in Quorl-user.nml holds the background c at
// 1.2; answering 1 at the start restarts from the last run's values. The
// residual is written once, for any number type: the engine evaluates it
// with quad reals (mode 4) and with dual numbers for its exact partial
// derivatives (mode 7). At the end the run draws the data, the fitted
// curve and the residuals in Quorl-fit.html, and the error landscape over
// a and b with the path of the fit in Quorl-3dView.html.
#include "engine/data_table.hpp"
#include "engine/generic_residuals.hpp"
#include "engine/run_quorl.hpp"
#include "quad/decimal.hpp"
#include "view/fit_plot_of_run.hpp"
#include "vis/draw_landscape.hpp"

using quorl::Quad;
using quorl::quadFromText;

struct ExpDecay {
    quorl::DataTable table{"exp_decay.dat", {.x = {"x"}, .y = {"y"}, .sigma = {"sigma"}}};

    void operator()(quorl::State& s, int mode) {
        if (mode <= 0) {
            table.declare(s);  // MDTOT, LZTOT, NXTOT from the table
            s.KPTOT = 3;
            s.JPREV = 0;      // ask whether to start from the last run's values
            s.JPARTIALS = 1;  // exact partials, from mode 7
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
        } else if (mode == 3) {
            table.point(s);  // x, y and the weight 1/sigma of point MD
        } else if (mode == 4 || mode == 7) {
            const Quad x = s.XR(1).XDATA, y = s.ZR(1).ZDATA, w = s.ZR(1).WT;
            quorl::genericResiduals<3, 1>(s, mode, [&](const auto& p, auto& z) {
                z[0] = (y - (p[0] * exp(-(p[1] * x)) + p[2])) * w;
            });
        }
    }
};

int main() {
    quorl::State s;
    quorl::drawFitPlot(s);          // Quorl-fit.html beside the results
    quorl::drawLandscape(s, 1, 2);  // then the landscape over a and b (Quorl-3dView.html)
    return quorl::runQuorl(s, ExpDecay{});
}
