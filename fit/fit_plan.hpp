// The plan of a formula fit: the group QUORLFIT checked and compiled, its
// names bound to parameters and to the columns of the data table, and the
// layout of those columns in DATAE. Built in the model's mode 0, before the
// engine writes anything; every fault stops the run with a message that
// shows where it is.
//
// DATAE(0:NXTOT+LZTOT, MD), as the DataTable loads it:
//   rows 1 .. na             the auxiliary columns, in the order of AUXILIARY
//   rows na+1 .. NXTOT       other columns that MEASURED or WEIGHT use
//   rows NXTOT+1 .. +LZTOT   the measured values, one per formula: the
//                            column itself, or (replaced in mode 1) the
//                            value of the measured expression
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/data_table.hpp"
#include "fit/fit_group.hpp"
#include "formula/formula.hpp"
#include "io/table_reader.hpp"

namespace quorl::fit {

// A quantity of a data row computed from its columns: a measured value
// (MEASURED) or a weight (WEIGHT). A bare column is the program "push it".
struct RowQuantity {
    std::string text;          // as written
    formula::Program program;  // its variables are columns
    std::vector<int> columns;  // per variable slot: its column in the file (1-based), 0 if unused
    std::vector<int> rows;     // per variable slot: its row of DATAE, 0 if unused
    std::vector<Quad> values;  // room for the variables of one row
};

struct FitPlan {
    std::vector<std::string> parameters;  // PR(1..).PNAME
    std::vector<Quad> starts;             // their starting values
    std::vector<bool> held;               // listed in HOLD
    int landscape[2] = {0, 0};            // LANDSCAPE: the two parameters (1-based); 0: none
    int plotAgainst = 0;                  // PLOTX: the auxiliary name (1-based) the plot also uses; 0: none
    std::vector<std::string> auxiliary;   // the formulas' variables: XR(1..).XNAME
    std::string formulaText;              // FORMULA as written
    std::vector<formula::Program> formulas;
    std::vector<std::string> formulaTexts;  // each formula's text, in order
    std::vector<RowQuantity> measured;    // one per formula
    std::vector<RowQuantity> weights;     // none, or one per formula
    TableColumns columns;                 // for the DataTable: x (auxiliary, then other used), y
    std::int32_t partials = 1;  // JPARTIALS: 1 exact, 0 one-sided differences, 2 central differences
    Quad increment{};           // the relative increment of the differences
    std::int32_t jprev = 0;
};

// The weight of every data point and quantity, once mode 1 has computed
// them: in DATAE rows `row` .. row + LZTOT - 1 when the columns that only
// MEASURED and WEIGHT read leave that many rows (their values are no longer
// needed once the row quantities are taken, and a table of weights beside
// DATAE would cost 16 bytes a point), else in a table of their own; with
// neither (no WEIGHT), ZR(l).WT.
struct PointWeights {
    int row = 0;
    std::vector<Quad> table;  // (l, md) at (md - 1) * LZTOT + l - 1

    bool given() const { return row != 0 || !table.empty(); }
    const Quad& of(const Array2<Quad>& datae, int md, int l, int lztot) const {
        return row != 0 ? datae(row + l - 1, md)
                        : table[static_cast<std::size_t>(md - 1) * static_cast<std::size_t>(lztot) +
                                static_cast<std::size_t>(l - 1)];
    }
};

// The parameters, the auxiliary names, HOLD, the formulas, PARTIALS,
// INCREMENT and JPREV: everything that does not need the table.
FitPlan planFormulas(const FitGroup& g);

// The auxiliary columns, MEASURED and WEIGHT against the header of the
// table; sets plan.columns and the DATAE rows of every row quantity.
void planColumns(const FitGroup& g, const io::TableReader& table, FitPlan& plan);

// What is wrong with the value of a row quantity: a measured value
// (weight false) that is not finite, or a weight that is not positive and
// finite; empty when nothing is.
std::string rowFault(const RowQuantity& q, const Quad& value, bool weight);

// The value of a row quantity from column MD of DATAE.
Quad rowValue(RowQuantity& q, const Array2<Quad>& datae, int md);

}  // namespace quorl::fit
