// State: all shared state of one run. The groups of the system's catalogue
// appear in its order: the run-wide values (QUORLREC), then the parameter
// (KPREC), residual (LZREC), data-point (MDREC) and auxiliary-value (NXREC)
// groups with their counts, current indexes and arrays. Initial values are
// the member initialisers, so `State s;` is a program at start.
//
// Values a routine keeps between its calls live in that routine's small
// struct at the end, never in statics: a fresh State is a fresh program.
#pragma once

#include <cstdint>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "io/char_list.hpp"
#include "io/fixed_text.hpp"
#include "io/units.hpp"
#include "model/array.hpp"
#include "model/constants.hpp"
#include "model/fixed_array.hpp"
#include "model/point_model.hpp"
#include "model/records.hpp"
#include "model/view_axes.hpp"
#include "quad/quad.hpp"

namespace quorl {

struct State;

// The model callback: called with a mode number, it works on the shared
// state only (declare sizes, load data, form residuals, report).
using Model = std::function<void(State&, int)>;

struct State {
    explicit State(std::istream& in = std::cin, std::ostream& out = std::cout) : units(in, out) {}
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // ---- QUORLREC: run-wide values --------------------------------------
    std::int32_t JITER = 0;       // current iteration, 0 for the baseline pass
    std::int32_t JITERTOT = 30;   // last iteration number
    std::int32_t JBON = 3;        // first iteration taking the inverter's step
    std::int32_t JUNCLAMP = 3;    // first iteration whose steps are not clamped
    std::int32_t JSTEPMULT = 2;   // step multiplier: 1 full step, 2 line search
    std::int32_t JPREV = -1;      // previous run's values: -1 no, 0 ask, 1 yes
    std::int32_t JPU = 11;        // report unit: 0 none, 6 console, 11 run summary file
    std::int32_t JPD = 4;         // report detail level 0..8
    std::int32_t JPU10 = 10;      // unit of the configuration and parameter files
    std::int32_t JPU3D = 13;      // unit of the 3D drawing files, 0 none
    std::int32_t JMIN = 0;        // pass counter of the step-multiplier search
    std::int32_t JMINTOT = 20;    // pass limit of the step-multiplier search
    std::int32_t JDONE = 0;       // 1 once the fit has stopped making progress
    std::int32_t JMODE = 0;       // mode of the current model call
    std::int32_t JTLMORPH = 1;    // 3D point morphing selector
    std::int32_t JUSERCONFIG = 0; // free selector for the model
    std::int32_t JUSERPHASE = 0;  // free value for the model
    std::int32_t KPCHANGED = 0;   // parameters whose new value differs from the accepted one
    std::int32_t IRANK = 0;       // rank reached by the last inversion
    // How the partial derivatives are made: 0 one-sided differences with
    // PR(:).DELTA; 1 exact, from the model's mode 7; 2 central differences
    // with PR(:).DELTA, extrapolated (engine/data_point_partials.hpp).
    std::int32_t JPARTIALS = 0;
    // Threads of a pass over the data with a point model (0: every core).
    std::int32_t JTHREADS = 0;
    // Evaluations of all residuals so far: one per fit evaluation, and per
    // partials pass one plus the shifted evaluations of its differences.
    std::int64_t evaluations = 0;
    // An estimate of the rounding of sum(z**2)/2 at the values of the last
    // partials pass (engine/data_point_partials.hpp).
    Quad errorRounding{};

    Quad DELTA = constants::oneMicro();  // run-wide finite-difference increment
    Quad WEIGHT{1.0, 0.0};               // run-wide weight
    Quad OFFON{1.0, 0.0};                // run-wide partials factor
    Quad RSS{};                          // current error measure
    Quad RSSBASE{};                      // error measure at the start of the iteration
    Quad STEPMULT{};                     // multiplier applied to the selected step
    Quad PSTEPMAG{};                     // sum of squares of a step vector
    Quad NOISEFLOOR{};                   // noise threshold of the inversion
    Quad ABSDET{};                       // magnitude of the last accepted pivot

    // What tells this run's files from another run's (model/run_identity.hpp);
    // empty until first asked for.
    std::string runIdentity;

