// The record types of the shared state: a fitted parameter (PREC), a
// residual quantity (ZREC), an auxiliary value of a data point (XREC) and a
// point of a 3D drawing (TLREC). Fields in the system's order; numeric
// fields start at zero, names blank.
#pragma once

#include <cstdint>

#include "io/fixed_text.hpp"
#include "model/fixed_array.hpp"
#include "quad/quad.hpp"

namespace quorl {

// One fitted parameter.
struct PREC {
    Quad P{};       // value under trial: what the model uses when evaluated
    Quad PBASE{};   // accepted value: start of the current iteration, saved at the end
    Quad OFFON{};   // factor on this parameter's partials (1 free, 0 held fixed)
    Quad DELTA{};   // finite-difference increment
    // Step vectors: (1,1) RSS-partials step, (2,1) inverter step, (1,2) and
    // (2,2) their clamped copies, (4,1) the selected step, (4,2) the step taken.
    FixedArray2<Quad, 1, 4, 1, 2> PSTEP{};
    Quad PNEW{};    // value chosen for the next iteration
    Quad VSTEP{};   // reserved
    std::int32_t INVERTED = 0;  // 1 if the parameter took part in the last inversion
    std::int32_t KP = 0;        // reserved
    FixedArray1<std::int32_t, 1, 2> ISPARE{};
    Text<16> PNAME;
    Quad BTBNORM{};  // normalising factor of this parameter's row and column of BTB
};

// One residual quantity.
struct ZREC {
    Quad Z{};        // weighted residual at the current data point and PR(:).P
    Quad ZBASE{};    // Z at the accepted parameter values
    Quad WT{};       // weight the model applies to this residual
    Quad WZ{};       // reserved
    Quad ZDATA{};    // measured value at the current data point
    Quad RMS{};      // root mean square of Z over all data points
    Quad RMSBASE{};  // RMS at the start of the current iteration
    Quad ZMAX{};     // the Z of largest magnitude over all data points
    std::int32_t MDMAX = 0;  // data point of ZMAX; 0 when none
    std::int32_t LZ = 0;     // reserved
    FixedArray1<std::int32_t, 1, 2> ISPARE{};
    Text<16> ZNAME;
};

// One auxiliary value of a data point; element 0 describes the data point's
// identifying number.
struct XREC {
    Quad XDATA{};
    std::int32_t KCOES = 0;  // reserved
    std::int32_t NX = 0;     // reserved
    FixedArray1<std::int32_t, 1, 2> ISPARE{};
    Text<16> XNAME;
};

// One point of a 3D drawing: pen or colour code, line thickness, coordinates.
struct TLREC {
    std::int32_t IC = 0;
    float TH = 0.0f;
    FixedArray1<Quad, 1, 3> XYZ{};
};

}  // namespace quorl