    Text<40> CFLOAT40;
    Text<23> CDATETIME;
    Text<9> OMJ{"undefined"};
    FixedArray1<Text<9>, 0, 100> OMJSAVE{};
    Text<80> JPHASE;
    // True once the previous run's values have arrived in PR(:).P (JPREV = 1
    // and Quorl-params.txt read); mode 1 may then adopt them as the start.
    bool previousValuesRead = false;
    // Set by a model's mode 7 once it has given the residuals and their
    // exact partials for the current data point (engine/generic_residuals.hpp).
    bool partialsGiven = false;
    Text<60> CVERSION{constants::versionBanner()};
    Text<60> CJUSERFILE;
    Text<60> WHAT, WHY, HOW, WHO, WHEN, WHERE1;

    TLREC TL, TL2, TLPREV, TLSAVE;
    FixedArray1<TLREC, 0, 100> TLITER{};

    // Template records copied into every element at allocation, and spare
    // work records for models.
    PREC P0 = templateParameter();
    ZREC Z0{};
    XREC X0{};
    PREC PU{};
    ZREC ZU{}, ZU2{};
    XREC XU{};

    // ---- KPREC: parameters ----------------------------------------------
    std::int32_t KPTOT = 0;
    std::int32_t KP = 0;
    std::int32_t KP2 = 0;
    Array1<PREC> PR;

    // ---- LZREC: residual quantities -------------------------------------
    std::int32_t LZTOT = 0;
    std::int32_t LZ = 0;
    Array1<ZREC> ZR;

    // ---- MDREC: data points ---------------------------------------------
    std::int32_t MDTOT = 0;
    std::int32_t MD = 0;
    std::int32_t MDMAX = 0;
    Array2<Quad> DATAE;  // (0:NXTOT+LZTOT, 1:MDTOT)

    // ---- NXREC: auxiliary values ----------------------------------------
    std::int32_t NXTOT = 0;
    std::int32_t NX = 0;
    Array1<XREC> XR;  // (0:NXTOT)

    // ---- normal equations -----------------------------------------------
    Array2<Quad> B;    // (1:LZTOT, 1:KPTOT) partials of one data point
    Array2<Quad> BTB;  // (1:KPTOT, 1:KPTOT)
    Array1<Quad> BTZ;  // (1:KPTOT)

    // ---- uncertainties of the accepted values ---------------------------
    // Filled at the end of a run that ended normally, after the final
    // evaluation and before the model's mode 6, from one more pass of
    // data-point partials at PR(:).PBASE and the inverse of its normal
    // equations. A value that does not exist (no degrees of freedom left, a
    // held or dependent parameter) is empty.
    struct Uncertainty {
        bool computed = false;              // false until the end of a normal run
        std::string notComputed;            // why, when the pass could not be made
        std::int64_t residuals = 0;         // N = MDTOT * LZTOT
        std::int32_t parametersUsed = 0;    // p: parameters the inverter used
        std::int64_t degreesOfFreedom = 0;  // N - p
        Quad chiSquare{};                   // sum of the squared weighted residuals
        std::optional<Quad> reducedChiSquare;  // chiSquare / (N - p), when N > p
        struct Parameter {
            bool held = false;       // OFFON = 0
            bool dependent = false;  // free, but left out by the inverter
            std::optional<Quad> standardError;          // scaled by the reduced chi-square
            std::optional<Quad> standardErrorUnscaled;  // from the inverse alone (weights 1/sigma)
        };
        Array1<Parameter> parameters;  // (1:KPTOT)
        std::vector<std::int32_t> used;  // KP of each parameter used, in order
        // Correlations among the parameters used: correlation[i][j] for
        // used[i] and used[j].
        std::vector<std::vector<Quad>> correlation;
        // The sum of the squared residuals Z / WT (measured minus
        // modelled, unweighted); empty when a weight is 0 or not finite.
        std::optional<Quad> residualSumOfSquares;
        // The figures of the convergence test at the accepted values (see
        // engine/verdict.hpp), from the same partials.
        Quad gradientCosine{};     // largest |cos| between the residuals and a parameter's partials
        Quad predictedDecrease{};  // fraction of chi-square a Gauss-Newton step would remove
        Quad largestRelativeStep{};  // largest |Gauss-Newton step| / |value| of a parameter used
        std::vector<std::int32_t> withoutPartials;  // KP of each free parameter whose partials are all zero
    } uncertainty;

    // ---- the verdict of the run -----------------------------------------
    // How the run ended, decided once the final values are known (see
    // engine/verdict.hpp): whether the accepted values are a minimum as far
    // as the arithmetic resolves it, and if not, why the loop stopped.
    struct Verdict {
        enum class Status { Converged, Stalled, IterationLimit };
        Status status = Status::IterationLimit;
        bool tested = false;        // the convergence test could be made
        bool loopQuit = false;      // the loop ended at the quit decision (JDONE), not at JITERTOT
        std::int32_t steps = 0;     // iterations that took a step (JITER = 1, 2, ...)
        // Relative decrease of chi-square over the last step that moved a
        // parameter, (before - after) / before; empty when none moved.
        std::optional<Quad> lastDecrease;
    } verdict;

    // ---- the program's units and its model ------------------------------
    io::Units units;
    Model model;
    // The model's data points without the shared state, when it has them:
    // the passes over the data then go in chunks over threads
    // (engine/point_model.hpp).
    std::shared_ptr<const PointModel> pointModel;
    // The normal equations a fit evaluation formed ahead, with the point
    // model's exact partials, at the values it evaluated: the damped step's
    // accepted trial is the next iteration's partials pass, and the last
    // one that of the uncertainties (engine/chunked_normal_equations.hpp).
    struct NormalEquationsAhead {
        bool valid = false;
        std::vector<Quad> at, offon;     // the values and OFFON of the pass
        std::vector<Quad> BTB, BTZ;      // BTB(k2, k) at k2 + KPTOT k (0-based)
        std::vector<Quad> lastZ, lastB;  // the last data point's residuals and partials
        Quad chiSquare{}, unweighted{}, rounding{};
        bool weightsUsable = true;
    } normalAhead;
    // What the last fit evaluation through the point model found, at the
    // values and weights `at` (PR(:).P, then ZR(:).WT): per residual
    // quantity the sum of squares, the residual of largest magnitude and
    // its data point, and the last data point's residual. An evaluation at
    // the same values and weights (the final printout and the parameter
    // file at the accepted values) takes them instead of another pass.
    struct LastEvaluation {
        bool valid = false;
        std::vector<Quad> at;
        std::vector<Quad> squares, largest, last;
        std::vector<int> mdmax;
    } lastEvaluation;
    // Where the weighted residual LZ of data point MD comes from, in the
    // model's own terms ("the formula "a*exp(-b*x)" at line 17 of
    // decay.txt"), for the message about a residual that is not finite;
    // empty: the message names MD and LZ alone. Set by the model in mode 1.
    std::function<std::string(int MD, int LZ)> residualSource;
    // What the model draws of the fit at the accepted values once the
    // result files are saved, before the arrays are released (the fit plot
    // of quorl-fit); empty: nothing. It shows its own failures on the
    // console and never stops the run: the results are complete by then.
    std::function<void(State&)> afterResults;
    // What is kept of the fit at the end of every iteration, right after
    // the model's mode 5 (the path of the landscape, vis/draw_landscape.hpp);
    // empty: nothing.
    std::function<void(State&)> afterIteration;
    // What the axes of the run's 3D drawing stand for (model/view_axes.hpp),
    // for the viewer page and the SVG; filled by the model that draws.
    ViewAxes viewAxes;

    // ---- values routines keep between their calls ----------------------
    struct Driver {
        std::int32_t JPUL = 0;  // diagnostic unit of the engine's routines
        bool LEXISTS = false;   // result of the last file-existence test
        Text<1> A1;             // answer to the quit prompt
        std::int32_t NY = 1;    // quit decision: 1 go on, 2 stop
        // What stopped the read of Quorl-user.nml, for the run summary:
        // the member at fault (empty when none) and the reader's message.
        std::string configFaultMember;
        std::string configFault;
    } driver;
    struct EvalFit {
        Quad TEMP{};  // the residual under test
    } evalFit;
    struct PrintIter {
        Quad CHANGE{};  // the change being shown
        Quad DELTA{};   // the parameter's increment being shown
        Text<1> C1;     // the change mark: '*' when unchanged
    } printIter;
    struct Beamer {
        std::int32_t NM = 0;              // items per mark, set on the call with N = 1
        float DT = 0.0f;                  // last stopwatch reading, seconds
        FixedArray1<float, 1, 2> TARRAY;  // its user and system parts
        // The stopwatch: processor seconds since the previous reading, the
        // user part into the first argument and the system part into the
        // second. Empty means the process's own user and system time.
        std::function<void(float& user, float& system)> stopwatch;
        double userBefore = 0.0;    // the default stopwatch's previous reading,
        double systemBefore = 0.0;  // user and system seconds of the process
    } beamer;
    // The step-multiplier search; its own DELTA, X0, Z0 are not the shared ones.
    struct SelectStepMult {
        FixedArray1<Quad, 1, 32> X{};        // multipliers: ladder 1..17, candidates 18..31
        FixedArray1<Quad, 1, 31> Z{};        // error at each multiplier
        FixedArray2<Quad, 1, 3, 0, 2> C{};   // A, B, C of the parabolas at 0, at 1, their difference
        std::int32_t NX0 = 17;               // fixed trial points
        std::int32_t NXT = 31;               // all points
        std::int32_t NX = 0;                 // slot before the current polynomial's candidates
        std::int32_t IQ = 0;                 // polynomial index
        std::int32_t K = 0;                  // slot of the best point
        Quad DELTA{};                        // 2**(pass - 1)
        Quad X0{}, Z0{}, S0{}, B0{};         // tangent at multiplier 0
        Quad X1{}, Z1{}, S1{}, B1{};         // tangent at multiplier 1
        Quad S2{};                           // chord slope
        Quad DISCRIM{};                      // discriminant of the current parabola
    } selectStepMult;
    // The damped step (JSTEPMULT = 3): the normalised normal matrix kept
    // from the inversion, and the damping carried from one iteration to
    // the next.
    struct DampedStep {
        Array2<Quad> normalized;  // (1:KPTOT, 1:KPTOT): BTB / (norm(i) norm(j)) before inversion
        Quad lambda{};            // the damping of the last trial, where the next search starts
        Quad radius{};            // the trust region's radius in the scaled parameters; 0 until first used
        std::int32_t retries = 0; // failed trials in the last iteration
        Quad gainRatio{};         // actual over predicted decrease of the accepted trial
        bool polished = false;    // the last Gauss-Newton step near the minimum was taken
        Quad lastPolishLength{};  // the length of the last step taken near the minimum; 0 for none
        Array1<Quad> scaleMax;    // (1:KPTOT): the largest norm BTBNORM of each parameter so far
    } dampedStep;
    // The 3D drawing writer: the open drawing and the points read back.
    struct Draw3dJtl {
        std::int32_t INIT = 0;    // 0 closed; else the JPU3D it was opened with (6: counting only)
        std::int32_t NPTOT = 0;   // points accepted since the drawing was opened
        std::int32_t NPTOT2 = 0;  // point count read back from the point list
        Text<9> CNUMBER;          // NPTOT written with (i9)
        TLREC TL;                 // the current point after clamping
        Array1<TLREC> TLR;        // the points read back, TLR(1:NPTOT)
        std::int32_t NP = 0, I = 0;
        std::int32_t IALLOC = 0;  // 0 when TLR was allocated, else non-zero
    } draw3dJtl;
    // The stroke-font label writer: the label being placed.
    struct AlphaJs {
        FixedArray1<double, 1, 3> POSLLC{}, RPYD{};  // origin and roll, pitch, yaw (degrees)
        double SIZEH = 0.0;                          // character size
        FixedArray1<double, 1, 4> PXYZ{}, ARPY{};    // the same in homogeneous form
        FixedArray2<double, 1, 4, 1, 4> HXR{};       // the placement transform
        std::int32_t N = 0, M = 0;                   // column and line
        FixedArray1<double, 1, 3> PIN{}, POUT{};     // stroke point, local and placed
        std::int32_t NCH = 0, J1 = 0, NPTS = 0, K = 0;
    } alphaJs;

private:
    static PREC templateParameter() {
        PREC p{};
        p.OFFON = Quad{1.0, 0.0};
        return p;
    }
};

// Calls the model in one mode, recording the mode in JMODE first.
inline void YOUQUORL(State& s, int MODE) {
    s.JMODE = MODE;
    s.model(s, MODE);
}

// One formatted write of the items to a unit of the run.
// Character lists (Text::chars()) count as one item per character.
// Without a character list the items go in an array on the stack (the
// records of the drawing files are written this way, one per point).
template <class... Items>
void write(State& s, int unit, std::string_view fmt, const Items&... items) {
    if constexpr ((!std::is_same_v<Items, io::CharList> && ...)) {
        s.units.write(unit, fmt, items...);
    } else {
        if (io::Units::isSilent(unit)) {
            return;
        }
        const std::vector<io::Item> list = io::itemList(items...);
        s.units.writeItems(unit, fmt, list);
    }
}

}  // namespace quorl
